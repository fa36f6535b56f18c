#include "acquire/WallpaperActions.h"

#include "imaging/Wallpaper.h"

namespace vexmora {
namespace {

class DesktopWallpaper : public WallpaperActions {
public:
    void SetDesktopWallpaper(const Text& path, int position) override {
        vexmora::SetDesktopWallpaper(path, position);
    }
    void ApplyWallpaper(const Text& path) override { vexmora::ApplyWallpaper(path); }
};

} // namespace

WallpaperActions& DesktopWallpaperActions() {
    static DesktopWallpaper desktop;
    return desktop;
}

} // namespace vexmora
