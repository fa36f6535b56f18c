#pragma once

#include "shell/WindowIds.h"

// What the user does to the window and the tray, and the timer's ticks, as the window layer
// reports them on the user-interface thread. When a call arrives the model already holds the
// new state of the control (a check box's new mark, a list's new selection, a check item's new
// mark). Changes made from code are never reported. Every call does nothing unless a handler
// overrides it.
namespace vexmora {

enum class TrayAction { Click, DoubleClick, ContextMenu, MiddleClick };

class WindowEvents {
public:
    virtual ~WindowEvents() = default;

    virtual void CheckBoxClicked(CheckBoxId) {}
    virtual void ListSelected(ListId) {}
    // 按钮1 or 按钮2.
    virtual void ButtonClicked(ControlId) {}
    virtual void MenuItemChosen(MenuItemId) {}
    virtual void PictureDoubleClicked() {}
    virtual void TrayActivated(TrayAction) {}
    // The user asks to close the window; true lets it close.
    virtual bool CloseRequested() { return true; }
    // The refresh timer 时钟1 fired.
    virtual void TimerTick() {}
};

} // namespace vexmora
