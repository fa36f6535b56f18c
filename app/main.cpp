// Vexmora: keeps a current full-disk picture of the Earth on the desktop.
#include <QApplication>

#include "platform/qt/MainWindow.h"
#include "shell/Paths.h"
#include "shell/StartupSequence.h"
#include "shell/WindowEvents.h"
#include "shell/WindowModel.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vexmora"));
    QApplication::setApplicationVersion(QStringLiteral("2.0"));
    QApplication::setDesktopFileName(QStringLiteral("vexmora"));

    vexmora::WindowModel model;
    // The setting handlers, the tray and exit behaviour and the refresh cycle plug in here as
    // they are built; until then a timer tick has nothing to run and the timer keeps its period.
    vexmora::WindowEvents events;
    vexmora::platform::MainWindow window(model, events);
    QObject::connect(&window, &vexmora::platform::MainWindow::windowDestroyed, &app,
                     &QCoreApplication::quit, Qt::QueuedConnection);

    vexmora::StartupSteps steps;
    // steps.singleInstanceGuard: the single-instance guard (step 1) comes with its own change.
    // steps.startupUpdateCheck: the start-up update check (step 7) comes with its own change.
    if (!vexmora::RunStartupSequence(model, window, vexmora::RunDirectory(), steps)) {
        return 0;
    }
    return QApplication::exec();
}
