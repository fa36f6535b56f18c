#pragma once

#include "net/Text.h"
#include "platform/DesktopBackground.h"

namespace vexmora {

// The wallpaper position setting: 0 centred, 1 tiled, 2 stretched, 3 the desktop's own style
// (ApplyWallpaper).
enum WallpaperPosition : int {
    kPositionCentred = 0,
    kPositionTiled = 1,
    kPositionStretched = 2,
    kPositionDesktopStyle = 3,
};

// The name of the bitmap ApplyWallpaper writes into the folder of SpecialFolderPath(9).
inline constexpr const char kWallpaperBitmapName[] = "桌面背景图片.bmp";

// SpecialFolderPath(9) followed by the bitmap's name (GBK, '/' separators).
Text WallpaperBitmapPath();

// Makes the picture file (a GBK path) the desktop background and records the style of the
// position in the desktop's settings; a position outside 0..2 counts as 0. Stops at the first
// failure: a picture that cannot be read or decoded, then the picture, then the style.
bool SetDesktopWallpaper(const Text& path, int position = kPositionCentred);
bool SetDesktopWallpaper(const Text& path, int position, platform::DesktopBackground& desktop);

// Converts the picture file into the BMP file WallpaperBitmapPath() and makes that picture the
// background in the desktop's current style, which it leaves as it is. False, with the
// background unchanged, when the picture cannot be read or decoded. When that folder cannot be
// had no bitmap file is written, and the desktop still gets the picture.
bool ApplyWallpaper(const Text& path);
bool ApplyWallpaper(const Text& path, platform::DesktopBackground& desktop);

} // namespace vexmora
