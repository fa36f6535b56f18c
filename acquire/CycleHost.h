#pragma once

#include "net/Text.h"

namespace vexmora {

// The controls a refresh cycle disables at its start and enables at its end, in this order.
enum class CycleControl {
    SettingsGroup, // the group box "设置" with every setting control and both buttons
    RefreshButton, // the button "获取地球图片"
    TrayRefresh,   // the tray item "获取地球图片"
};

// What a refresh cycle needs of the window. Every call comes from the cycle's worker thread
// (Quality from the thread that ticks), while the user keeps working on the user-interface
// thread: an implementation must be safe to call from any thread and must not call back into
// the RefreshRunner. Options are read at the step that uses each, so a change made meanwhile
// counts from the next step that reads it.
class CycleHost {
public:
    virtual ~CycleHost() = default;

    // The options as the panel shows them now (list indexes as stored in the settings).
    virtual int Quality() = 0;  // 0 "流畅" (fast), 1 "高清" (high definition)
    virtual int Source() = 0;   // 0 FengYun-4A, 1 Himawari-8
    virtual int Size() = 0;     // 0 640x480, 1 800x600, 2 1024x768, 3 1280x960
    virtual int Position() = 0; // 0 centre, 1 tile, 2 stretch, 3 the desktop's own style
    virtual int Interval() = 0; // 0 no automatic refresh, 1..3 tens of minutes
    virtual bool SetWallpaper() = 0;
    virtual bool SwitchOnFailure() = 0;

    // Appends one whole log line (clock text, message, CR LF) to the log pane.
    virtual void AppendLog(const Text& line) = 0;
    // The picture box's new picture (encoded image bytes, as downloaded).
    virtual void SetPicture(const Bytes& picture) = 0;
    virtual void SetControlEnabled(CycleControl control, bool enabled) = 0;
    // The refresh timer's period in milliseconds; 0 stops it.
    virtual void SetTimerPeriod(int milliseconds) = 0;
};

} // namespace vexmora
