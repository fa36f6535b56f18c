#include "platform/linux/DesktopBackgroundLinux.h"

#include <map>

#include <gtest/gtest.h>

namespace vexmora::platform::desktop {
namespace {

Environment Variables(std::map<std::string, std::string> variables) {
    return [variables](const std::string& name) -> std::optional<std::string> {
        const auto found = variables.find(name);
        if (found == variables.end())
            return std::nullopt;
        return found->second;
    };
}

TEST(DesktopDetectionTest, FollowsTheDocumentedOrder) {
    const struct {
        std::map<std::string, std::string> environment;
        Desktop expected;
    } cases[] = {
        {{{"XDG_CURRENT_DESKTOP", "GNOME"}}, Desktop::Gnome},
        {{{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}}, Desktop::Gnome},
        {{{"XDG_CURRENT_DESKTOP", "Unity:Unity7:ubuntu"}}, Desktop::Gnome},
        {{{"XDG_CURRENT_DESKTOP", "Budgie:GNOME"}}, Desktop::Gnome},
        {{{"XDG_CURRENT_DESKTOP", "Pantheon"}}, Desktop::Gnome},
        {{{"XDG_CURRENT_DESKTOP", "X-Cinnamon"}}, Desktop::Cinnamon},
        {{{"XDG_CURRENT_DESKTOP", "MATE"}}, Desktop::Mate},
        {{{"XDG_CURRENT_DESKTOP", "KDE"}}, Desktop::Kde},
        {{{"XDG_CURRENT_DESKTOP", "XFCE"}}, Desktop::Xfce},
        {{{"XDG_CURRENT_DESKTOP", "LXDE"}}, Desktop::Lxde},
        {{{"XDG_CURRENT_DESKTOP", "LXQt"}}, Desktop::Lxqt},
        {{{"XDG_CURRENT_DESKTOP", "sway"}}, Desktop::Sway},
        {{{"XDG_CURRENT_DESKTOP", "i3"}}, Desktop::PlainX11},
        // The first name that is known wins.
        {{{"XDG_CURRENT_DESKTOP", "Something:KDE:GNOME"}}, Desktop::Kde},
        // XDG_CURRENT_DESKTOP before DESKTOP_SESSION before the display variables.
        {{{"XDG_CURRENT_DESKTOP", "XFCE"}, {"DESKTOP_SESSION", "gnome"}, {"DISPLAY", ":0"}},
         Desktop::Xfce},
        {{{"XDG_CURRENT_DESKTOP", "unknown"}, {"DESKTOP_SESSION", "plasmawayland"}}, Desktop::Kde},
        {{{"DESKTOP_SESSION", "/usr/share/xsessions/cinnamon"}}, Desktop::Cinnamon},
        {{{"DESKTOP_SESSION", "LXDE-pi"}, {"WAYLAND_DISPLAY", "wayland-0"}}, Desktop::Lxde},
        {{{"DESKTOP_SESSION", "openbox"}, {"WAYLAND_DISPLAY", "wayland-0"}}, Desktop::PlainX11},
        {{{"SWAYSOCK", "/run/user/1000/sway-ipc.sock"}, {"DISPLAY", ":0"}}, Desktop::Sway},
        // A Wayland compositor of no known desktop: X11 setters would paint an invisible
        // root window, so the wlroots way is tried.
        {{{"WAYLAND_DISPLAY", "wayland-1"}, {"DISPLAY", ":0"}}, Desktop::Sway},
        {{{"DISPLAY", ":0"}}, Desktop::PlainX11},
        {{{"XDG_CURRENT_DESKTOP", ""}, {"DISPLAY", ""}}, Desktop::None},
        {{}, Desktop::None},
    };
    for (const auto& [environment, expected] : cases) {
        std::string trace;
        for (const auto& [name, value] : environment)
            trace += name + "=" + value + " ";
        SCOPED_TRACE(trace);
        EXPECT_EQ(DetectDesktop(Variables(environment)), expected);
    }
}

TEST(DesktopDetectionTest, FileUrisEscapeEverythingButPlainCharacters) {
    EXPECT_EQ(FileUri("/home/a/vexmora-wallpaper-1.png"), "file:///home/a/vexmora-wallpaper-1.png");
    EXPECT_EQ(FileUri("/home/my pics/it's #1?.png"), "file:///home/my%20pics/it%27s%20%231%3F.png");
    EXPECT_EQ(FileUri("/home/桌面"), "file:///home/%E6%A1%8C%E9%9D%A2");
}

TEST(DesktopDetectionTest, PictureExtensionFollowsTheContent) {
    const struct {
        Bytes content;
        std::string extension;
    } cases[] = {
        {{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0}, ".png"},
        {{0xFF, 0xD8, 0xFF, 0xE0}, ".jpg"},
        {Bytes{'B', 'M'}, ""}, // too short for a bitmap header
        {[] {
             Bytes bitmap(54, 0);
             bitmap[0] = 'B';
             bitmap[1] = 'M';
             return bitmap;
         }(),
         ".bmp"},
        {{'G', 'I', 'F', '8', '9', 'a'}, ".gif"},
        {{'I', 'I', 0x2A, 0}, ".tiff"},
        {{'M', 'M', 0, 0x2A}, ".tiff"},
        {{'<', 'h', 't', 'm', 'l', '>'}, ""},
        {{}, ""},
    };
    for (const auto& [content, extension] : cases)
        EXPECT_EQ(PictureExtension(content), extension);
}

} // namespace
} // namespace vexmora::platform::desktop
