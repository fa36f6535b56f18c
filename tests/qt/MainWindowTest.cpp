#include "platform/qt/MainWindow.h"

#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTextLayout>
#include <QTimer>
#include <gtest/gtest.h>
#include <thread>

#include "platform/qt/PictureBox.h"
#include "tests/qt/QtTestSupport.h"

namespace vexmora {
namespace {

using platform::MainWindow;

class MainWindowTest : public testing::Test {
protected:
    static void SetUpTestSuite() { test::EnsureQtApplication(); }

    template <typename T> T* Find(const char* objectName) {
        return window.findChild<T*>(QString::fromUtf8(objectName));
    }

    WindowModel model;
    test::RecordingEvents events;
    MainWindow window{model, events};
};

TEST_F(MainWindowTest, TitleAndOuterFrame) {
    EXPECT_EQ(window.windowTitle(), QString::fromUtf8("Vexmora 2.0"));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.frameGeometry(), QRect(50, 50, 478, 420));
    EXPECT_FALSE(window.windowIcon().isNull());
}

struct ControlCase {
    const char* name;
    const char* className;
    QRect geometry;
    const char* text;
    std::vector<const char*> items;
    bool inGroup;
};

TEST_F(MainWindowTest, EveryControlWithItsNamePositionTextAndItems) {
    const std::vector<ControlCase> cases = {
        {"图片框1", "vexmora::platform::PictureBox", {8, 8, 224, 224}, "", {}, false},
        {"编辑框1", "QPlainTextEdit", {8, 240, 456, 144}, "", {}, false},
        {"分组框1", "QGroupBox", {240, 8, 224, 224}, "设置", {}, false},
        {"按钮1", "QPushButton", {8, 16, 80, 24}, "获取地球图片", {}, true},
        {"按钮2", "QPushButton", {8, 48, 80, 24}, "检查更新", {}, true},
        {"选择框1", "QCheckBox", {90, 16, 128, 16}, "设置为桌面壁纸", {}, true},
        {"选择框2", "QCheckBox", {90, 36, 128, 16}, "设置为开机启动", {}, true},
        {"选择框3", "QCheckBox", {90, 56, 128, 16}, "下次打开时后台运行", {}, true},
        {"标签5", "QLabel", {8, 78, 56, 24}, "刷新间隔：", {}, true},
        {"组合框5",
         "QComboBox",
         {64, 80, 151, 20},
         "",
         {"不自动刷新", "10分钟", "20分钟", "30分钟"},
         true},
        {"标签3", "QLabel", {8, 102, 56, 24}, "图片来源：", {}, true},
        {"组合框3",
         "QComboBox",
         {64, 104, 151, 20},
         "",
         {"风云4号（中国）", "向日葵8号（日本）"},
         true},
        {"标签4", "QLabel", {8, 126, 56, 24}, "图片画质：", {}, true},
        {"组合框4",
         "QComboBox",
         {64, 128, 151, 20},
         "",
         {"流畅（获取快速）", "高清（获取较慢）"},
         true},
        {"标签1", "QLabel", {8, 152, 56, 24}, "图片位置：", {}, true},
        {"组合框1",
         "QComboBox",
         {64, 152, 152, 24},
         "",
         {"居中", "平铺", "拉伸", "使用系统默认设置"},
         true},
        {"标签2", "QLabel", {8, 174, 56, 24}, "图片大小：", {}, true},
        {"组合框2",
         "QComboBox",
         {64, 176, 152, 20},
         "",
         {"640×480", "800×600", "1024×768", "1280×960"},
         true},
        {"选择框4", "QCheckBox", {8, 198, 200, 24}, "若获取失败自动切换来源", {}, true},
    };
    auto* group = Find<QGroupBox>("分组框1");
    ASSERT_NE(group, nullptr);
    for (const ControlCase& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget* widget = Find<QWidget>(c.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_STREQ(widget->metaObject()->className(), c.className);
        EXPECT_EQ(widget->geometry(), c.geometry);
        EXPECT_EQ(widget->parentWidget(), c.inGroup ? static_cast<QWidget*>(group) : &window);
        QString text = QString::fromUtf8(c.text);
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_EQ(button->text(), text);
        } else if (auto* label = qobject_cast<QLabel*>(widget); label && c.inGroup) {
            EXPECT_EQ(label->text(), text);
        } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
            EXPECT_EQ(box->title(), text);
        } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
            ASSERT_EQ(list->count(), static_cast<int>(c.items.size()));
            for (int i = 0; i < list->count(); ++i) {
                EXPECT_EQ(list->itemText(i), QString::fromUtf8(c.items[i]));
            }
            EXPECT_EQ(list->currentIndex(), 0);
        }
        if (auto* box = qobject_cast<QCheckBox*>(widget)) {
            EXPECT_FALSE(box->isChecked());
        }
    }
    auto* log = Find<QPlainTextEdit>("编辑框1");
    EXPECT_TRUE(log->isReadOnly());
    EXPECT_TRUE(log->toPlainText().isEmpty());
    EXPECT_EQ(log->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    auto* timer = Find<QTimer>("时钟1");
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(timer->isActive());
}

// One line per menu entry: "-" for a separator, "> title" for a submenu with its items
// indented, "[ ]" before a check item.
void Describe(const QMenu* menu, const QString& indent, QStringList& lines) {
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            lines << indent + "-";
        } else if (action->menu()) {
            lines << indent + "> " + action->text();
            Describe(action->menu(), indent + "  ", lines);
        } else {
            lines << indent + (action->isCheckable() ? "[ ] " : "") + action->text();
        }
    }
}

TEST_F(MainWindowTest, TrayMenuInOrder) {
    QStringList lines;
    Describe(window.TrayMenu(), "", lines);
    QStringList expected = {"&显示主界面",
                            "-",
                            "获取地球图片",
                            "-",
                            "[ ] 设置壁纸",
                            "[ ] 开机启动",
                            "[ ] 后台运行",
                            "> 刷新间隔",
                            "  [ ] 不自动刷新",
                            "  [ ] 十分钟",
                            "  [ ] 二十分钟",
                            "  [ ] 三十分钟",
                            "> 图片来源",
                            "  [ ] 风云4号(中国)",
                            "  [ ] 向日葵8号(日本)",
                            "> 图片画质",
                            "  [ ] 流畅",
                            "  [ ] 高清",
                            "> 图片位置",
                            "  [ ] 居中",
                            "  [ ] 平铺",
                            "  [ ] 拉伸",
                            "  [ ] 使用系统设置",
                            "> 图片大小",
                            "  [ ] 尺寸640x480",
                            "  [ ] 尺寸800x600",
                            "  [ ] 尺寸1024x768",
                            "  [ ] 尺寸1200x960",
                            "[ ] 自动换源",
                            "-",
                            "退出"};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(window.TrayMenu()->objectName(), QString::fromUtf8("托盘菜单"));
    for (QAction* action : window.TrayMenu()->actions()) {
        EXPECT_FALSE(action->isChecked());
        EXPECT_TRUE(action->isEnabled());
    }
    EXPECT_EQ(window.TrayIcon()->contextMenu(), window.TrayMenu());
}

// Without a CJK font Qt draws empty boxes and says nothing; glyph 0 is the missing glyph.
TEST_F(MainWindowTest, ChineseTextsHaveGlyphs) {
    QStringList texts;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            texts << button->text();
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            texts << label->text();
        } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
            for (int i = 0; i < list->count(); ++i) {
                texts << list->itemText(i);
            }
        }
    }
    texts << window.MenuAction(MenuItemId::SourceHimawari)->text();
    for (const QString& text : texts) {
        if (text.isEmpty()) {
            continue;
        }
        QTextLayout layout(text, window.font());
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        for (const QGlyphRun& run : layout.glyphRuns()) {
            for (quint32 glyph : run.glyphIndexes()) {
                EXPECT_NE(glyph, 0u)
                    << text.toStdString() << " in " << run.rawFont().familyName().toStdString();
            }
        }
    }
}

TEST_F(MainWindowTest, ModelChangesShowWithoutRunningHandlers) {
    model.SetChecked(CheckBoxId::SwitchOnFailure, true);
    model.SelectIndex(ListId::Size, 2);
    model.SelectIndex(ListId::Source, -1);
    model.SetMenuChecked(MenuItemId::Size1024, true);
    model.SetMenuEnabled(MenuItemId::RefreshNow, false);
    model.SetEnabled(ControlId::SettingsGroup, false);
    EXPECT_TRUE(Find<QCheckBox>("选择框4")->isChecked());
    EXPECT_EQ(Find<QComboBox>("组合框2")->currentIndex(), 2);
    EXPECT_EQ(Find<QComboBox>("组合框3")->currentIndex(), -1);
    EXPECT_TRUE(window.MenuAction(MenuItemId::Size1024)->isChecked());
    EXPECT_FALSE(window.MenuAction(MenuItemId::RefreshNow)->isEnabled());
    EXPECT_FALSE(Find<QGroupBox>("分组框1")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("按钮1")->isEnabled()) << "inside the disabled group";
    EXPECT_TRUE(events.calls.empty());
}

TEST_F(MainWindowTest, UserChangesReachTheModelBeforeTheirHandler) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(Find<QCheckBox>("选择框1"), Qt::LeftButton);
    EXPECT_TRUE(model.IsChecked(CheckBoxId::SetWallpaper));

    auto* sizes = Find<QComboBox>("组合框2");
    sizes->setFocus();
    QTest::keyClick(sizes, Qt::Key_Down);
    EXPECT_EQ(sizes->currentIndex(), 1);
    EXPECT_EQ(model.SelectedIndex(ListId::Size), 1);

    window.MenuAction(MenuItemId::SwitchOnFailure)->trigger();
    EXPECT_TRUE(model.IsMenuChecked(MenuItemId::SwitchOnFailure));
    window.MenuAction(MenuItemId::Exit)->trigger();
    QTest::mouseClick(Find<QPushButton>("按钮2"), Qt::LeftButton);
    QTest::mouseDClick(window.Picture(), Qt::LeftButton);
    emit window.TrayIcon()->activated(QSystemTrayIcon::DoubleClick);

    EXPECT_EQ(events.calls,
              (std::vector<std::string>{
                  "box " + std::to_string(IndexOf(CheckBoxId::SetWallpaper)),
                  "list " + std::to_string(IndexOf(ListId::Size)),
                  "menu " + std::to_string(IndexOf(MenuItemId::SwitchOnFailure)),
                  "menu " + std::to_string(IndexOf(MenuItemId::Exit)),
                  "button " + std::to_string(IndexOf(ControlId::UpdateButton)), "picture 0",
                  "tray " + std::to_string(static_cast<int>(TrayAction::DoubleClick))}));
}

TEST_F(MainWindowTest, CloseAsksTheHandler) {
    window.show();
    events.allowClose = false;
    window.close();
    EXPECT_TRUE(window.isVisible());
    events.allowClose = true;
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(events.calls, (std::vector<std::string>{"close 0", "close 0"}));
}

TEST_F(MainWindowTest, BringForwardRestoresAMinimisedWindow) {
    window.showMinimized();
    ASSERT_TRUE(test::WaitUntil([&] { return window.isMinimized(); }));
    window.BringForward(true);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());
    window.BringForward(false);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindowTest, TrayMenuPopsUpWhileTheWindowIsHidden) {
    window.PopUpTrayMenu();
    EXPECT_TRUE(test::WaitUntil([&] { return window.TrayMenu()->isVisible(); }));
    EXPECT_FALSE(window.isVisible());
    window.TrayMenu()->hide();
}

TEST_F(MainWindowTest, DestroyWindowTakesTheTrayIconAway) {
    window.show();
    window.AddTrayIcon(test::Gbk("Vexmora"));
    EXPECT_TRUE(window.HasTrayIcon());
    QSignalSpy ended(&window, &MainWindow::windowDestroyed);
    window.DestroyWindow();
    EXPECT_EQ(ended.count(), 1);
    EXPECT_FALSE(window.HasTrayIcon());
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(events.calls.empty()) << "no close question";
}

QByteArray PngOf(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// What the refresh worker does, from a thread of its own: the window follows on its thread.
TEST_F(MainWindowTest, WorkerChangesShowOnTheWindowsThread) {
    QByteArray png = PngOf(550, 550);
    std::thread worker([&] {
        model.SetTimerPeriod(0);
        model.SetEnabled(ControlId::SettingsGroup, false);
        model.SetMenuEnabled(MenuItemId::RefreshNow, false);
        model.AppendLog(test::Gbk("9时5分3秒 正在更新地球图片……\r\n"));
        model.SetPicture(Bytes(png.begin(), png.end()));
        model.AppendLog(test::Gbk("9时5分4秒 更新地球图片完成。\r\n"));
        model.SetEnabled(ControlId::SettingsGroup, true);
        model.SetTimerPeriod(600000);
    });
    worker.join();
    auto* log = Find<QPlainTextEdit>("编辑框1");
    ASSERT_TRUE(test::WaitUntil([&] {
        return window.RefreshTimer()->isActive() && window.Picture()->IsSettled() &&
               !window.Picture()->pixmap().isNull();
    }));
    EXPECT_EQ(log->toPlainText(),
              QString::fromUtf8("9时5分3秒 正在更新地球图片……\n9时5分4秒 更新地球图片完成。\n"));
    EXPECT_EQ(window.RefreshTimer()->interval(), 600000);
    EXPECT_TRUE(Find<QGroupBox>("分组框1")->isEnabled());
    EXPECT_FALSE(window.MenuAction(MenuItemId::RefreshNow)->isEnabled());
    QSize shown = window.Picture()->pixmap().size();
    EXPECT_LE(shown.width(), 224);
    EXPECT_EQ(shown.width(), shown.height()) << "the picture keeps its shape";

    // An empty or broken picture leaves the box empty.
    model.SetPicture(BytesFromText("not an image"));
    ASSERT_TRUE(test::WaitUntil([&] { return window.Picture()->IsSettled(); }));
    EXPECT_TRUE(window.Picture()->pixmap().isNull());
    EXPECT_TRUE(events.calls.empty());
}

TEST_F(MainWindowTest, TimerTicksAndKeepsItsPeriod) {
    model.SetTimerPeriod(20);
    ASSERT_TRUE(test::WaitUntil([&] { return events.ticks >= 2; }));
    EXPECT_TRUE(window.RefreshTimer()->isActive());
    EXPECT_EQ(window.RefreshTimer()->interval(), 20);
    model.SetTimerPeriod(0);
    EXPECT_FALSE(window.RefreshTimer()->isActive());
}

TEST_F(MainWindowTest, SettingTheSamePeriodRestartsTheCountdown) {
    model.SetTimerPeriod(400);
    QTest::qWait(250);
    model.SetTimerPeriod(400);
    EXPECT_GT(window.RefreshTimer()->remainingTime(), 300);
}

} // namespace
} // namespace vexmora
