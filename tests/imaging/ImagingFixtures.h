#pragma once

#include <cstdint>
#include <functional>

#include "net/Text.h"
#include "platform/ImageCodec.h"

// Small pictures made in code, and readers of the BMP bytes the imaging code returns.
namespace vexmora::test {

// A width x height picture whose pixel (x, y) has the colour R | G<<8 | B<<16 that `color`
// gives, fully opaque.
inline platform::DecodedImage MakeImage(std::int32_t width, std::int32_t height,
                                        const std::function<std::uint32_t(int, int)>& color) {
    platform::DecodedImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = color(x, y);
            std::uint8_t* p = image.pixels.data() + (static_cast<std::size_t>(y) * width + x) * 4;
            p[0] = static_cast<std::uint8_t>(c >> 16);
            p[1] = static_cast<std::uint8_t>(c >> 8);
            p[2] = static_cast<std::uint8_t>(c);
            p[3] = 255;
        }
    }
    return image;
}

inline platform::DecodedImage SolidImage(std::int32_t width, std::int32_t height,
                                         std::uint32_t color) {
    return MakeImage(width, height, [color](int, int) { return color; });
}

// The colour R | G<<8 | B<<16 of a decoded pixel.
inline std::uint32_t ColorAt(const platform::DecodedImage& image, int x, int y) {
    const std::uint8_t* p =
        image.pixels.data() + (static_cast<std::size_t>(y) * image.width + x) * 4;
    return p[2] | p[1] << 8 | static_cast<std::uint32_t>(p[0]) << 16;
}

inline std::uint32_t Le32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
inline std::uint16_t Le16(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
inline void SetLe32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}
inline void SetLe16(Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

struct BmpInfo {
    std::int32_t width = 0;
    std::int32_t height = 0;
    int bits = 0;
    std::uint32_t pixelOffset = 0;
    std::size_t stride = 0;
};

inline BmpInfo ReadBmpInfo(const Bytes& bmp) {
    BmpInfo info;
    info.width = static_cast<std::int32_t>(Le32(bmp, 18));
    info.height = static_cast<std::int32_t>(Le32(bmp, 22));
    info.bits = Le16(bmp, 28);
    info.pixelOffset = Le32(bmp, 10);
    info.stride = static_cast<std::size_t>(((info.width * info.bits + 31) >> 5) << 2);
    return info;
}

// The colour at (x, y), counted from the top-left, of a bottom-up 24- or 32-bit BMP.
inline std::uint32_t BmpPixel(const Bytes& bmp, int x, int y) {
    const BmpInfo info = ReadBmpInfo(bmp);
    const std::size_t at = info.pixelOffset + info.stride * (info.height - 1 - y) +
                           static_cast<std::size_t>(x) * (info.bits / 8);
    return bmp[at + 2] | bmp[at + 1] << 8 | static_cast<std::uint32_t>(bmp[at]) << 16;
}

// Arms a count of the largest single operator-new request made on this thread while it lives
// (defined in ImageCodecTest.cpp).
class AllocationProbe {
public:
    AllocationProbe();
    ~AllocationProbe();
    AllocationProbe(const AllocationProbe&) = delete;
    AllocationProbe& operator=(const AllocationProbe&) = delete;
    std::size_t Largest() const;
};

} // namespace vexmora::test
