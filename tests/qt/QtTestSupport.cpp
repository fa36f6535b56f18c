#include "tests/qt/QtTestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <fstream>
#include <sstream>

#include "platform/CodePage.h"

namespace vexmora::test {

void EnsureQtApplication() {
    if (QApplication::instance()) {
        return;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "qt_tests";
    static char* argv[] = {name, nullptr};
    // Kept for the life of the program: widgets of every test need it.
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

Text Gbk(const std::string& utf8) {
    return platform::Utf8ToGbkBytes(utf8);
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

} // namespace vexmora::test
