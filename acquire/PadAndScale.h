#pragma once

#include "net/Text.h"

namespace vexmora {

// The size "vxmr.png" is scaled to, by the `size` setting; 0 x 0 for an index outside 0..3.
struct CycleSize {
    int width = 0;
    int height = 0;
};
CycleSize CycleSizeFor(int size);

// The black strips put left and right of a square Earth picture so that it takes a 4:3 shape.
enum class PadStripKind {
    Fast550,        // 91 x 550, every fast picture
    FengYunHd1024,  // 170 x 1024, a FengYun-4A high-definition picture
    HimawariHd1100, // 183 x 1100, a Himawari-8 high-definition picture
};

// A PNG of 8-bit RGBA whose every pixel is opaque black, made once on first use.
const Bytes& PadStrip(PadStripKind kind);

// The names of the picture files in the data folder.
inline constexpr const char kDownloadedPictureName[] = "vxmr_1.png";
inline constexpr const char kWallpaperPictureName[] = "vxmr.png";

// `folder` (a GBK path) with exactly one trailing '/'.
Text WithTrailingSlash(const Text& folder);

// Frames the picture as strip, picture, strip (a picture of another height than the strip gets
// a black strip of the same shape at its own height), scales that to `size` by block averaging and
// replaces dataFolder + "vxmr.png" with the 24-bit BMP, atomically. Calls are serialised, so the
// worker's cycle and a size change on the user-interface thread never interleave their writes.
// Returns the result of the file write.
bool PadAndScale(const Bytes& picture, const Bytes& strip, CycleSize size, const Text& dataFolder);

} // namespace vexmora
