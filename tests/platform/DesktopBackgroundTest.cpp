#include "platform/DesktopBackground.h"

#include "platform/linux/DesktopBackgroundLinux.h"
#include "tests/support/FakeCommandRunner.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <map>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vexmora::platform {
namespace {

using Commands = std::vector<std::vector<std::string>>;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

const Bytes kPng = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 1, 2, 3};
const Bytes kJpeg = {0xFF, 0xD8, 0xFF, 0xE0, 4, 5, 6};

class DesktopBackgroundTest : public ::testing::Test {
protected:
    std::unique_ptr<DesktopBackground> Desktop(std::map<std::string, std::string> env,
                                               bool defaultFolders = false) {
        DesktopBackgroundSetup setup;
        setup.runner = &runner;
        setup.environment = [env](const std::string& name) -> std::optional<std::string> {
            const auto found = env.find(name);
            if (found == env.end())
                return std::nullopt;
            return found->second;
        };
        if (!defaultFolders) {
            setup.pictureFolder = folder();
            setup.styleFile = home() + "style";
        }
        setup.report = [this](const std::string& line) { reports.push_back(line); };
        return MakeDesktopBackground(setup);
    }

    std::string home() const { return dir.slashed(); }
    std::string folder() const { return home() + "pictures/"; }
    std::string Staged(int serial, const char* extension = ".png") const {
        return folder() + "vexmora-wallpaper-" + std::to_string(serial) + extension;
    }
    std::vector<std::string> FilesInFolder() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TempDir dir;
    test::FakeCommandRunner runner;
    std::vector<std::string> reports;
};

TEST_F(DesktopBackgroundTest, EachPictureGetsAFreshFileAndTheThreeNewestAreKept) {
    auto desktop = Desktop({{"DISPLAY", ":3"}});
    for (int i = 1; i <= 5; ++i) {
        ASSERT_TRUE(desktop->SetPicture(kPng));
        EXPECT_EQ(runner.commands.back(),
                  (std::vector<std::string>{"xwallpaper", "--stretch", Staged(i)}));
    }
    EXPECT_THAT(FilesInFolder(), ElementsAre("vexmora-wallpaper-3.png", "vexmora-wallpaper-4.png",
                                             "vexmora-wallpaper-5.png"));

    // Files of other names in the folder are left alone, and the count goes on after them.
    std::ofstream(folder() + "notes.txt") << "mine";
    ASSERT_TRUE(desktop->SetPicture(kJpeg));
    EXPECT_EQ(runner.commands.back().back(), Staged(6, ".jpg"));
    EXPECT_THAT(FilesInFolder(), ElementsAre("notes.txt", "vexmora-wallpaper-4.png",
                                             "vexmora-wallpaper-5.png", "vexmora-wallpaper-6.jpg"));
    std::ifstream shown(Staged(6, ".jpg"), std::ios::binary);
    EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(shown), std::istreambuf_iterator<char>()),
              kJpeg);
}

TEST_F(DesktopBackgroundTest, AFailedChangePrunesNothingAndReportsOneLine) {
    auto desktop = Desktop({{"XDG_CURRENT_DESKTOP", "LXDE"}});
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(desktop->SetPicture(kPng));
    runner.answer = [](const std::vector<std::string>&, CommandResult& result) {
        result.exitCode = 2;
        result.errors = "\n  cannot connect to the desktop manager\nmore\n";
    };
    EXPECT_FALSE(desktop->SetPicture(kPng));
    EXPECT_EQ(FilesInFolder().size(), 4u);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], "vexmora: desktop background not changed: LXDE desktop detected, but "
                          "pcmanfm failed (exit 2): cannot connect to the desktop manager");
}

TEST_F(DesktopBackgroundTest, BytesThatAreNoImageAreNotHandedToTheDesktop) {
    auto desktop = Desktop({{"XDG_CURRENT_DESKTOP", "GNOME"}});
    EXPECT_FALSE(desktop->SetPicture(BytesFromText("<html>error page</html>")));
    EXPECT_TRUE(runner.commands.empty());
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_THAT(reports[0], HasSubstr("not a PNG, JPEG, BMP, GIF or TIFF image"));
}

TEST_F(DesktopBackgroundTest, AMissingToolIsNamedWithTheDesktopDetected) {
    const struct {
        std::map<std::string, std::string> environment;
        std::set<std::string> missing;
        std::string line;
    } cases[] = {
        {{{"XDG_CURRENT_DESKTOP", "GNOME"}},
         {"gsettings"},
         "GNOME desktop detected, but gsettings is not installed"},
        {{{"XDG_CURRENT_DESKTOP", "KDE"}},
         {"dbus-send"},
         "KDE Plasma desktop detected, but dbus-send is not installed"},
        {{{"XDG_CURRENT_DESKTOP", "XFCE"}},
         {"xfconf-query"},
         "XFCE desktop detected, but xfconf-query is not installed"},
        {{{"XDG_CURRENT_DESKTOP", "LXQt"}},
         {"pcmanfm-qt"},
         "LXQt desktop detected, but pcmanfm-qt is not installed"},
        {{{"SWAYSOCK", "/run/sway"}},
         {"swaymsg"},
         "sway/wlroots desktop detected, but swaymsg is not installed"},
        {{{"DISPLAY", ":1"}},
         {"xwallpaper", "hsetroot", "feh"},
         "plain X11 desktop detected, but none of xwallpaper, hsetroot and feh is installed"},
        {{},
         {},
         "no desktop detected (XDG_CURRENT_DESKTOP, DESKTOP_SESSION, WAYLAND_DISPLAY and DISPLAY "
         "name none)"},
    };
    for (const auto& [environment, missing, line] : cases) {
        SCOPED_TRACE(line);
        reports.clear();
        runner.missing = missing;
        auto desktop = Desktop(environment);
        EXPECT_FALSE(desktop->SetPicture(kPng));
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0], "vexmora: desktop background not changed: " + line);
    }
}

TEST_F(DesktopBackgroundTest, ATimeOutIsReported) {
    runner.answer = [](const std::vector<std::string>&, CommandResult& result) {
        result.timedOut = true;
        result.exitCode = -1;
    };
    auto desktop = Desktop({{"XDG_CURRENT_DESKTOP", "MATE"}});
    EXPECT_FALSE(desktop->SetStyle(WallpaperStyle::Tiled));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_THAT(reports[0], HasSubstr("MATE desktop detected, but gsettings timed out after 10 s"));
}

TEST_F(DesktopBackgroundTest, GnomeWithoutADarkPictureKeyStillSucceeds) {
    runner.answer = [](const std::vector<std::string>& arguments, CommandResult& result) {
        if (arguments[3] == "picture-uri-dark") {
            result.exitCode = 1;
            result.errors = "No such key “picture-uri-dark”\n";
        }
    };
    auto desktop = Desktop({{"XDG_CURRENT_DESKTOP", "GNOME"}});
    EXPECT_TRUE(desktop->SetPicture(kPng));
    EXPECT_TRUE(reports.empty());

    // Any other failure of it is one.
    runner.answer = [](const std::vector<std::string>& arguments, CommandResult& result) {
        if (arguments[3] == "picture-uri-dark")
            result.exitCode = 1;
    };
    EXPECT_FALSE(desktop->SetPicture(kPng));
    EXPECT_EQ(reports.size(), 1u);
}

TEST_F(DesktopBackgroundTest, PlainX11KeepsTheStyleInItsFileForLaterPictures) {
    {
        auto desktop = Desktop({{"DISPLAY", ":3"}});
        // No picture yet: the style is only kept.
        ASSERT_TRUE(desktop->SetStyle(WallpaperStyle::Tiled));
        EXPECT_TRUE(runner.commands.empty());
    }
    // A later run of the program draws in that style, and a new style redraws the picture.
    auto desktop = Desktop({{"DISPLAY", ":3"}});
    ASSERT_TRUE(desktop->SetPicture(kPng));
    ASSERT_TRUE(desktop->SetStyle(WallpaperStyle::Centred));
    EXPECT_EQ(runner.commands, (Commands{{"xwallpaper", "--tile", Staged(1)},
                                         {"xwallpaper", "--center", Staged(1)}}));

    std::ofstream(home() + "style") << "garbage\n";
    ASSERT_TRUE(desktop->SetPicture(kPng));
    EXPECT_EQ(runner.commands.back(),
              (std::vector<std::string>{"xwallpaper", "--stretch", Staged(2)}));
}

TEST_F(DesktopBackgroundTest, FoldersDefaultToTheXdgDataAndConfigHomes) {
    auto desktop = Desktop({{"DISPLAY", ":3"},
                            {"XDG_DATA_HOME", home() + "data/"},
                            {"XDG_CONFIG_HOME", home() + "config"}},
                           true);
    ASSERT_TRUE(desktop->SetStyle(WallpaperStyle::Centred));
    ASSERT_TRUE(desktop->SetPicture(kPng));
    EXPECT_EQ(
        runner.commands.back(),
        (std::vector<std::string>{"xwallpaper", "--center",
                                  home() + "data/vexmora/wallpaper/vexmora-wallpaper-1.png"}));
    EXPECT_TRUE(std::filesystem::exists(home() + "config/vexmora/wallpaper-style"));
}

TEST_F(DesktopBackgroundTest, SwayGetsThePathQuotedInItsCommand) {
    DesktopBackgroundSetup setup;
    setup.runner = &runner;
    setup.environment = [](const std::string& name) -> std::optional<std::string> {
        if (name == "SWAYSOCK")
            return "/run/sway";
        return std::nullopt;
    };
    setup.pictureFolder = home() + "my \"odd\" folder";
    setup.styleFile = home() + "style";
    setup.report = [this](const std::string& line) { reports.push_back(line); };
    auto desktop = MakeDesktopBackground(setup);
    ASSERT_TRUE(desktop->SetPicture(kPng));
    EXPECT_EQ(runner.commands.back(),
              (std::vector<std::string>{
                  "swaymsg", "output", "*", "bg",
                  "\"" + home() + "my \\\"odd\\\" folder/vexmora-wallpaper-1.png\"", "stretch"}));
}

TEST_F(DesktopBackgroundTest, XfceCreatesEntriesForEveryMonitorAndWorkspace) {
    runner.answer = [](const std::vector<std::string>& arguments, CommandResult& result) {
        if (arguments[0] == "xrandr")
            result.output = "Monitors: 2\n 0: +*DP-1 1920/527x1080/296+0+0  DP-1\n"
                            " 1: +HDMI-A-1 1280/338x1024/270+1920+0  HDMI-A-1\n";
        else if (arguments.size() > 4 && arguments[4] == "/general/workspace_count")
            result.output = "2\n";
    };
    auto desktop = Desktop({{"XDG_CURRENT_DESKTOP", "XFCE"}});
    ASSERT_TRUE(desktop->SetStyle(WallpaperStyle::Stretched));
    std::vector<std::string> properties;
    for (const auto& command : runner.commands) {
        if (command.size() == 10)
            properties.push_back(command[4] + "=" + command[9]);
    }
    EXPECT_THAT(properties,
                ElementsAre("/backdrop/screen0/monitorDP-1/workspace0/image-style=3",
                            "/backdrop/screen0/monitorDP-1/workspace1/image-style=3",
                            "/backdrop/screen0/monitorHDMI-A-1/workspace0/image-style=3",
                            "/backdrop/screen0/monitorHDMI-A-1/workspace1/image-style=3"));

    // Without xrandr and without xfwm4's count: the one classic entry.
    runner.commands.clear();
    runner.missing = {"xrandr"};
    runner.answer = [](const std::vector<std::string>& arguments, CommandResult& result) {
        if (arguments.size() > 4 && arguments[4] == "/general/workspace_count")
            result.exitCode = 1;
    };
    ASSERT_TRUE(desktop->SetPicture(kPng));
    EXPECT_EQ(runner.commands.back(),
              (std::vector<std::string>{"xfconf-query", "-c", "xfce4-desktop", "-p",
                                        "/backdrop/screen0/monitor0/workspace0/last-image", "-n",
                                        "-t", "string", "-s", Staged(1)}));

    // No session bus: xfconf-query fails and nothing is set.
    runner.commands.clear();
    runner.answer = [](const std::vector<std::string>&, CommandResult& result) {
        result.exitCode = 1;
        result.errors = "Failed to init libxfconf: Cannot autolaunch D-Bus without X11 $DISPLAY.\n";
    };
    EXPECT_FALSE(desktop->SetPicture(kPng));
    EXPECT_EQ(runner.commands.size(), 1u);
    EXPECT_THAT(reports.back(),
                HasSubstr("XFCE desktop detected, but xfconf-query failed (exit 1): "
                          "Failed to init libxfconf"));
}

} // namespace
} // namespace vexmora::platform
