#pragma once

#include "net/Text.h"

namespace vexmora {

// The two wallpaper operations a refresh cycle calls, behind an interface so that a test can
// watch them instead of changing the desktop. Results are not looked at.
class WallpaperActions {
public:
    virtual ~WallpaperActions() = default;
    // Sets the picture file as wallpaper with the style of `position` (0 centre, 1 tile,
    // 2 stretch).
    virtual void SetDesktopWallpaper(const Text& path, int position) = 0;
    // Sets the picture file as wallpaper in the desktop's current style.
    virtual void ApplyWallpaper(const Text& path) = 0;
};

// The running desktop's wallpaper (imaging/Wallpaper.h).
WallpaperActions& DesktopWallpaperActions();

} // namespace vexmora
