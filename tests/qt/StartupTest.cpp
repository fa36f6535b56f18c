#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "platform/qt/MainWindow.h"
#include "shell/Paths.h"
#include "shell/Settings.h"
#include "shell/StartupSequence.h"
#include "tests/qt/QtTestSupport.h"
#include "tests/support/TempDir.h"

namespace vexmora {
namespace {

using platform::MainWindow;

// The real start-up against a real settings file in a temporary run folder.
class StartupTest : public testing::Test {
protected:
    static void SetUpTestSuite() { test::EnsureQtApplication(); }

    std::filesystem::path settingsPath() const { return dir.path() / "data" / "vxmr.ini"; }
    Text runDirectory() const { return platform::Utf8ToGbkBytes(dir.path().string()); }

    void WriteSettings(const std::string& utf8) {
        test::WriteBytes(settingsPath(), test::Gbk(utf8));
    }

    void Start() { ASSERT_TRUE(RunStartupSequence(model, window, runDirectory())); }

    QCheckBox* Box(const char* name) {
        return window.findChild<QCheckBox*>(QString::fromUtf8(name));
    }
    QComboBox* List(const char* name) {
        return window.findChild<QComboBox*>(QString::fromUtf8(name));
    }

    // The checked items of the tray menu, top to bottom.
    QStringList Marks() const {
        QStringList marks;
        std::function<void(const QMenu*)> walk = [&](const QMenu* menu) {
            for (QAction* action : menu->actions()) {
                if (action->menu()) {
                    walk(action->menu());
                } else if (action->isChecked()) {
                    marks << action->text();
                }
            }
        };
        walk(window.TrayMenu());
        return marks;
    }

    test::TempDir dir;
    WindowModel model;
    test::RecordingEvents events;
    MainWindow window{model, events};
};

struct SettingsCase {
    const char* name;
    const char* file;          // nullptr: no settings file at all
    std::array<bool, 4> boxes; // 选择框1..4
    std::array<int, 5> lists;  // 组合框1..5
    QStringList marks;
};

class StartupSettingsTable : public StartupTest,
                             public testing::WithParamInterface<SettingsCase> {};

TEST_P(StartupSettingsTable, ControlsAndTrayMarksFollowTheFile) {
    const SettingsCase& c = GetParam();
    if (c.file) {
        WriteSettings(c.file);
    }
    std::string before = c.file ? test::ReadBytes(settingsPath()) : "";
    Start();

    const char* boxes[] = {"选择框1", "选择框2", "选择框3", "选择框4"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Box(boxes[i])->isChecked(), c.boxes[i]) << boxes[i];
    }
    const char* lists[] = {"组合框1", "组合框2", "组合框3", "组合框4", "组合框5"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(List(lists[i])->currentIndex(), c.lists[i]) << lists[i];
    }
    EXPECT_EQ(Marks(), c.marks);
    // Start-up runs no handler and writes nothing back.
    EXPECT_TRUE(events.calls.empty());
    if (c.file) {
        EXPECT_EQ(test::ReadBytes(settingsPath()), before);
    } else {
        EXPECT_FALSE(std::filesystem::exists(settingsPath()));
        EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "data"));
    }
    EXPECT_TRUE(window.RefreshTimer()->isActive());
    EXPECT_EQ(window.RefreshTimer()->interval(), 100);
}

const QStringList kFirstItems = {"不自动刷新", "风云4号(中国)", "流畅", "居中", "尺寸640x480"};

INSTANTIATE_TEST_SUITE_P(
    Cases, StartupSettingsTable,
    testing::Values(
        SettingsCase{"NoFile", nullptr, {}, {0, 0, 0, 0, 0}, kFirstItems},
        SettingsCase{"EmptyFile", "", {}, {0, 0, 0, 0, 0}, kFirstItems},
        SettingsCase{"OneIsNotYes", "[设置]\r\n设置壁纸=1\r\n", {}, {0, 0, 0, 0, 0}, kFirstItems},
        SettingsCase{
            "YesText",
            "[设置]\r\n设置壁纸=真\r\n失败切换=真\r\n",
            {true, false, false, true},
            {0, 0, 0, 0, 0},
            {"设置壁纸", "不自动刷新", "风云4号(中国)", "流畅", "居中", "尺寸640x480", "自动换源"}},
        SettingsCase{
            "AllOptions",
            "[设置]\r\n设置壁纸=真\r\n开机启动=真\r\n后台运行=假\r\n失败切换=假\r\n图片位置=2\r\n"
            "图片大小=1\r\n图片来源=1\r\n图片画质=1\r\n刷新间隔=1\r\n",
            {true, true, false, false},
            {2, 1, 1, 1, 1},
            {"设置壁纸", "开机启动", "十分钟", "向日葵8号(日本)", "高清", "拉伸", "尺寸800x600"}},
        SettingsCase{"SevenClampsToTheLastSize",
                     "[设置]\r\n图片大小=7\r\n",
                     {},
                     {0, 3, 0, 0, 0},
                     {"不自动刷新", "风云4号(中国)", "流畅", "居中", "尺寸1200x960"}},
        SettingsCase{"MinusTwoLeavesNoSource",
                     "[设置]\r\n图片来源=-2\r\n",
                     {},
                     {0, 0, -1, 0, 0},
                     {"不自动刷新", "向日葵8号(日本)", "流畅", "居中", "尺寸640x480"}},
        SettingsCase{"NegativeIntervalLeavesItsMarks",
                     "[设置]\r\n刷新间隔=-1\r\n",
                     {},
                     {0, 0, 0, 0, -1},
                     {"风云4号(中国)", "流畅", "居中", "尺寸640x480"}},
        SettingsCase{"LeadingBlankInQuotes",
                     "[设置]\r\n刷新间隔=\" 2\"\r\n",
                     {},
                     {0, 0, 0, 0, 2},
                     {"二十分钟", "风云4号(中国)", "流畅", "居中", "尺寸640x480"}},
        SettingsCase{"TrailingLetter",
                     "[设置]\r\n刷新间隔=2x\r\n",
                     {},
                     {0, 0, 0, 0, 2},
                     {"二十分钟", "风云4号(中国)", "流畅", "居中", "尺寸640x480"}},
        SettingsCase{"NotANumber", "[设置]\r\n刷新间隔=abc\r\n", {}, {0, 0, 0, 0, 0}, kFirstItems},
        SettingsCase{"FullWidthDigit",
                     "[设置]\r\n刷新间隔=２\r\n",
                     {},
                     {0, 0, 0, 0, 2},
                     {"二十分钟", "风云4号(中国)", "流畅", "居中", "尺寸640x480"}},
        SettingsCase{"SystemPosition",
                     "[设置]\r\n图片位置=3\r\n",
                     {},
                     {3, 0, 0, 0, 0},
                     {"不自动刷新", "风云4号(中国)", "流畅", "使用系统设置", "尺寸640x480"}},
        SettingsCase{"OtherSectionIgnored",
                     "[其他]\r\n设置壁纸=真\r\n[设置]\r\n图片画质=1\r\n",
                     {},
                     {0, 0, 0, 1, 0},
                     {"不自动刷新", "风云4号(中国)", "高清", "居中", "尺寸640x480"}},
        SettingsCase{"LfLinesAndCaseOfAsciiKeys",
                     "[设置]\n图片画质 = 1\n",
                     {},
                     {0, 0, 0, 1, 0},
                     {"不自动刷新", "风云4号(中国)", "高清", "居中", "尺寸640x480"}}),
    [](const testing::TestParamInfo<SettingsCase>& info) { return std::string(info.param.name); });

TEST_F(StartupTest, VisibleStart) {
    Start();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.TrayIcon()->isVisible());
    EXPECT_EQ(window.TrayIcon()->toolTip(), QString::fromUtf8("Vexmora"));
    EXPECT_FALSE(window.TrayIcon()->icon().isNull());
}

TEST_F(StartupTest, HiddenStart) {
    WriteSettings("[设置]\r\n后台运行=真\r\n刷新间隔=3\r\n");
    Start();
    QTest::qWait(20);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(Box("选择框3")->isChecked());
    EXPECT_TRUE(window.TrayIcon()->isVisible());
    EXPECT_TRUE(window.RefreshTimer()->isActive());
    EXPECT_EQ(window.RefreshTimer()->interval(), 100) << "the interval counts only after a cycle";
}

// What the panel shows is what gets written: user changes in the widgets, then the nine keys.
TEST_F(StartupTest, ExactBytesWrittenFromThePanelKeepOtherLines) {
    WriteSettings("; "
                  "注释\r\n[其他]\r\nx=1\r\n\r\n[设置]\r\n当前日期=11\r\n图片大小=7\r\n\r\n[末尾]"
                  "\r\ny=2\r\n");
    Start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(Box("选择框2"), Qt::LeftButton);
    QComboBox* source = List("组合框3");
    source->setFocus();
    QTest::keyClick(source, Qt::Key_Down);
    ASSERT_TRUE(SaveAllSettings(SettingsStore(SettingsFile(runDirectory())), model));

    std::string expected = test::Gbk("; "
                                     "注释\r\n[其他]\r\nx=1\r\n\r\n[设置]\r\n当前日期="
                                     "11\r\n图片大小=3\r\n设置壁纸=假\r\n开机启动=真\r\n"
                                     "后台运行=假\r\n失败切换=假\r\n图片位置=0\r\n图片来源="
                                     "1\r\n图片画质=0\r\n刷新间隔=0\r\n\r\n[末尾]\r\ny=2\r\n");
    EXPECT_EQ(test::ReadBytes(settingsPath()), expected);
    // The section header in GBK bytes.
    EXPECT_NE(expected.find("[\xC9\xE8\xD6\xC3]\r\n"), std::string::npos);
}

} // namespace
} // namespace vexmora
