// Renders the main window as it looks after a refresh, to the PNG file named on the command
// line (scripts/screenshot uses it for the README).
#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <cstdio>

#include "platform/CodePage.h"
#include "platform/qt/MainWindow.h"
#include "platform/qt/PictureBox.h"
#include "shell/StartupSequence.h"
#include "tests/qt/QtTestSupport.h"
#include "tests/support/TempDir.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.png>\n", argv[0]);
        return 2;
    }
    using namespace vexmora;
    test::EnsureQtApplication();

    test::TempDir dir;
    test::WriteBytes(
        dir.path() / "data" / "vxmr.ini",
        test::Gbk("[设置]\r\n设置壁纸=真\r\n失败切换=真\r\n图片位置=2\r\n图片大小=2\r\n"
                  "刷新间隔=1\r\n"));
    WindowModel model;
    WindowEvents events;
    platform::MainWindow window(model, events);
    if (!RunStartupSequence(model, window, platform::Utf8ToGbkBytes(dir.path().string()))) {
        return 1;
    }

    // A full-disk picture as a fast refresh shows it: the Earth on black, 550 x 550.
    QImage earth(QStringLiteral(VEXMORA_SOURCE_DIR "/resources/icons/vexmora-256.png"));
    QImage picture(550, 550, QImage::Format_RGB32);
    picture.fill(Qt::black);
    {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(10, 10, 530, 530), earth);
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    model.SetPicture(Bytes(png.begin(), png.end()));

    for (const char* line :
         {"9时30分0秒 正在更新地球图片……\r\n", "9时30分2秒 更新地球图片完成。\r\n",
          "9时30分2秒 正在处理图片大小……\r\n", "9时30分2秒 处理图片大小完成。\r\n",
          "9时30分2秒 正在更换背景图片……\r\n", "9时30分3秒 更换背景图片完成。\r\n"}) {
        model.AppendLog(test::Gbk(line));
    }
    if (!test::WaitUntil([&] { return window.Picture()->IsSettled(); })) {
        return 1;
    }
    QApplication::processEvents();
    if (!window.grab().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
