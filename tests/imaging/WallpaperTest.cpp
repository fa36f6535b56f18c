#include "imaging/Wallpaper.h"

#include "imaging/ConvertImage.h"
#include "platform/FileSystem.h"
#include "platform/ImageCodec.h"
#include "platform/SpecialFolder.h"
#include "tests/support/FakeCommandRunner.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <map>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vexmora {
namespace {

using Commands = std::vector<std::vector<std::string>>;
using ::testing::HasSubstr;

// A one-colour picture; colours as B, G, R bytes.
Bytes Picture(int width, int height, std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    platform::DecodedImage image;
    image.width = width;
    image.height = height;
    for (int i = 0; i < width * height; ++i)
        image.pixels.insert(image.pixels.end(), {blue, green, red, 255});
    return platform::EncodePng(image).value();
}

// BMP bytes under a PNG name, the way the refresh cycle leaves "vxmr.png".
Bytes BitmapPicture(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    Bytes bitmap;
    EXPECT_TRUE(ConvertImage(Picture(8, 6, blue, green, red), ImageFormat::Bmp, {}, &bitmap));
    return bitmap;
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// One desktop session: its environment, a fake runner, our folders in a temporary folder.
class WallpaperTest : public ::testing::Test {
protected:
    void SetUp() override {
        home = dir.slashed();
        environment_.Set("XDG_DATA_HOME", home + "data");
        picture = home + "vxmr.png";
        ASSERT_TRUE(platform::WriteWholeFile(picture, BitmapPicture(0, 0, 255)));
    }

    std::unique_ptr<platform::DesktopBackground> Desktop(std::map<std::string, std::string> env) {
        platform::DesktopBackgroundSetup setup;
        setup.runner = &runner;
        setup.environment = [env](const std::string& name) -> std::optional<std::string> {
            const auto found = env.find(name);
            if (found == env.end())
                return std::nullopt;
            return found->second;
        };
        setup.pictureFolder = home + "pictures/";
        setup.styleFile = home + "style";
        setup.report = [this](const std::string& line) { reports.push_back(line); };
        return platform::MakeDesktopBackground(setup);
    }

    std::string Staged(int serial) const {
        return home + "pictures/vexmora-wallpaper-" + std::to_string(serial) + ".png";
    }

    test::TempDir dir;
    test::ScopedEnvironment environment_;
    test::FakeCommandRunner runner;
    std::vector<std::string> reports;
    std::string home;
    std::string picture;
};

std::string FileUri(const std::string& path) {
    return "file://" + path;
}

struct DesktopCase {
    const char* name;
    std::map<std::string, std::string> environment;
    // The commands for the picture, then for the style, given the picture handed over and
    // the position as the desktop spells it.
    std::function<Commands(const std::string& file)> picture;
    std::function<Commands(int style)> style;
    std::set<std::string> missing = {};
};

const char* kGnomeOptions[] = {"centered", "wallpaper", "stretched"};
const char* kCommonModes[] = {"center", "tile", "stretch"};

std::vector<DesktopCase> DesktopCases() {
    const std::string xfceMonitor = "/backdrop/screen0/monitorVirtual-1";
    auto xfceQueries = Commands{{"xfconf-query", "-c", "xfce4-desktop", "-l"},
                                {"xfconf-query", "-c", "xfwm4", "-p", "/general/workspace_count"}};
    auto xfceSet = [=](const std::string& property, const std::string& type,
                       const std::string& value) {
        Commands commands = xfceQueries;
        for (const char* workspace : {"/workspace0/", "/workspace1/"})
            commands.push_back({"xfconf-query", "-c", "xfce4-desktop", "-p",
                                xfceMonitor + workspace + property, "-n", "-t", type, "-s", value});
        return commands;
    };
    return {
        {"GNOME",
         {{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}},
         [](const std::string& file) {
             return Commands{{"gsettings", "set", "org.gnome.desktop.background", "picture-uri",
                              "'" + FileUri(file) + "'"},
                             {"gsettings", "set", "org.gnome.desktop.background",
                              "picture-uri-dark", "'" + FileUri(file) + "'"}};
         },
         [](int style) {
             return Commands{{"gsettings", "set", "org.gnome.desktop.background", "picture-options",
                              kGnomeOptions[style]}};
         }},
        {"Cinnamon",
         {{"XDG_CURRENT_DESKTOP", "X-Cinnamon"}},
         [](const std::string& file) {
             return Commands{{"gsettings", "set", "org.cinnamon.desktop.background", "picture-uri",
                              "'" + FileUri(file) + "'"}};
         },
         [](int style) {
             return Commands{{"gsettings", "set", "org.cinnamon.desktop.background",
                              "picture-options", kGnomeOptions[style]}};
         }},
        {"MATE",
         {{"DESKTOP_SESSION", "mate"}},
         [](const std::string& file) {
             return Commands{
                 {"gsettings", "set", "org.mate.background", "picture-filename", "'" + file + "'"}};
         },
         [](int style) {
             return Commands{{"gsettings", "set", "org.mate.background", "picture-options",
                              kGnomeOptions[style]}};
         }},
        {"XFCE",
         {{"XDG_CURRENT_DESKTOP", "XFCE"}},
         [=](const std::string& file) { return xfceSet("last-image", "string", file); },
         [=](int style) { return xfceSet("image-style", "int", std::to_string(style + 1)); }},
        {"LXDE",
         {{"XDG_CURRENT_DESKTOP", "LXDE"}},
         [](const std::string& file) {
             return Commands{{"pcmanfm", "--set-wallpaper=" + file}};
         },
         [](int style) {
             return Commands{{"pcmanfm", std::string("--wallpaper-mode=") + kCommonModes[style]}};
         }},
        {"LXQt",
         {{"XDG_CURRENT_DESKTOP", "LXQt"}},
         [](const std::string& file) {
             return Commands{{"pcmanfm-qt", "--set-wallpaper=" + file}};
         },
         [](int style) {
             return Commands{
                 {"pcmanfm-qt", std::string("--wallpaper-mode=") + kCommonModes[style]}};
         }},
        // sway and plain X11 keep no style: the picture is drawn in the style of our style
        // file (stretched before any was recorded), the style is drawn with the picture.
        {"sway",
         {{"SWAYSOCK", "/run/user/1000/sway-ipc.sock"}, {"WAYLAND_DISPLAY", "wayland-1"}},
         [](const std::string& file) {
             return Commands{{"swaymsg", "output", "*", "bg", "\"" + file + "\"", "stretch"}};
         },
         nullptr},
        {"plain X11 with xwallpaper",
         {{"DISPLAY", ":7"}, {"XDG_CURRENT_DESKTOP", "i3"}},
         [](const std::string& file) {
             return Commands{{"xwallpaper", "--stretch", file}};
         },
         nullptr},
        {"plain X11 with hsetroot",
         {{"DISPLAY", ":7"}},
         [](const std::string& file) {
             return Commands{{"hsetroot", "-fill", file}};
         },
         nullptr,
         {"xwallpaper"}},
        {"plain X11 with feh",
         {{"DISPLAY", ":7"}},
         [](const std::string& file) {
             return Commands{{"feh", "--bg-scale", file}};
         },
         nullptr,
         {"xwallpaper", "hsetroot"}},
    };
}

// The style commands of sway and plain X11: the picture drawn again in the new style.
Commands StatelessStyle(const DesktopCase& desktop, const std::string& file, int style) {
    Commands drawn = desktop.picture(file);
    std::string& option = drawn.front()[drawn.front().size() == 6 ? 5 : 1];
    static const std::map<std::string, std::vector<std::string>> kOptions = {
        {"stretch", {"center", "tile", "stretch"}},
        {"--stretch", {"--center", "--tile", "--stretch"}},
        {"-fill", {"-center", "-tile", "-fill"}},
        {"--bg-scale", {"--bg-center", "--bg-tile", "--bg-scale"}}};
    option = kOptions.at(option)[style];
    return drawn;
}

void AnswerXfce(const std::vector<std::string>& arguments, platform::CommandResult& result) {
    if (arguments.size() >= 4 && arguments[0] == "xfconf-query" && arguments.back() == "-l")
        result.output = "/backdrop/screen0/monitorVirtual-1/workspace0/last-image\n"
                        "/backdrop/screen0/monitorVirtual-1/workspace1/image-style\n";
    if (arguments.size() >= 5 && arguments[4] == "/general/workspace_count")
        result.output = "1\n";
}

TEST_F(WallpaperTest, EachDesktopGetsThePictureThenTheStyleOfThePosition) {
    // Positions outside 0..2 are centred, like position 0.
    const std::pair<int, int> positions[] = {{0, 0}, {1, 1}, {2, 2}, {5, 0}, {-1, 0}};
    for (const DesktopCase& desktop : DesktopCases()) {
        for (const auto& [position, style] : positions) {
            SCOPED_TRACE(std::string(desktop.name) + ", position " + std::to_string(position));
            std::filesystem::remove_all(home + "pictures");
            std::filesystem::remove(home + "style");
            runner.commands.clear();
            runner.missing = desktop.missing;
            runner.answer = AnswerXfce;

            auto background = Desktop(desktop.environment);
            ASSERT_TRUE(SetDesktopWallpaper(picture, position, *background));

            const std::string file = Staged(1);
            Commands expected = desktop.picture(file);
            const Commands styled =
                desktop.style ? desktop.style(style) : StatelessStyle(desktop, file, style);
            expected.insert(expected.end(), styled.begin(), styled.end());
            EXPECT_EQ(runner.commands, expected);
            EXPECT_TRUE(reports.empty());
        }
    }
}

TEST_F(WallpaperTest, KdeRunsOneScriptForThePictureAndOneForTheFillMode) {
    const std::pair<int, int> positions[] = {{0, 6}, {1, 3}, {2, 0}, {5, 6}, {-1, 6}};
    int serial = 0;
    for (const auto& [position, fillMode] : positions) {
        SCOPED_TRACE(position);
        runner.commands.clear();
        auto background = Desktop({{"XDG_CURRENT_DESKTOP", "KDE"}});
        ASSERT_TRUE(SetDesktopWallpaper(picture, position, *background));
        ++serial;
        ASSERT_EQ(runner.commands.size(), 2u);
        for (const auto& command : runner.commands) {
            ASSERT_EQ(command.size(), 7u);
            EXPECT_EQ(std::vector<std::string>(command.begin(), command.begin() + 6),
                      (std::vector<std::string>{"dbus-send", "--session", "--print-reply",
                                                "--dest=org.kde.plasmashell", "/PlasmaShell",
                                                "org.kde.PlasmaShell.evaluateScript"}));
            EXPECT_THAT(command[6], HasSubstr("string:var all = desktops();"));
        }
        EXPECT_THAT(runner.commands[0][6], HasSubstr("d.wallpaperPlugin = \"org.kde.image\";"));
        EXPECT_THAT(runner.commands[0][6],
                    HasSubstr("d.writeConfig(\"Image\", \"" + FileUri(Staged(serial)) + "\");"));
        EXPECT_THAT(runner.commands[0][6], ::testing::Not(HasSubstr("FillMode")));
        EXPECT_THAT(runner.commands[1][6],
                    HasSubstr("d.writeConfig(\"FillMode\", " + std::to_string(fillMode) + ");"));
    }
}

TEST_F(WallpaperTest, ApplyWallpaperSetsTheBitmapsPictureAndNeverTheStyle) {
    for (const DesktopCase& desktop : DesktopCases()) {
        SCOPED_TRACE(desktop.name);
        std::filesystem::remove_all(home + "pictures");
        std::filesystem::remove(home + "style");
        runner.missing = desktop.missing;
        runner.answer = AnswerXfce;
        auto background = Desktop(desktop.environment);
        ASSERT_TRUE(SetDesktopWallpaper(picture, 1, *background));
        runner.commands.clear();

        ASSERT_TRUE(ApplyWallpaper(picture, *background));

        // Only the picture commands; desktops without a style of their own draw it in the
        // style set last, tiled.
        const std::string file = Staged(2);
        const Commands expected =
            desktop.style ? desktop.picture(file) : StatelessStyle(desktop, file, 1);
        EXPECT_EQ(runner.commands, expected);
    }
}

TEST_F(WallpaperTest, TheBitmapIsWrittenIntoTheBackgroundsFolderAndTheDesktopGetsItsPixels) {
    const std::string data = home + "data/";
    ASSERT_TRUE(platform::WriteWholeFile(picture, BitmapPicture(10, 200, 30)));
    auto background = Desktop({{"DISPLAY", ":7"}});

    ASSERT_TRUE(ApplyWallpaper(picture, *background));

    EXPECT_EQ(WallpaperBitmapPath(), data + "backgrounds/" + "桌面背景图片.bmp");
    const Bytes bitmap = platform::ReadWholeFile(WallpaperBitmapPath()).value_or(Bytes{});
    ASSERT_GE(bitmap.size(), 2u);
    EXPECT_EQ(bitmap[0], 'B');
    EXPECT_EQ(bitmap[1], 'M');
    // Nothing lands in the folder of the picture itself.
    EXPECT_FALSE(platform::FileExists(home + "桌面背景图片.bmp"));

    // The desktop is handed a PNG whose name says so, with the bitmap's pixels.
    ASSERT_EQ(runner.commands.size(), 1u);
    const std::string handed = runner.commands[0].back();
    EXPECT_EQ(handed, Staged(1));
    const auto decoded = platform::DecodePng(ReadFile(handed));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, 8);
    EXPECT_EQ(decoded->height, 6);
    EXPECT_EQ(decoded->pixels[0], 10);
    EXPECT_EQ(decoded->pixels[1], 200);
    EXPECT_EQ(decoded->pixels[2], 30);
}

TEST_F(WallpaperTest, WithoutABackgroundsFolderNoBitmapLandsInTheWorkingFolder) {
    ASSERT_TRUE(platform::WriteWholeFile(home + "blocker", Text("a file, not a folder")));
    environment_.Set("XDG_DATA_HOME", home + "blocker");
    const std::filesystem::path working = std::filesystem::current_path();
    std::filesystem::create_directories(home + "work");
    std::filesystem::current_path(home + "work");
    auto background = Desktop({{"DISPLAY", ":7"}});

    const bool applied = ApplyWallpaper(picture, *background);

    std::filesystem::current_path(working);
    EXPECT_TRUE(applied);
    EXPECT_TRUE(std::filesystem::is_empty(home + "work"));
    EXPECT_EQ(runner.commands, (Commands{{"xwallpaper", "--stretch", Staged(1)}}));
}

TEST_F(WallpaperTest, APictureThatIsMissingOrNoImageChangesNothing) {
    ASSERT_TRUE(platform::WriteWholeFile(home + "broken.png", Text("not a picture at all")));
    for (const std::string& path : {home + "missing.png", home + "broken.png"}) {
        SCOPED_TRACE(path);
        auto background = Desktop({{"XDG_CURRENT_DESKTOP", "GNOME"}});
        EXPECT_FALSE(SetDesktopWallpaper(path, 2, *background));
        EXPECT_FALSE(ApplyWallpaper(path, *background));
        EXPECT_TRUE(runner.commands.empty());
    }
    EXPECT_FALSE(platform::FileExists(WallpaperBitmapPath()));
}

TEST_F(WallpaperTest, TheSamePathWithNewContentReachesTheDesktopEachTime) {
    auto background = Desktop({{"XDG_CURRENT_DESKTOP", "GNOME"}});
    ASSERT_TRUE(SetDesktopWallpaper(picture, 2, *background));
    ASSERT_TRUE(platform::WriteWholeFile(picture, BitmapPicture(0, 255, 0)));
    ASSERT_TRUE(ApplyWallpaper(picture, *background));

    ASSERT_EQ(runner.commands.size(), 5u);
    const std::string first = runner.commands[0][4];
    const std::string second = runner.commands[3][4];
    EXPECT_NE(first, second);
    EXPECT_EQ(second, "'" + FileUri(Staged(2)) + "'");
    // Both files still hold what each call showed: red, then green.
    const auto red = platform::DecodePng(ReadFile(Staged(1)));
    const auto green = platform::DecodePng(ReadFile(Staged(2)));
    ASSERT_TRUE(red && green);
    EXPECT_EQ(red->pixels[2], 255);
    EXPECT_EQ(green->pixels[1], 255);
    EXPECT_EQ(green->pixels[2], 0);
}

TEST_F(WallpaperTest, TheFirstFailureEndsTheCallWithOneLineSayingWhy) {
    // The picture fails: the style is never tried.
    runner.answer = [](const std::vector<std::string>& arguments, platform::CommandResult& result) {
        if (arguments[3] == "picture-uri") {
            result.exitCode = 1;
            result.errors = "No such schema “org.gnome.desktop.background”\n";
        }
    };
    auto gnome = Desktop({{"XDG_CURRENT_DESKTOP", "GNOME"}});
    EXPECT_FALSE(SetDesktopWallpaper(picture, 1, *gnome));
    EXPECT_EQ(runner.commands.size(), 1u);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0],
              "vexmora: desktop background not changed: GNOME desktop detected, but "
              "gsettings failed (exit 1): No such schema “org.gnome.desktop.background”");

    // No desktop at all.
    reports.clear();
    runner.commands.clear();
    auto none = Desktop({});
    EXPECT_FALSE(SetDesktopWallpaper(picture, 0, *none));
    EXPECT_FALSE(ApplyWallpaper(picture, *none));
    EXPECT_TRUE(runner.commands.empty());
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_THAT(reports[0], HasSubstr("no desktop detected"));
}

} // namespace
} // namespace vexmora
