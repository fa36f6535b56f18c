#include "imaging/Wallpaper.h"

#include "imaging/ConvertImage.h"
#include "platform/FileSystem.h"
#include "platform/SpecialFolder.h"

namespace vexmora {
namespace {

platform::WallpaperStyle StyleOfPosition(int position) {
    switch (position) {
    case kPositionTiled:
        return platform::WallpaperStyle::Tiled;
    case kPositionStretched:
        return platform::WallpaperStyle::Stretched;
    default:
        return platform::WallpaperStyle::Centred;
    }
}

// Every desktop reads PNG, not every one reads BMP (xwallpaper does not, and "vxmr.png" holds
// BMP bytes), so the desktop is always handed a PNG of the picture.
bool DesktopPicture(const Bytes& source, Bytes& png) {
    return ConvertImage(source, ImageFormat::Png, {}, &png);
}

} // namespace

Text WallpaperBitmapPath() {
    return platform::SpecialFolderPath(platform::kWindowsFolder) + kWallpaperBitmapName;
}

bool SetDesktopWallpaper(const Text& path, int position, platform::DesktopBackground& desktop) {
    const platform::WallpaperStyle style = StyleOfPosition(position);
    Bytes png;
    if (!DesktopPicture(platform::ReadWholeFile(path).value_or(Bytes{}), png))
        return false;
    if (!desktop.SetPicture(png))
        return false;
    return desktop.SetStyle(style);
}

bool SetDesktopWallpaper(const Text& path, int position) {
    const auto desktop = platform::MakeDesktopBackground();
    return SetDesktopWallpaper(path, position, *desktop);
}

bool ApplyWallpaper(const Text& path, platform::DesktopBackground& desktop) {
    // Without its folder the bitmap would land in whatever the working folder is; the
    // desktop is then given the picture without a bitmap file.
    const Text folder = platform::SpecialFolderPath(platform::kWindowsFolder);
    const Text bitmapPath = folder.empty() ? Text() : folder + kWallpaperBitmapName;
    Bytes bitmap;
    if (!ConvertImage(platform::ReadWholeFile(path).value_or(Bytes{}), ImageFormat::Bmp, bitmapPath,
                      &bitmap))
        return false;
    Bytes png;
    if (!DesktopPicture(bitmap, png))
        return false;
    return desktop.SetPicture(png);
}

bool ApplyWallpaper(const Text& path) {
    const auto desktop = platform::MakeDesktopBackground();
    return ApplyWallpaper(path, *desktop);
}

} // namespace vexmora
