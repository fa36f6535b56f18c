#include "imaging/JoinImages.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "imaging/BitmapSurface.h"
#include "imaging/PixelRows.h"

namespace vexmora {
namespace {

// An input that cannot be read counts as a picture of 0 x 0 pixels. Fewer than 3 bytes are
// never an image.
std::optional<PixelRows> DecodeInput(const Bytes& input) {
    if (input.size() < 3) {
        return std::nullopt;
    }
    return PixelRows::Read(input);
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
void Place(BitmapSurface& canvas, const PixelRows& image, std::int64_t left, std::int64_t top) {
    const std::int64_t width = std::min<std::int64_t>(image.Width(), canvas.Width() - left);
    const std::int64_t height = std::min<std::int64_t>(image.Height(), canvas.Height() - top);
    if (left < 0 || top < 0 || width <= 0 || height <= 0) {
        return;
    }
    const int step = image.BytesPerPixel();
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* from = image.Row(static_cast<std::int32_t>(y));
        std::uint8_t* to = canvas.RowPointer(static_cast<std::int32_t>(top + y)) + left * 4;
        if (step == 4) {
            // Whole pixels at a time; the fourth byte carries no meaning and is cleared.
            for (std::int64_t x = 0; x < width; ++x) {
                std::uint32_t pixel;
                std::memcpy(&pixel, from + x * 4, 4);
                pixel &= 0x00FFFFFFu;
                std::memcpy(to + x * 4, &pixel, 4);
            }
        } else {
            for (std::int64_t x = 0; x < width; ++x) {
                to[x * 4] = from[x * 3];
                to[x * 4 + 1] = from[x * 3 + 1];
                to[x * 4 + 2] = from[x * 3 + 2];
                to[x * 4 + 3] = 0;
            }
        }
    }
}

struct Block {
    std::int64_t left = 0, top = 0, width = 0, height = 0;
};

// Paints the background wherever neither image will be placed; the images' own pixels are
// written once, by Place. The result equals filling everything first.
void FillAround(BitmapSurface& canvas, std::uint32_t color, const Block& a, const Block& b) {
    const std::int32_t width = canvas.Width();
    const std::int32_t height = canvas.Height();
    if (width <= 0 || height <= 0) {
        return;
    }
    BitmapSurface pattern;
    pattern.Create(width, 1, 32);
    for (std::int32_t x = 0; x < width; ++x) {
        pattern.WritePixel(x, 0, color);
    }
    const std::uint8_t* background = pattern.RowPointer(0);
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* row = canvas.RowPointer(y);
        // The covered spans of this row, at most two, in order from the left.
        Block spans[2];
        int count = 0;
        for (const Block* block : {&a, &b}) {
            if (block->width > 0 && y >= block->top && y < block->top + block->height) {
                spans[count++] = *block;
            }
        }
        if (count == 2 && spans[1].left < spans[0].left) {
            std::swap(spans[0], spans[1]);
        }
        std::int64_t x = 0;
        for (int i = 0; i <= count; ++i) {
            const std::int64_t end = i < count ? std::max(x, spans[i].left) : width;
            if (end > x) {
                std::memcpy(row + x * 4, background + x * 4, static_cast<std::size_t>(end - x) * 4);
            }
            if (i < count) {
                x = std::max(x, std::min<std::int64_t>(width, spans[i].left + spans[i].width));
            }
        }
    }
}

// The part of an image at (left, top) that lies on the canvas.
Block Clip(const std::optional<PixelRows>& image, std::int64_t left, std::int64_t top,
           std::int64_t canvasWidth, std::int64_t canvasHeight) {
    Block block;
    if (!image || left < 0 || top < 0) {
        return block;
    }
    block.left = left;
    block.top = top;
    block.width =
        std::max<std::int64_t>(0, std::min<std::int64_t>(image->Width(), canvasWidth - left));
    block.height =
        std::max<std::int64_t>(0, std::min<std::int64_t>(image->Height(), canvasHeight - top));
    if (block.width == 0 || block.height == 0) {
        block = Block{};
    }
    return block;
}

} // namespace

Bytes JoinImages(const Bytes& first, const Bytes& second, bool vertical, std::uint32_t background) {
    auto a = DecodeInput(first);
    auto b = DecodeInput(second);
    const std::int64_t widthA = a ? a->Width() : 0, heightA = a ? a->Height() : 0;
    const std::int64_t widthB = b ? b->Width() : 0, heightB = b ? b->Height() : 0;
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
    const std::int64_t offsetA = vertical ? Offset(width, widthA) : Offset(height, heightA);
    const std::int64_t offsetB = vertical ? Offset(width, widthB) : Offset(height, heightB);
    const std::int64_t leftA = vertical ? offsetA : 0, topA = vertical ? 0 : offsetA;
    const std::int64_t leftB = vertical ? offsetB : widthA, topB = vertical ? heightA : offsetB;
    FillAround(canvas, background, Clip(a, leftA, topA, canvas.Width(), canvas.Height()),
               Clip(b, leftB, topB, canvas.Width(), canvas.Height()));
    if (a) {
        Place(canvas, *a, leftA, topA);
        a.reset();
    }
    if (b) {
        Place(canvas, *b, leftB, topB);
        b.reset();
    }
    return canvas.TakeBmpBytes();
}

} // namespace vexmora
