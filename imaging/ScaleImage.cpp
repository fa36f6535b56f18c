#include "imaging/ScaleImage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "imaging/BitmapSurface.h"
#include "imaging/BmpCodec.h"

namespace vexmora {
namespace {

// Sizes are checked one by one: a product of two negative sizes must not pass as positive.
bool ValidSource(const ColorArray& source, std::int32_t width, std::int32_t height) {
    return width >= 1 && height >= 1 &&
           source.size() >= static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

bool ValidTarget(std::int32_t width, std::int32_t height) {
    return platform::WithinDecodeLimits(width, height);
}

// Thousandths of a source pixel per target pixel, truncated.
double StepSize(std::int32_t source, std::int32_t target) {
    return std::trunc(static_cast<double>(source) * 1000.0 / static_cast<double>(target));
}

// trunc(step * n / 1000), the source position (counted from 1) that ends the n-th span.
std::int64_t SpanEnd(double step, std::int64_t n) {
    return static_cast<std::int64_t>(std::trunc(step * static_cast<double>(n) / 1000.0));
}

// For every target position (from 1), the 0-based source positions it samples: the whole
// pixels c0 + 1 ... c0 + block, then the span's end (raised to 1), so `block + 1` entries each.
std::vector<std::int32_t> AverageSamples(std::int32_t source, std::int32_t target,
                                         std::int32_t& count) {
    const double step = StepSize(source, target);
    const std::int64_t block = static_cast<std::int64_t>(std::trunc(step / 1000.0));
    count = static_cast<std::int32_t>(block + 1);
    std::vector<std::int32_t> samples;
    samples.reserve(static_cast<std::size_t>(target) * count);
    for (std::int64_t i = 1; i <= target; ++i) {
        const std::int64_t start = SpanEnd(step, i - 1);
        for (std::int64_t k = 1; k <= block; ++k) {
            samples.push_back(static_cast<std::int32_t>(start + k - 1));
        }
        const std::int64_t end = std::max<std::int64_t>(SpanEnd(step, i), 1);
        samples.push_back(static_cast<std::int32_t>(end - 1));
    }
    return samples;
}

std::vector<std::int32_t> NearestSamples(std::int32_t source, std::int32_t target) {
    const double step = StepSize(source, target);
    std::vector<std::int32_t> samples(static_cast<std::size_t>(target));
    for (std::int64_t i = 1; i <= target; ++i) {
        samples[i - 1] = static_cast<std::int32_t>(std::max<std::int64_t>(SpanEnd(step, i), 1) - 1);
    }
    return samples;
}

} // namespace

bool PixelScaler::ReadSurface(const BitmapSurface& surface, ColorArray& out) const {
    const std::int32_t width = surface.Width();
    const std::int32_t height = surface.Height();
    if (width < 1 || height < 1) {
        return false;
    }
    ColorArray pixels(static_cast<std::size_t>(width) * height);
    const std::int32_t bits = surface.BitCount();
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint32_t* to = pixels.data() + static_cast<std::size_t>(y) * width;
        if (bits == 32 || bits == 24) {
            // Rows read directly: the same colours ReadPixel gives.
            const std::uint8_t* from = surface.RowPointer(y);
            const std::size_t step = static_cast<std::size_t>(bits / 8);
            for (std::int32_t x = 0; x < width; ++x, from += step) {
                to[x] = from[2] | from[1] << 8 | static_cast<std::uint32_t>(from[0]) << 16;
            }
        } else {
            for (std::int32_t x = 0; x < width; ++x) {
                to[x] = surface.ReadPixel(x, y);
            }
        }
    }
    out.swap(pixels);
    return true;
}

bool PixelScaler::WriteSurface(BitmapSurface& surface, const ColorArray& pixels, std::int32_t width,
                               std::int32_t height) const {
    // A size beyond the decoding limits is refused too: the surface must stay as it was.
    if (!ValidTarget(width, height) ||
        pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        return false;
    }
    surface.Create(width, height, 24);
    if (surface.Width() != width || surface.Height() != height) {
        return false; // no memory for it
    }
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint32_t* from = pixels.data() + static_cast<std::size_t>(y) * width;
        std::uint8_t* to = surface.RowPointer(y);
        for (std::int32_t x = 0; x < width; ++x, to += 3) {
            const std::uint32_t color = from[x];
            to[0] = static_cast<std::uint8_t>(color >> 16);
            to[1] = static_cast<std::uint8_t>(color >> 8);
            to[2] = static_cast<std::uint8_t>(color);
        }
    }
    return true;
}

bool PixelScaler::ScaleNearest(const ColorArray& source, std::int32_t sourceWidth,
                               std::int32_t sourceHeight, std::int32_t targetWidth,
                               std::int32_t targetHeight, ColorArray& out) const {
    if (!ValidSource(source, sourceWidth, sourceHeight) ||
        !ValidTarget(targetWidth, targetHeight)) {
        return false;
    }
    const auto columns = NearestSamples(sourceWidth, targetWidth);
    const auto rows = NearestSamples(sourceHeight, targetHeight);
    ColorArray pixels(static_cast<std::size_t>(targetWidth) * targetHeight);
    for (std::int32_t y = 0; y < targetHeight; ++y) {
        const std::uint32_t* from = source.data() + static_cast<std::size_t>(rows[y]) * sourceWidth;
        std::uint32_t* to = pixels.data() + static_cast<std::size_t>(y) * targetWidth;
        for (std::int32_t x = 0; x < targetWidth; ++x) {
            to[x] = from[columns[x]];
        }
    }
    out.swap(pixels);
    return true;
}

bool PixelScaler::ScaleAverage(const ColorArray& source, std::int32_t sourceWidth,
                               std::int32_t sourceHeight, std::int32_t targetWidth,
                               std::int32_t targetHeight, ColorArray& out) const {
    if (!ValidSource(source, sourceWidth, sourceHeight) ||
        !ValidTarget(targetWidth, targetHeight)) {
        return false;
    }
    std::int32_t perColumn = 0;
    std::int32_t perRow = 0;
    const auto columns = AverageSamples(sourceWidth, targetWidth, perColumn);
    const auto rows = AverageSamples(sourceHeight, targetHeight, perRow);
    const std::uint32_t count = static_cast<std::uint32_t>(perColumn) * perRow;
    ColorArray pixels(static_cast<std::size_t>(targetWidth) * targetHeight);
    // Channel sums of one target row, built up one sampled source row at a time so that each
    // source row is read in order.
    std::vector<std::uint64_t> red(static_cast<std::size_t>(targetWidth));
    std::vector<std::uint64_t> green(red.size());
    std::vector<std::uint64_t> blue(red.size());
    for (std::int32_t y = 0; y < targetHeight; ++y) {
        std::fill(red.begin(), red.end(), 0);
        std::fill(green.begin(), green.end(), 0);
        std::fill(blue.begin(), blue.end(), 0);
        for (std::int32_t k = 0; k < perRow; ++k) {
            const std::uint32_t* from =
                source.data() +
                static_cast<std::size_t>(rows[static_cast<std::size_t>(y) * perRow + k]) *
                    sourceWidth;
            const std::int32_t* sample = columns.data();
            for (std::int32_t x = 0; x < targetWidth; ++x) {
                std::uint64_t r = 0, g = 0, b = 0;
                for (std::int32_t j = 0; j < perColumn; ++j) {
                    const std::uint32_t color = from[*sample++];
                    r += color & 0xFF;
                    g += (color >> 8) & 0xFF;
                    b += (color >> 16) & 0xFF;
                }
                red[x] += r;
                green[x] += g;
                blue[x] += b;
            }
        }
        std::uint32_t* to = pixels.data() + static_cast<std::size_t>(y) * targetWidth;
        for (std::int32_t x = 0; x < targetWidth; ++x) {
            to[x] = static_cast<std::uint32_t>(red[x] / count) |
                    static_cast<std::uint32_t>(green[x] / count) << 8 |
                    static_cast<std::uint32_t>(blue[x] / count) << 16;
        }
    }
    out.swap(pixels);
    return true;
}

Bytes ScaleImage(const Bytes& image, std::int32_t width, std::int32_t height, bool smooth) {
    BitmapSurface surface;
    PixelScaler scaler;
    ColorArray source;
    std::int32_t sourceWidth = 0;
    std::int32_t sourceHeight = 0;
    {
        // The decoded pixels go straight into the array: the colours a load into a 32-bit
        // surface and ReadSurface would give, without the intermediate copies.
        auto decoded = image.size() >= 3 ? DecodeAnyImage(image) : std::nullopt;
        if (decoded) {
            sourceWidth = decoded->width;
            sourceHeight = decoded->height;
            try {
                source.resize(static_cast<std::size_t>(sourceWidth) * sourceHeight);
            } catch (const std::bad_alloc&) {
                source.clear();
                sourceWidth = sourceHeight = 0;
            }
            const std::uint8_t* p = decoded->pixels.data();
            for (std::size_t i = 0; i < source.size(); ++i, p += 4) {
                source[i] = p[2] | p[1] << 8 | static_cast<std::uint32_t>(p[0]) << 16;
            }
        }
    }
    ColorArray scaled;
    if (smooth) {
        scaler.ScaleAverage(source, sourceWidth, sourceHeight, width, height, scaled);
    } else {
        scaler.ScaleNearest(source, sourceWidth, sourceHeight, width, height, scaled);
    }
    ColorArray().swap(source);
    surface.Create(1, 1, 24);
    scaler.WriteSurface(surface, scaled, width, height);
    return surface.ToBmpBytes();
}

} // namespace vexmora
