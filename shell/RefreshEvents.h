#pragma once

#include "acquire/RefreshRunner.h"
#include "shell/WindowEvents.h"

namespace vexmora {

// The window events that start refreshes: the timer's tick hands a cycle to the runner, the
// button and the tray item "获取地球图片" ask for one. Setting handlers, the tray and exit
// behaviour build on this class as they come.
class RefreshEvents : public WindowEvents {
public:
    explicit RefreshEvents(RefreshRunner& runner) : runner_(runner) {}

    void TimerTick() override { runner_.Tick(); }
    void ButtonClicked(ControlId control) override {
        if (control == ControlId::RefreshButton) {
            runner_.RefreshNow();
        }
    }
    void MenuItemChosen(MenuItemId item) override {
        if (item == MenuItemId::RefreshNow) {
            runner_.RefreshNow();
        }
    }

private:
    RefreshRunner& runner_;
};

} // namespace vexmora
