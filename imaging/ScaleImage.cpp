#include "imaging/ScaleImage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "imaging/BitmapSurface.h"
#include "imaging/PixelRows.h"

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

namespace {

// Source pixels as ColorArray values.
struct ColorSource {
    const std::uint32_t* data;
    std::int32_t width;
    const std::uint32_t* Row(std::int32_t r) const {
        return data + static_cast<std::size_t>(r) * width;
    }
    template <typename Sum>
    static void Add(const std::uint32_t* row, std::int32_t c, Sum& red, Sum& green, Sum& blue) {
        const std::uint32_t color = row[c];
        red += color & 0xFF;
        green += (color >> 8) & 0xFF;
        blue += (color >> 16) & 0xFF;
    }
};

// Source pixels as bytes blue, green, red of an image's rows.
struct RowSource {
    const PixelRows* rows;
    const std::uint8_t* Row(std::int32_t r) const { return rows->Row(r); }
    int step;
    template <typename Sum>
    void Add(const std::uint8_t* row, std::int32_t c, Sum& red, Sum& green, Sum& blue) const {
        const std::uint8_t* p = row + static_cast<std::size_t>(c) * step;
        red += p[2];
        green += p[1];
        blue += p[0];
    }
};

// Target rows as ColorArray values.
struct ColorSink {
    std::uint32_t* data;
    std::int32_t width;
    void Put(std::int32_t x, std::int32_t y, std::uint32_t red, std::uint32_t green,
             std::uint32_t blue) {
        data[static_cast<std::size_t>(y) * width + x] = red | green << 8 | blue << 16;
    }
};

// Target rows written straight into a 24-bit surface: the bytes WriteSurface would give.
struct SurfaceSink {
    BitmapSurface* surface;
    std::uint8_t* row = nullptr;
    std::int32_t rowY = -1;
    void Put(std::int32_t x, std::int32_t y, std::uint32_t red, std::uint32_t green,
             std::uint32_t blue) {
        if (y != rowY) {
            row = surface->RowPointer(y);
            rowY = y;
        }
        std::uint8_t* p = row + static_cast<std::size_t>(x) * 3;
        p[0] = static_cast<std::uint8_t>(blue);
        p[1] = static_cast<std::uint8_t>(green);
        p[2] = static_cast<std::uint8_t>(red);
    }
};

template <typename Source, typename Sink>
void Nearest(const Source& source, std::int32_t sourceWidth, std::int32_t sourceHeight,
             std::int32_t targetWidth, std::int32_t targetHeight, Sink& sink) {
    const auto columns = NearestSamples(sourceWidth, targetWidth);
    const auto rows = NearestSamples(sourceHeight, targetHeight);
    for (std::int32_t y = 0; y < targetHeight; ++y) {
        const auto* from = source.Row(rows[y]);
        for (std::int32_t x = 0; x < targetWidth; ++x) {
            std::uint32_t red = 0, green = 0, blue = 0;
            source.Add(from, columns[x], red, green, blue);
            sink.Put(x, y, red, green, blue);
        }
    }
}

// Channel sums of one target row are built up one sampled source row at a time, so that each
// source row is read in order. `Sum` must hold count x 255.
template <typename Sum, typename Source, typename Sink>
void Average(const Source& source, std::int32_t sourceHeight, std::int32_t targetWidth,
             std::int32_t targetHeight, const std::vector<std::int32_t>& columns,
             std::int32_t perColumn, Sink& sink) {
    std::int32_t perRow = 0;
    const auto rows = AverageSamples(sourceHeight, targetHeight, perRow);
    const Sum count = static_cast<Sum>(perColumn) * static_cast<Sum>(perRow);
    std::vector<Sum> sums(static_cast<std::size_t>(targetWidth) * 3);
    for (std::int32_t y = 0; y < targetHeight; ++y) {
        std::fill(sums.begin(), sums.end(), Sum{0});
        for (std::int32_t k = 0; k < perRow; ++k) {
            const auto* from = source.Row(rows[static_cast<std::size_t>(y) * perRow + k]);
            const std::int32_t* sample = columns.data();
            Sum* sum = sums.data();
            for (std::int32_t x = 0; x < targetWidth; ++x, sum += 3) {
                for (std::int32_t j = 0; j < perColumn; ++j) {
                    source.Add(from, *sample++, sum[0], sum[1], sum[2]);
                }
            }
        }
        const Sum* sum = sums.data();
        for (std::int32_t x = 0; x < targetWidth; ++x, sum += 3) {
            sink.Put(x, y, static_cast<std::uint32_t>(sum[0] / count),
                     static_cast<std::uint32_t>(sum[1] / count),
                     static_cast<std::uint32_t>(sum[2] / count));
        }
    }
}

template <typename Source, typename Sink>
void Average(const Source& source, std::int32_t sourceWidth, std::int32_t sourceHeight,
             std::int32_t targetWidth, std::int32_t targetHeight, Sink& sink) {
    std::int32_t perColumn = 0;
    const auto columns = AverageSamples(sourceWidth, targetWidth, perColumn);
    const std::int64_t perRow =
        static_cast<std::int64_t>(std::trunc(StepSize(sourceHeight, targetHeight) / 1000.0)) + 1;
    // 32-bit sums whenever they cannot overflow, which is every ordinary reduction.
    if (perColumn * perRow * 255 <= std::int64_t{0xFFFFFFFF}) {
        Average<std::uint32_t>(source, sourceHeight, targetWidth, targetHeight, columns, perColumn,
                               sink);
    } else {
        Average<std::uint64_t>(source, sourceHeight, targetWidth, targetHeight, columns, perColumn,
                               sink);
    }
}

} // namespace

namespace {

// Checks both sizes, then resamples `source` into a new array that replaces `out`.
template <typename Resample>
bool ScaleColors(const ColorArray& source, std::int32_t sourceWidth, std::int32_t sourceHeight,
                 std::int32_t targetWidth, std::int32_t targetHeight, ColorArray& out,
                 Resample resample) {
    if (!ValidSource(source, sourceWidth, sourceHeight) ||
        !ValidTarget(targetWidth, targetHeight)) {
        return false;
    }
    ColorArray pixels(static_cast<std::size_t>(targetWidth) * targetHeight);
    ColorSink sink{pixels.data(), targetWidth};
    resample(ColorSource{source.data(), sourceWidth}, sink);
    out.swap(pixels);
    return true;
}

} // namespace

bool PixelScaler::ScaleNearest(const ColorArray& source, std::int32_t sourceWidth,
                               std::int32_t sourceHeight, std::int32_t targetWidth,
                               std::int32_t targetHeight, ColorArray& out) const {
    return ScaleColors(source, sourceWidth, sourceHeight, targetWidth, targetHeight, out,
                       [&](const ColorSource& from, ColorSink& to) {
                           Nearest(from, sourceWidth, sourceHeight, targetWidth, targetHeight, to);
                       });
}

bool PixelScaler::ScaleAverage(const ColorArray& source, std::int32_t sourceWidth,
                               std::int32_t sourceHeight, std::int32_t targetWidth,
                               std::int32_t targetHeight, ColorArray& out) const {
    return ScaleColors(source, sourceWidth, sourceHeight, targetWidth, targetHeight, out,
                       [&](const ColorSource& from, ColorSink& to) {
                           Average(from, sourceWidth, sourceHeight, targetWidth, targetHeight, to);
                       });
}

Bytes ScaleImage(const Bytes& image, std::int32_t width, std::int32_t height, bool smooth) {
    // The pixels go from the decoded rows straight into the 24-bit result: the bytes that a load
    // into a 32-bit surface, ReadSurface, the resampling into a ColorArray and WriteSurface would
    // give, without three intermediate copies of the picture.
    BitmapSurface surface;
    const auto rows = image.size() >= 3 ? PixelRows::Read(image) : std::nullopt;
    if (rows && ValidTarget(width, height)) {
        surface.Create(width, height, 24);
        if (surface.Width() == width && surface.Height() == height) {
            const RowSource source{&*rows, rows->BytesPerPixel()};
            SurfaceSink sink{&surface};
            if (smooth) {
                Average(source, rows->Width(), rows->Height(), width, height, sink);
            } else {
                Nearest(source, rows->Width(), rows->Height(), width, height, sink);
            }
            return surface.TakeBmpBytes();
        }
    }
    // Undecodable input or no target: one black pixel.
    surface.Create(1, 1, 24);
    return surface.TakeBmpBytes();
}

} // namespace vexmora
