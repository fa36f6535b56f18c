#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "net/Text.h"
#include "platform/CommandRunner.h"

// The desktop background of the running desktop: its picture, and the style in which the
// desktop draws it, kept in the desktop's own settings.
namespace vexmora::platform {

enum class WallpaperStyle { Centred = 0, Tiled = 1, Stretched = 2 };

class DesktopBackground {
public:
    virtual ~DesktopBackground() = default;

    // Shows the encoded picture (PNG, JPEG, BMP, GIF or TIFF, recognised by content) as the
    // background, drawn in the desktop's current style. The desktop is handed a fresh file
    // named after the content, so it reloads even when the picture was shown before.
    virtual bool SetPicture(const Bytes& picture) = 0;

    // Records the style in the desktop's settings; the picture shown takes it at once.
    virtual bool SetStyle(WallpaperStyle style) = 0;
};

// Where the Linux desktop background looks things up and keeps its files. Every field left
// empty takes its default.
struct DesktopBackgroundSetup {
    // Runs the desktop's tools; SystemCommandRunner() by default.
    CommandRunner* runner = nullptr;
    // Reads an environment variable (nothing when unset); the process environment by default.
    std::function<std::optional<std::string>(const std::string&)> environment;
    // UTF-8 folder for the pictures handed to the desktop; $XDG_DATA_HOME/vexmora/wallpaper/.
    std::string pictureFolder;
    // UTF-8 path of the file in which the last style is kept for desktops that keep none
    // (plain X11 setters, sway); $XDG_CONFIG_HOME/vexmora/wallpaper-style.
    std::string styleFile;
    // Receives the one line that says why a change failed; standard error by default.
    std::function<void(const std::string&)> report;
};

// The background of the desktop detected from the environment, in this order:
// XDG_CURRENT_DESKTOP, DESKTOP_SESSION, SWAYSOCK and WAYLAND_DISPLAY, then DISPLAY (plain X11).
std::unique_ptr<DesktopBackground> MakeDesktopBackground(DesktopBackgroundSetup setup = {});

} // namespace vexmora::platform
