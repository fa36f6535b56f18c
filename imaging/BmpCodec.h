#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "net/Text.h"
#include "platform/ImageCodec.h"

namespace vexmora {

// Our own BMP reader and writer. Reads 1, 4, 8, 16, 24 and 32 bits per pixel, bottom-up and
// top-down, BI_RGB and BI_BITFIELDS (info headers of 40 bytes and the longer V4/V5 ones, and the
// old 12-byte core header). Headers that lie (sizes beyond the limits or the file, offsets out of
// range, palette indexes past the table) make the file undecodable or are clamped; the reader
// never reads outside `data`. A 32-bit BI_RGB file's fourth byte is not alpha.
std::optional<platform::DecodedImage> DecodeBmp(const Bytes& data);

// The rows of a 24- or 32-bit uncompressed BMP (BI_RGB, or bit fields that are the plain
// layout), read where they lie in `data`, which must outlive the view. Each pixel starts with
// blue, green, red. Nothing for other layouts or a file DecodeBmp would refuse.
struct BmpRowView {
    std::int32_t width = 0;
    std::int32_t height = 0;
    int bytesPerPixel = 0;
    const std::uint8_t* top = nullptr; // the picture's top row
    std::ptrdiff_t step = 0;           // from one row to the one below it

    const std::uint8_t* Row(std::int32_t y) const { return top + step * y; }
};
std::optional<BmpRowView> ViewBmpRows(const Bytes& data);

// True when `data` starts with the BMP signature "BM".
bool LooksLikeBmp(const Bytes& data);

// A bottom-up BI_RGB BMP file image: 32 bits (alpha in the fourth byte) when the image has
// alpha, else 24 bits. Nothing for an empty or inconsistent image.
std::optional<Bytes> EncodeBmp(const platform::DecodedImage& image);

// Any format we read: BMP by our reader, the rest by the platform's codecs.
std::optional<platform::DecodedImage> DecodeAnyImage(const Bytes& data);

} // namespace vexmora
