#pragma once

#include <cstdint>
#include <vector>

#include "net/Text.h"

namespace vexmora {

class BitmapSurface;

// width * height colours R | G<<8 | B<<16, row by row from the top row, each row from the left:
// the pixel at column x, row y is element y * width + x. The top byte is ignored when read.
using ColorArray = std::vector<std::uint32_t>;

// Moves pixels between a surface and a ColorArray, and resamples a ColorArray. Holds no state.
class PixelScaler {
public:
    // The surface's pixels, replacing `out`; false (and `out` untouched) when it has none.
    bool ReadSurface(const BitmapSurface& surface, ColorArray& out) const;

    // Recreates `surface` as width x height at 24 bits and writes `pixels` into it. False, and the
    // surface untouched, when width * height < 1 or `pixels` is too short.
    bool WriteSurface(BitmapSurface& surface, const ColorArray& pixels, std::int32_t width,
                      std::int32_t height) const;

    // Point sampling: each target pixel takes the last source pixel of its span.
    bool ScaleNearest(const ColorArray& source, std::int32_t sourceWidth, std::int32_t sourceHeight,
                      std::int32_t targetWidth, std::int32_t targetHeight, ColorArray& out) const;

    // Block averaging over (bw + 1) x (bh + 1) samples, truncating per channel.
    // Both return false, leaving `out` untouched, when the source is empty or too short, or the
    // target has no pixels.
    bool ScaleAverage(const ColorArray& source, std::int32_t sourceWidth, std::int32_t sourceHeight,
                      std::int32_t targetWidth, std::int32_t targetHeight, ColorArray& out) const;
};

// Resizes an encoded image (PNG, JPEG, BMP, GIF or TIFF) to exactly width x height and returns a
// 24-bit bottom-up BMP file image. `smooth` chooses ScaleAverage over ScaleNearest. Undecodable
// input or a target without pixels gives the 58-byte BMP of one black pixel.
Bytes ScaleImage(const Bytes& image, std::int32_t width, std::int32_t height, bool smooth = false);

} // namespace vexmora
