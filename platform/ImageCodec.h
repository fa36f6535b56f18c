#pragma once

#include <cstdint>
#include <optional>

#include "net/Text.h"

// Image codecs of the platform's libraries (PNG, JPEG, GIF, TIFF). Input is hostile: every
// decoder checks the size its header claims against the decoding limits before it takes any
// pixel memory, and a truncated or corrupt file is undecodable, never a crash.
namespace vexmora::platform {

// Pixels of a decoded image: rows from the top, 4 bytes per pixel in the order blue, green,
// red, alpha (255 = opaque), no padding.
struct DecodedImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    Bytes pixels;
    // Whether the source carried transparency; encoders that can keep it do.
    bool hasAlpha = false;
};

// Pictures larger than this are refused as undecodable.
inline constexpr std::int64_t kMaxImageSide = 16384;
inline constexpr std::int64_t kMaxImagePixels = 64LL * 1024 * 1024;

// True when a width x height picture may be decoded (both at least 1, within the limits).
inline bool WithinDecodeLimits(std::int64_t width, std::int64_t height) {
    return width >= 1 && height >= 1 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

enum class CodecFormat { Unknown, Png, Jpeg, Gif, Tiff };

// The format by the file's signature bytes, not by its name.
CodecFormat SniffCodecFormat(const Bytes& data);

// Decodes a PNG, JPEG (baseline and progressive), GIF (first frame) or TIFF (first page),
// recognised by content. Nothing for another format, a picture beyond the limits, or a damaged
// file.
std::optional<DecodedImage> DecodeImage(const Bytes& data);

std::optional<DecodedImage> DecodePng(const Bytes& data);
std::optional<DecodedImage> DecodeJpeg(const Bytes& data);
std::optional<DecodedImage> DecodeGif(const Bytes& data);
std::optional<DecodedImage> DecodeTiff(const Bytes& data);

// Encoders; nothing when the image is empty or inconsistent. JPEG drops alpha (the colour
// channels are written as stored), GIF keeps fully transparent pixels transparent.
std::optional<Bytes> EncodePng(const DecodedImage& image);
std::optional<Bytes> EncodeJpeg(const DecodedImage& image, int quality = 75);
std::optional<Bytes> EncodeGif(const DecodedImage& image);
std::optional<Bytes> EncodeTiff(const DecodedImage& image);

} // namespace vexmora::platform
