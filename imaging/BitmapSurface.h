#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "net/Text.h"
#include "platform/ImageCodec.h"

namespace vexmora {

// An in-memory picture held as `dibImage`: a BMP file image without its 14-byte file header
// (40-byte information header, colour table for 1, 4 and 8 bits, pixel rows bottom row first,
// each row padded to a multiple of 4 bytes). The pixel rows in `dibImage` are the picture's
// only store, so they are always up to date. The buffer keeps room for the file header in
// front, so that TakeBmpBytes hands the picture out without copying it. Positions count from (0, 0)
// at the top-left corner; colours passed in and out are R | G<<8 | B<<16.
class BitmapSurface {
public:
    // The fields of the 40-byte information header, in their stored order.
    struct Header {
        std::uint32_t headerSize = 40;
        std::int32_t width = 0;
        std::int32_t height = 0;
        std::uint16_t planes = 1;
        std::uint16_t bitCount = 0;
        std::uint32_t compression = 0;
        std::uint32_t imageSize = 0;
        std::int32_t xPelsPerMeter = 0;
        std::int32_t yPelsPerMeter = 0;
        std::uint32_t colorsUsed = 0;
        std::uint32_t colorsImportant = 0;
    };

    BitmapSurface();

    // Empties the surface.
    void Reset();

    // Loads a BMP file image (decoded in memory; any of 1, 4, 8, 16, 24, 32 bits, bottom-up or
    // top-down). The surface takes 32 bits unless `bitCount` (1, 4, 8, 16, 24, 32) is given.
    // False, and the surface empty, for bytes that are not a readable BMP.
    bool LoadFromBytes(const Bytes& bmp, std::int32_t bitCount = 0);
    // The same from a BMP file (GBK path).
    bool LoadFromFile(const Text& path, std::int32_t bitCount = 0);
    // The same from decoded pixels (alpha is ignored: colours are kept as stored).
    bool LoadFromBitmap(const platform::DecodedImage& image, std::int32_t bitCount = 0);

    // A new black picture (colour-table entry 0 for palette depths). Always true; a bit count
    // other than 1, 4, 8, 16, 24, 32, a negative size or a picture too large for a BMP file
    // leaves the surface empty. 0 x 0 gives the 40-byte header alone.
    bool Create(std::int32_t width, std::int32_t height, std::int32_t bitCount);

    // Copies a block of this picture onto `target` at (destX, destY), clipped to both pictures
    // as a block copy between two pictures is; colours are converted when the depths differ.
    // Omitted width and height mean this picture's. False when this surface has no picture.
    bool DrawOnto(BitmapSurface& target, std::int32_t sourceX = 0, std::int32_t sourceY = 0,
                  std::optional<std::int32_t> width = std::nullopt,
                  std::optional<std::int32_t> height = std::nullopt, std::int32_t destX = 0,
                  std::int32_t destY = 0) const;

    // 0 when the surface is empty.
    std::int32_t Width() const;
    std::int32_t Height() const;
    std::int32_t BitCount() const;

    // The pixel rows inside `dibImage` (bottom row first); null when empty.
    std::uint8_t* PixelArea();
    const std::uint8_t* PixelArea() const;
    std::size_t PixelAreaSize() const;
    // The colour table inside `dibImage`; null when empty or for 16 bits and more.
    const std::uint8_t* ColorTable() const;
    std::size_t ColorTableSize() const;
    // Bytes per stored row; 0 when empty.
    std::int32_t Stride() const;
    // The start of the row that is `y` rows below the top of the picture.
    std::uint8_t* RowPointer(std::int32_t y);
    const std::uint8_t* RowPointer(std::int32_t y) const;

    // Table entries for the bit count in a 40-byte header: 1 -> 2, 4 -> 16, 8 -> 256, else 0.
    static std::int32_t ColorCount(const std::uint8_t* header);
    // Bytes of a row of `bits` bits, padded to a multiple of 4.
    static std::int64_t StrideFor(std::int64_t bits);
    static std::array<std::uint8_t, 40> HeaderBytes(const Header& header);

    // "BM", file size, two reserved zeros, offset of the pixel rows, then `dibImage`. Empty
    // bytes for a surface without a picture.
    Bytes ToBmpBytes() const;
    // The same bytes, moved out without a copy; the surface is empty afterwards.
    Bytes TakeBmpBytes();

    // The colour at (x, y); 0xFFFFFFFF outside the picture.
    std::uint32_t ReadPixel(std::int32_t x, std::int32_t y) const;
    // Sets (x, y) to the colour (16 bits as 5-5-5, palette depths to the nearest table entry);
    // false outside the picture.
    bool WritePixel(std::int32_t x, std::int32_t y, std::uint32_t color);

    std::span<const std::uint8_t> DibImage() const {
        return fileImage.empty() ? std::span<const std::uint8_t>()
                                 : std::span<const std::uint8_t>(fileImage).subspan(14);
    }

    // The default colour tables, 4 bytes per entry: blue, green, red, 0.
    const Bytes& Palette2() const { return palette2; }
    const Bytes& Palette16() const { return palette16; }
    const Bytes& Palette256() const { return palette256; }

private:
    void InitPalettes();
    bool BuildDib(std::int32_t width, std::int32_t height, std::int32_t bitCount);
    std::uint32_t StoredToColor(const std::uint8_t* row, std::int32_t x) const;
    void ColorToStored(std::uint8_t* row, std::int32_t x, std::uint32_t color);
    std::uint8_t NearestTableEntry(std::uint32_t color) const;
    std::uint8_t* Dib() { return fileImage.data() + 14; }
    const std::uint8_t* Dib() const { return fileImage.data() + 14; }
    void FillFileHeader();

    Bytes palette2;
    Bytes palette16;
    Bytes palette256;
    // The 14-byte file header (filled in when the bytes are handed out), then `dibImage`;
    // empty when the surface has no picture.
    Bytes fileImage;
};

} // namespace vexmora
