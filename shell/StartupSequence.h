#pragma once

#include <functional>

#include "net/Text.h"

// The main window's creation step: runs once on the user-interface thread, after the window
// and its controls exist and before the window is first shown.
namespace vexmora {

class WindowHost;
class WindowModel;

// The period the first refresh is armed with, whatever the interval setting says.
inline constexpr int kFirstRefreshDelayMs = 100;

// The two steps that other parts of the shell supply.
struct StartupSteps {
    // Step 1: false when another copy of the program runs (it has been told and brought
    // forward); the sequence then stops and this copy ends. Left empty, this copy runs.
    std::function<bool()> singleInstanceGuard;
    // Step 7: the start-up update check, run to its end on this thread.
    std::function<void()> startupUpdateCheck;
};

// Steps in order: (1) single-instance guard; (2) tray icon with the tip "Vexmora"; (3) the data
// folder beside the executable; (4) the nine options from the settings file into the controls;
// (5) the tray menu's marks from the controls; (6) the window shown unless "下次打开时后台运行" is
// checked; (7) the update check; (8) the refresh timer armed at 100 ms. Writes no setting and
// runs no control handler. False when step 1 stopped the sequence.
// The settings file is the one of `runDirectory` (SettingsFile).
bool RunStartupSequence(WindowModel& model, WindowHost& host, const Text& runDirectory,
                        const StartupSteps& steps = {});

} // namespace vexmora
