#pragma once

#include "acquire/CycleHost.h"
#include "shell/WindowModel.h"

namespace vexmora {

// The refresh cycle's view of the main window: options read live from the panel controls,
// log, picture, enabled states and timer period written into the window model, which is safe
// to use from the cycle's worker thread.
class ModelCycleHost : public CycleHost {
public:
    explicit ModelCycleHost(WindowModel& model) : model_(model) {}

    int Quality() override { return model_.SelectedIndex(ListId::Quality); }
    int Source() override { return model_.SelectedIndex(ListId::Source); }
    int Size() override { return model_.SelectedIndex(ListId::Size); }
    int Position() override { return model_.SelectedIndex(ListId::Position); }
    int Interval() override { return model_.SelectedIndex(ListId::Interval); }
    bool SetWallpaper() override { return model_.IsChecked(CheckBoxId::SetWallpaper); }
    bool SwitchOnFailure() override { return model_.IsChecked(CheckBoxId::SwitchOnFailure); }

    void AppendLog(const Text& line) override { model_.AppendLog(line); }
    void SetPicture(const Bytes& picture) override { model_.SetPicture(picture); }
    void SetControlEnabled(CycleControl control, bool enabled) override;
    void SetTimerPeriod(int milliseconds) override { model_.SetTimerPeriod(milliseconds); }

private:
    WindowModel& model_;
};

} // namespace vexmora
