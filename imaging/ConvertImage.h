#pragma once

#include <cstdint>
#include <string_view>

#include "net/Text.h"

namespace vexmora {

// The target format of ConvertImage. Each value names one of our encoders; a value outside
// 1..5 (made with a cast) names none.
enum class ImageFormat : std::int32_t {
    Bmp = 1,
    Jpeg = 2,
    Gif = 3,
    Tiff = 4,
    Png = 5,
};

// The file-name extension of a format (".bmp", ".jpg", ".gif", ".tiff", ".png"); empty for a
// value outside 1..5.
std::string_view ImageFormatExtension(ImageFormat format);

// The name ConvertImage writes to: `fileName` as given, with the format's extension appended
// unless it already ends with it (ASCII case ignored).
Text ConvertedFileName(const Text& fileName, ImageFormat format);

// Re-encodes `source` (PNG, JPEG, BMP, GIF or TIFF, recognised by content) as `format`.
// True when an encoded image was produced: then `output` (when given) receives exactly the
// encoded bytes and, when `fileName` is not blank (spaces at either end do not count), the same
// bytes are written to ConvertedFileName(fileName, format), a GBK path. A failed file write does
// not change the result. On failure (fewer than 3 bytes, undecodable source, unknown format)
// `output` is untouched and no file is written. `flattenOnWhite` blends translucent pixels over
// opaque white before encoding.
bool ConvertImage(const Bytes& source, ImageFormat format, const Text& fileName = {},
                  Bytes* output = nullptr, bool flattenOnWhite = false);

// The image's width or height in pixels, 0 when it cannot be decoded. When `image`, read as a
// text up to its first zero byte, names an existing file or folder (a GBK path), that file is
// measured instead; a folder gives 0.
std::int32_t ImageWidth(const Bytes& image);
std::int32_t ImageHeight(const Bytes& image);

} // namespace vexmora
