#include "shell/StartupSequence.h"

#include "shell/MenuMarks.h"
#include "shell/Paths.h"
#include "shell/Settings.h"
#include "shell/WindowHost.h"
#include "shell/WindowLayout.h"
#include "shell/WindowModel.h"

namespace vexmora {

bool RunStartupSequence(WindowModel& model, WindowHost& host, const Text& runDirectory,
                        const StartupSteps& steps) {
    if (steps.singleInstanceGuard && !steps.singleInstanceGuard()) {
        return false;
    }
    // A desktop without a tray just has no icon; start-up goes on.
    host.AddTrayIcon(TrayTipText());
    EnsureDataFolder(runDirectory);
    LoadSettingsIntoControls(SettingsStore(SettingsFile(runDirectory)), model);
    MirrorMenuMarks(model);
    host.SetWindowVisible(!model.IsChecked(CheckBoxId::RunInBackground));
    if (steps.startupUpdateCheck) {
        steps.startupUpdateCheck();
    }
    model.SetTimerPeriod(kFirstRefreshDelayMs);
    return true;
}

} // namespace vexmora
