#include "imaging/JoinImages.h"

#include <cstring>

#include "imaging/BitmapSurface.h"
#include "imaging/BmpCodec.h"

namespace vexmora {
namespace {

// An input that cannot be read counts as a picture of 0 x 0 pixels. Fewer than 3 bytes are
// never an image.
std::optional<platform::DecodedImage> DecodeInput(const Bytes& input) {
    if (input.size() < 3) {
        return std::nullopt;
    }
    return DecodeAnyImage(input);
}

std::int64_t Offset(std::int64_t canvasExtent, std::int64_t imageExtent) {
    if (imageExtent == canvasExtent) {
        return 0;
    }
    return static_cast<std::int64_t>(static_cast<double>(canvasExtent - imageExtent) / 2.0);
}

// Copies the decoded image onto the 32-bit canvas at (left, top), clipped to the canvas: the
// bytes a load into a 32-bit surface and a block copy from it would give, without the
// intermediate surface.
void Place(BitmapSurface& canvas, const platform::DecodedImage& image, std::int64_t left,
           std::int64_t top) {
    const std::int64_t width = std::min<std::int64_t>(image.width, canvas.Width() - left);
    const std::int64_t height = std::min<std::int64_t>(image.height, canvas.Height() - top);
    if (left < 0 || top < 0 || width <= 0 || height <= 0) {
        return;
    }
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* from =
            image.pixels.data() + static_cast<std::size_t>(y) * image.width * 4;
        std::uint8_t* to = canvas.RowPointer(static_cast<std::int32_t>(top + y)) + left * 4;
        for (std::int64_t x = 0; x < width; ++x) {
            to[x * 4] = from[x * 4];
            to[x * 4 + 1] = from[x * 4 + 1];
            to[x * 4 + 2] = from[x * 4 + 2];
            to[x * 4 + 3] = 0;
        }
    }
}

void Fill(BitmapSurface& canvas, std::uint32_t color) {
    const std::int32_t width = canvas.Width();
    const std::int32_t height = canvas.Height();
    if (width <= 0 || height <= 0) {
        return;
    }
    // One row is built pixel by pixel, the others are copies of it.
    std::uint8_t* first = canvas.RowPointer(0);
    for (std::int32_t x = 0; x < width; ++x) {
        canvas.WritePixel(x, 0, color);
    }
    for (std::int32_t y = 1; y < height; ++y) {
        std::memcpy(canvas.RowPointer(y), first, static_cast<std::size_t>(width) * 4);
    }
}

} // namespace

Bytes JoinImages(const Bytes& first, const Bytes& second, bool vertical, std::uint32_t background) {
    auto a = DecodeInput(first);
    auto b = DecodeInput(second);
    const std::int64_t widthA = a ? a->width : 0, heightA = a ? a->height : 0;
    const std::int64_t widthB = b ? b->width : 0, heightB = b ? b->height : 0;
    if (background == 0) {
        background = 0xFFFFFF;
    }
    std::int64_t width = 0;
    std::int64_t height = 0;
    if (vertical) {
        width = widthB > widthA ? widthB : widthA;
        height = heightA + heightB;
    } else {
        height = heightB > heightA ? heightB : heightA;
        width = widthA + widthB;
    }
    BitmapSurface canvas;
    canvas.Create(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), 32);
    Fill(canvas, background);
    if (a) {
        const std::int64_t offset = vertical ? Offset(width, widthA) : Offset(height, heightA);
        Place(canvas, *a, vertical ? offset : 0, vertical ? 0 : offset);
        a.reset();
    }
    if (b) {
        const std::int64_t offset = vertical ? Offset(width, widthB) : Offset(height, heightB);
        Place(canvas, *b, vertical ? offset : widthA, vertical ? heightA : offset);
        b.reset();
    }
    return canvas.ToBmpBytes();
}

} // namespace vexmora
