// Vexmora: keeps a current full-disk picture of the Earth on the desktop.
#include <QApplication>

#include "acquire/RefreshRunner.h"
#include "platform/HttpTransport.h"
#include "platform/Memory.h"
#include "platform/qt/MainWindow.h"
#include "shell/ModelCycleHost.h"
#include "shell/Paths.h"
#include "shell/RefreshEvents.h"
#include "shell/StartupSequence.h"
#include "shell/WindowModel.h"

int main(int argc, char* argv[]) {
    vexmora::platform::KeepFreedMemoryForReuse();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vexmora"));
    QApplication::setApplicationVersion(QStringLiteral("2.0"));
    QApplication::setDesktopFileName(QStringLiteral("vexmora"));

    vexmora::WindowModel model;
    vexmora::ModelCycleHost cycleHost(model);
    vexmora::CycleEnvironment environment;
    environment.dataFolder = vexmora::DataFolder();
    vexmora::RefreshRunner runner(cycleHost, environment);
    // The setting handlers and the tray and exit behaviour plug in here as they are built.
    vexmora::RefreshEvents events(runner);
    vexmora::platform::MainWindow window(model, events);
    QObject::connect(&window, &vexmora::platform::MainWindow::windowDestroyed, &app,
                     &QCoreApplication::quit, Qt::QueuedConnection);

    vexmora::StartupSteps steps;
    // steps.singleInstanceGuard: the single-instance guard (step 1) comes with its own change.
    // steps.startupUpdateCheck: the start-up update check (step 7) comes with its own change.
    if (!vexmora::RunStartupSequence(model, window, vexmora::RunDirectory(), steps)) {
        return 0;
    }
    const int status = QApplication::exec();
    // A cycle still downloading ends now instead of at its time-outs; the runner waits for it.
    vexmora::platform::CancelAllTransfers();
    return status;
}
