// The desktop background against the real tools where they run headless: gsettings with its
// keyfile back end, xfconf-query on a private session bus, and root-window setters on Xvfb.

#include "platform/DesktopBackground.h"

#include "platform/CommandRunner.h"
#include "platform/ImageCodec.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/SessionBus.h"
#include "tests/support/TempDir.h"
#include "tests/support/Xvfb.h"

#include <map>
#include <set>

#include <gtest/gtest.h>

namespace vexmora::platform {
namespace {

struct Colour {
    std::uint8_t red, green, blue;
};

// A width x height picture whose left half is `left` and right half `right`.
Bytes HalvesPicture(int width, int height, Colour left, Colour right) {
    DecodedImage image;
    image.width = width;
    image.height = height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Colour c = x < width / 2 ? left : right;
            image.pixels.insert(image.pixels.end(), {c.blue, c.green, c.red, 255});
        }
    }
    return EncodePng(image).value();
}

// The real runner, with some programs hidden as if they were not installed.
class HidingRunner : public CommandRunner {
public:
    explicit HidingRunner(std::set<std::string> hidden) : hidden_(std::move(hidden)) {}
    CommandResult Run(const std::vector<std::string>& arguments, long timeLimitMs) override {
        if (hidden_.count(arguments.front()))
            return {};
        return SystemCommandRunner().Run(arguments, timeLimitMs);
    }
    bool IsInstalled(const std::string& program) override {
        return !hidden_.count(program) && SystemCommandRunner().IsInstalled(program);
    }

private:
    std::set<std::string> hidden_;
};

using Variables = std::map<std::string, std::string>;

std::unique_ptr<DesktopBackground> RealDesktop(const Variables& variables, const test::TempDir& dir,
                                               std::vector<std::string>& reports,
                                               CommandRunner* runner = nullptr) {
    DesktopBackgroundSetup setup;
    setup.runner = runner;
    setup.environment = [variables](const std::string& name) -> std::optional<std::string> {
        const auto found = variables.find(name);
        if (found == variables.end())
            return std::nullopt;
        return found->second;
    };
    setup.pictureFolder = dir.slashed() + "pictures/";
    setup.styleFile = dir.slashed() + "style";
    setup.report = [&reports](const std::string& line) { reports.push_back(line); };
    return MakeDesktopBackground(setup);
}

std::string Query(const std::vector<std::string>& command) {
    const CommandResult result = SystemCommandRunner().Run(command);
    EXPECT_TRUE(result.Succeeded()) << result.errors;
    return result.output;
}

TEST(DesktopRealToolsTest, GsettingsKeepsPictureAndStyleAndApplyingLeavesTheStyle) {
    CommandRunner& runner = SystemCommandRunner();
    if (!runner.IsInstalled("gsettings") ||
        !runner.Run({"gsettings", "list-keys", "org.gnome.desktop.background"}).Succeeded())
        GTEST_SKIP() << "gsettings or the GNOME background schema is missing";
    test::TempDir dir;
    test::ScopedEnvironment environment;
    environment.Set("GSETTINGS_BACKEND", "keyfile");
    environment.Set("XDG_CONFIG_HOME", dir.slashed() + "config");
    std::vector<std::string> reports;
    auto desktop = RealDesktop({{"XDG_CURRENT_DESKTOP", "GNOME"}}, dir, reports);
    const Bytes picture = HalvesPicture(4, 4, {255, 0, 0}, {0, 0, 255});

    // What SetDesktopWallpaper(path, 1) and then ApplyWallpaper do to the desktop.
    ASSERT_TRUE(desktop->SetPicture(picture));
    ASSERT_TRUE(desktop->SetStyle(WallpaperStyle::Tiled));
    ASSERT_TRUE(desktop->SetPicture(picture));
    EXPECT_TRUE(reports.empty());

    const std::string uri = "'file://" + dir.slashed() + "pictures/vexmora-wallpaper-2.png'\n";
    EXPECT_EQ(Query({"gsettings", "get", "org.gnome.desktop.background", "picture-uri"}), uri);
    EXPECT_EQ(Query({"gsettings", "get", "org.gnome.desktop.background", "picture-uri-dark"}), uri);
    EXPECT_EQ(Query({"gsettings", "get", "org.gnome.desktop.background", "picture-options"}),
              "'wallpaper'\n");

    for (const auto& [style, options] : {std::pair{WallpaperStyle::Centred, "'centered'\n"},
                                         std::pair{WallpaperStyle::Stretched, "'stretched'\n"}}) {
        ASSERT_TRUE(desktop->SetStyle(style));
        EXPECT_EQ(Query({"gsettings", "get", "org.gnome.desktop.background", "picture-options"}),
                  options);
    }
}

TEST(DesktopRealToolsTest, XfconfGetsEveryWorkspaceOfEveryMonitor) {
    if (!SystemCommandRunner().IsInstalled("xfconf-query"))
        GTEST_SKIP() << "xfconf-query is not installed";
    test::TempDir dir;
    auto bus = test::SessionBus::Start({{"XDG_CONFIG_HOME", dir.slashed() + "config"}});
    if (!bus)
        GTEST_SKIP() << "no session bus";
    test::ScopedEnvironment environment;
    environment.Set("DBUS_SESSION_BUS_ADDRESS", bus->address());
    // A session xfdesktop has seen: one monitor with one workspace entry, two workspaces.
    const std::string monitor = "/backdrop/screen0/monitorVirtual-1";
    Query({"xfconf-query", "-c", "xfce4-desktop", "-p", monitor + "/workspace0/last-image", "-n",
           "-t", "string", "-s", "/usr/share/old.png"});
    Query({"xfconf-query", "-c", "xfwm4", "-p", "/general/workspace_count", "-n", "-t", "int", "-s",
           "2"});

    std::vector<std::string> reports;
    auto desktop = RealDesktop({{"XDG_CURRENT_DESKTOP", "XFCE"}}, dir, reports);
    ASSERT_TRUE(desktop->SetPicture(HalvesPicture(4, 4, {0, 255, 0}, {0, 0, 0})));
    ASSERT_TRUE(desktop->SetStyle(WallpaperStyle::Stretched));
    EXPECT_TRUE(reports.empty());

    for (const char* workspace : {"/workspace0", "/workspace1"}) {
        SCOPED_TRACE(workspace);
        EXPECT_EQ(Query({"xfconf-query", "-c", "xfce4-desktop", "-p",
                         monitor + workspace + "/last-image"}),
                  dir.slashed() + "pictures/vexmora-wallpaper-1.png\n");
        EXPECT_EQ(Query({"xfconf-query", "-c", "xfce4-desktop", "-p",
                         monitor + workspace + "/image-style"}),
                  "3\n");
    }
}

bool Near(std::uint32_t pixel, Colour colour) {
    auto close = [](int a, int b) { return a - b < 24 && b - a < 24; };
    return close(pixel & 0xFF, colour.red) && close((pixel >> 8) & 0xFF, colour.green) &&
           close((pixel >> 16) & 0xFF, colour.blue);
}

// Changes between red and blue along one row.
int ColourChanges(const test::Screenshot& shot, int y, Colour a, Colour b) {
    int changes = 0;
    int last = -1;
    for (int x = 0; x < shot.width; ++x) {
        const std::uint32_t pixel = shot.Pixel(x, y);
        const int now = Near(pixel, a) ? 0 : Near(pixel, b) ? 1 : -1;
        if (now >= 0 && last >= 0 && now != last)
            ++changes;
        if (now >= 0)
            last = now;
    }
    return changes;
}

TEST(DesktopRealToolsTest, RootWindowSettersDrawCentredTiledAndStretched) {
    auto xvfb = test::Xvfb::Start(320, 240);
    if (!xvfb)
        GTEST_SKIP() << "Xvfb is not available";
    if (!SystemCommandRunner().IsInstalled("import"))
        GTEST_SKIP() << "ImageMagick's import is needed to read the screen back";
    test::ScopedEnvironment environment;
    environment.Set("DISPLAY", xvfb->display());

    const Colour red{255, 0, 0}, blue{0, 0, 255}, green{0, 255, 0};
    const Bytes picture = HalvesPicture(40, 30, red, blue);
    const struct {
        const char* tool;
        std::set<std::string> hidden;
    } tools[] = {
        {"xwallpaper", {}}, {"hsetroot", {"xwallpaper"}}, {"feh", {"xwallpaper", "hsetroot"}}};
    int tested = 0;
    for (const auto& [tool, hidden] : tools) {
        if (!SystemCommandRunner().IsInstalled(tool))
            continue;
        SCOPED_TRACE(tool);
        ++tested;
        test::TempDir dir;
        HidingRunner runner(hidden);
        std::vector<std::string> reports;
        auto desktop = RealDesktop({{"DISPLAY", xvfb->display()}}, dir, reports, &runner);
        ASSERT_TRUE(desktop->SetPicture(picture));

        ASSERT_TRUE(desktop->SetStyle(WallpaperStyle::Centred));
        auto shot = xvfb->GrabRoot();
        ASSERT_TRUE(shot);
        EXPECT_TRUE(Near(shot->Pixel(150, 120), red));
        EXPECT_TRUE(Near(shot->Pixel(170, 120), blue));
        EXPECT_FALSE(Near(shot->Pixel(100, 120), red) || Near(shot->Pixel(100, 120), blue));
        EXPECT_FALSE(Near(shot->Pixel(5, 5), red) || Near(shot->Pixel(5, 5), blue));

        ASSERT_TRUE(desktop->SetStyle(WallpaperStyle::Tiled));
        shot = xvfb->GrabRoot();
        ASSERT_TRUE(shot);
        // 320 pixels of 20-pixel halves: red and blue take turns all along the row, and
        // every corner holds the picture.
        EXPECT_GE(ColourChanges(*shot, 120, red, blue), 12);
        for (const auto& [x, y] : {std::pair{2, 2}, {317, 2}, {2, 237}, {317, 237}})
            EXPECT_TRUE(Near(shot->Pixel(x, y), red) || Near(shot->Pixel(x, y), blue));

        ASSERT_TRUE(desktop->SetStyle(WallpaperStyle::Stretched));
        shot = xvfb->GrabRoot();
        ASSERT_TRUE(shot);
        EXPECT_EQ(ColourChanges(*shot, 120, red, blue), 1);
        // Away from the edges, where scaling filters blend in the border.
        EXPECT_TRUE(Near(shot->Pixel(12, 12), red));
        EXPECT_TRUE(Near(shot->Pixel(140, 228), red));
        EXPECT_TRUE(Near(shot->Pixel(308, 228), blue));

        // A new picture shows at once, in the style kept.
        ASSERT_TRUE(desktop->SetPicture(HalvesPicture(40, 30, green, green)));
        shot = xvfb->GrabRoot();
        ASSERT_TRUE(shot);
        EXPECT_TRUE(Near(shot->Pixel(12, 12), green));
        EXPECT_TRUE(Near(shot->Pixel(308, 228), green));
        EXPECT_TRUE(reports.empty());
    }
    EXPECT_GT(tested, 0) << "no root-window setter is installed";
}

} // namespace
} // namespace vexmora::platform
