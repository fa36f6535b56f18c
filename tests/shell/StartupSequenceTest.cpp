#include "shell/StartupSequence.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "shell/Paths.h"
#include "shell/WindowHost.h"
#include "shell/WindowModel.h"
#include "tests/support/TempDir.h"

namespace vexmora {
namespace {

// Records what start-up asks of the window layer, with the model's state at that moment.
class RecordingHost : public WindowHost {
public:
    explicit RecordingHost(const WindowModel& model) : model_(model) {}

    bool AddTrayIcon(const Text& tip) override {
        calls.push_back("tray " + tip);
        tray = true;
        return true;
    }
    void RemoveTrayIcon() override { tray = false; }
    bool HasTrayIcon() const override { return tray; }
    void SetWindowVisible(bool visibleNow) override {
        calls.push_back(visibleNow ? "show" : "hide");
        // The controls and marks are in place before the window first appears.
        marksWhenShown = model_.IsMenuChecked(MenuItemId::Size1280);
        visible = visibleNow;
    }
    bool IsWindowVisible() const override { return visible; }
    void BringForward(bool visibleNow) override { SetWindowVisible(visibleNow); }
    void PopUpTrayMenu() override {}
    void DestroyWindow() override {}

    std::vector<std::string> calls;
    bool tray = false;
    bool visible = false;
    bool marksWhenShown = false;

private:
    const WindowModel& model_;
};

class StartupSequenceTest : public testing::Test {
protected:
    // A run folder with a Chinese name, given to the core in GBK.
    std::filesystem::path runFolder() const { return dir.path() / u8"运行目录"; }
    Text runDirectory() const {
        return platform::Utf8ToGbkBytes(dir.path().string()) + "/运行目录";
    }

    void SetUp() override { std::filesystem::create_directories(runFolder()); }

    void WriteSettings(const std::string& gbk) {
        std::filesystem::create_directories(runFolder() / "data");
        std::ofstream(runFolder() / "data" / "vxmr.ini", std::ios::binary) << gbk;
    }

    test::TempDir dir;
    WindowModel model;
    RecordingHost host{model};
};

TEST_F(StartupSequenceTest, FirstRunInAnEmptyFolder) {
    std::vector<std::string> steps;
    StartupSteps hooks;
    hooks.singleInstanceGuard = [&] {
        steps.push_back("guard");
        return true;
    };
    hooks.startupUpdateCheck = [&] {
        steps.push_back("update check, timer " + std::to_string(model.TimerPeriod()));
    };
    ASSERT_TRUE(RunStartupSequence(model, host, runDirectory(), hooks));

    EXPECT_EQ(host.calls, (std::vector<std::string>{"tray Vexmora", "show"}));
    EXPECT_EQ(steps, (std::vector<std::string>{"guard", "update check, timer 0"}));
    EXPECT_TRUE(std::filesystem::is_directory(runFolder() / "data"));
    // Start-up itself writes no setting.
    EXPECT_FALSE(std::filesystem::exists(runFolder() / "data" / "vxmr.ini"));
    EXPECT_TRUE(model.IsMenuChecked(MenuItemId::IntervalNone));
    EXPECT_TRUE(model.IsMenuChecked(MenuItemId::SourceFengYun));
    EXPECT_TRUE(model.IsMenuChecked(MenuItemId::QualityFast));
    EXPECT_TRUE(model.IsMenuChecked(MenuItemId::PositionCentre));
    EXPECT_TRUE(model.IsMenuChecked(MenuItemId::Size640));
    EXPECT_EQ(model.TimerPeriod(), kFirstRefreshDelayMs);
}

TEST_F(StartupSequenceTest, AnotherCopyRunningStopsBeforeTheTrayIcon) {
    StartupSteps hooks;
    hooks.singleInstanceGuard = [] { return false; };
    bool checked = false;
    hooks.startupUpdateCheck = [&] { checked = true; };
    EXPECT_FALSE(RunStartupSequence(model, host, runDirectory(), hooks));
    EXPECT_TRUE(host.calls.empty());
    EXPECT_FALSE(checked);
    EXPECT_FALSE(std::filesystem::exists(runFolder() / "data"));
    EXPECT_EQ(model.TimerGeneration(), 0u);
}

TEST_F(StartupSequenceTest, HiddenStartStillArmsTheFirstRefresh) {
    WriteSettings("[设置]\r\n后台运行=真\r\n刷新间隔=3\r\n图片大小=7\r\n");
    std::string before;
    ASSERT_TRUE(RunStartupSequence(model, host, runDirectory()));
    EXPECT_EQ(host.calls, (std::vector<std::string>{"tray Vexmora", "hide"}));
    EXPECT_TRUE(host.marksWhenShown);
    EXPECT_TRUE(host.tray);
    EXPECT_EQ(model.TimerPeriod(), 100);
    EXPECT_EQ(model.SelectedIndex(ListId::Interval), 3);
    EXPECT_TRUE(model.IsMenuChecked(MenuItemId::IntervalThirty));
}

TEST_F(StartupSequenceTest, AFileWhereTheDataFolderShouldBeIsNoReasonToStop) {
    std::ofstream(runFolder() / "data") << "not a folder";
    ASSERT_TRUE(RunStartupSequence(model, host, runDirectory()));
    EXPECT_EQ(model.TimerPeriod(), 100);
    EXPECT_TRUE(host.visible);
}

TEST(Paths, BuiltFromTheRunDirectory) {
    EXPECT_EQ(DataFolder("/opt/vexmora"), "/opt/vexmora/data/");
    EXPECT_EQ(SettingsFile("/opt/vexmora"), "/opt/vexmora/data/vxmr.ini");
    Text run = RunDirectory();
    ASSERT_FALSE(run.empty());
    EXPECT_NE(run.back(), '/');
    // The folder of this test program, not the working folder.
    EXPECT_TRUE(
        std::filesystem::exists(std::filesystem::path(platform::GbkToUtf8(run)) / "shell_tests"));
    EXPECT_EQ(SettingsFile(), run + "/data/vxmr.ini");
}

} // namespace
} // namespace vexmora
