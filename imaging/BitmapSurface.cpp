#include "imaging/BitmapSurface.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "imaging/BmpCodec.h"
#include "imaging/LittleEndian.h"
#include "platform/FileSystem.h"

namespace vexmora {
namespace {

constexpr std::size_t kHeaderSize = 40;

using little_endian::Get32;
using little_endian::Put16;
using little_endian::Put32;

void AddEntry(Bytes& table, int red, int green, int blue) {
    table.push_back(static_cast<std::uint8_t>(blue));
    table.push_back(static_cast<std::uint8_t>(green));
    table.push_back(static_cast<std::uint8_t>(red));
    table.push_back(0);
}

bool ValidBitCount(std::int32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

std::uint8_t Expand5(std::uint32_t v) {
    return static_cast<std::uint8_t>((v << 3) | (v >> 2));
}

} // namespace

BitmapSurface::BitmapSurface() {
    InitPalettes();
}

void BitmapSurface::InitPalettes() {
    palette2.clear();
    AddEntry(palette2, 0, 0, 0);
    AddEntry(palette2, 255, 255, 255);

    static constexpr int k16[16][3] = {
        {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},  {0, 0, 128}, {128, 0, 128},
        {0, 128, 128}, {128, 128, 128}, {192, 192, 192}, {255, 0, 0},    {0, 255, 0}, {255, 255, 0},
        {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    palette16.clear();
    for (const auto& c : k16) {
        AddEntry(palette16, c[0], c[1], c[2]);
    }

    static constexpr int kFirst[10][3] = {
        {0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
        {128, 0, 128}, {0, 128, 128}, {192, 192, 192}, {192, 220, 192}, {166, 202, 240}};
    static constexpr int kLast[10][3] = {
        {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
        {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255}};
    palette256.clear();
    for (const auto& c : kFirst) {
        AddEntry(palette256, c[0], c[1], c[2]);
    }
    for (int i = 10; i < 246; ++i) {
        AddEntry(palette256, (i & 7) * 32, ((i >> 3) & 7) * 32, (i >> 6) * 64);
    }
    for (const auto& c : kLast) {
        AddEntry(palette256, c[0], c[1], c[2]);
    }
}

void BitmapSurface::Reset() {
    Bytes().swap(fileImage);
}

std::array<std::uint8_t, 40> BitmapSurface::HeaderBytes(const Header& h) {
    std::array<std::uint8_t, 40> out{};
    Put32(&out[0], h.headerSize);
    Put32(&out[4], static_cast<std::uint32_t>(h.width));
    Put32(&out[8], static_cast<std::uint32_t>(h.height));
    Put16(&out[12], h.planes);
    Put16(&out[14], h.bitCount);
    Put32(&out[16], h.compression);
    Put32(&out[20], h.imageSize);
    Put32(&out[24], static_cast<std::uint32_t>(h.xPelsPerMeter));
    Put32(&out[28], static_cast<std::uint32_t>(h.yPelsPerMeter));
    Put32(&out[32], h.colorsUsed);
    Put32(&out[36], h.colorsImportant);
    return out;
}

std::int32_t BitmapSurface::ColorCount(const std::uint8_t* header) {
    switch (header[14] | header[15] << 8) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

std::int64_t BitmapSurface::StrideFor(std::int64_t bits) {
    return ((bits + 31) >> 5) << 2;
}

bool BitmapSurface::BuildDib(std::int32_t width, std::int32_t height, std::int32_t bitCount) {
    if (!ValidBitCount(bitCount) || width < 0 || height < 0) {
        return false;
    }
    const std::size_t entries = bitCount <= 8 ? std::size_t{1} << bitCount : 0;
    const std::int64_t stride = StrideFor(std::int64_t{width} * bitCount);
    const std::int64_t total =
        static_cast<std::int64_t>(kHeaderSize + entries * 4) + stride * height;
    // The file header's size field is 32 bits wide.
    if (total + 14 > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    Header header;
    header.width = width;
    header.height = height;
    header.bitCount = static_cast<std::uint16_t>(bitCount);
    try {
        Bytes image(static_cast<std::size_t>(14 + total), 0);
        const auto headerBytes = HeaderBytes(header);
        std::memcpy(image.data() + 14, headerBytes.data(), headerBytes.size());
        const Bytes* table = bitCount == 1 ? &palette2 : bitCount == 4 ? &palette16 : &palette256;
        if (entries != 0) {
            std::memcpy(image.data() + 14 + kHeaderSize, table->data(), entries * 4);
        }
        fileImage.swap(image);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool BitmapSurface::Create(std::int32_t width, std::int32_t height, std::int32_t bitCount) {
    Reset();
    BuildDib(width, height, bitCount);
    return true;
}

std::int32_t BitmapSurface::Width() const {
    return fileImage.empty() ? 0 : static_cast<std::int32_t>(Get32(Dib() + 4));
}

std::int32_t BitmapSurface::Height() const {
    return fileImage.empty() ? 0 : static_cast<std::int32_t>(Get32(Dib() + 8));
}

std::int32_t BitmapSurface::BitCount() const {
    return fileImage.empty() ? 0 : Dib()[14] | Dib()[15] << 8;
}

std::size_t BitmapSurface::ColorTableSize() const {
    return fileImage.empty() ? 0 : static_cast<std::size_t>(ColorCount(Dib())) * 4;
}

const std::uint8_t* BitmapSurface::ColorTable() const {
    return ColorTableSize() == 0 ? nullptr : Dib() + kHeaderSize;
}

std::int32_t BitmapSurface::Stride() const {
    return fileImage.empty()
               ? 0
               : static_cast<std::int32_t>(
                     StrideFor(std::int64_t{Width()} * (Dib()[12] | Dib()[13] << 8) * BitCount()));
}

std::size_t BitmapSurface::PixelAreaSize() const {
    return static_cast<std::size_t>(Height()) * static_cast<std::size_t>(Stride());
}

std::uint8_t* BitmapSurface::PixelArea() {
    return fileImage.empty() ? nullptr : Dib() + kHeaderSize + ColorTableSize();
}

const std::uint8_t* BitmapSurface::PixelArea() const {
    return fileImage.empty() ? nullptr : Dib() + kHeaderSize + ColorTableSize();
}

std::uint8_t* BitmapSurface::RowPointer(std::int32_t y) {
    return PixelArea() + static_cast<std::size_t>(Height() - 1 - y) * Stride();
}

const std::uint8_t* BitmapSurface::RowPointer(std::int32_t y) const {
    return PixelArea() + static_cast<std::size_t>(Height() - 1 - y) * Stride();
}

void BitmapSurface::FillFileHeader() {
    fileImage[0] = 'B';
    fileImage[1] = 'M';
    Put32(&fileImage[2], static_cast<std::uint32_t>(fileImage.size()));
    Put32(&fileImage[6], 0);
    Put32(&fileImage[10], static_cast<std::uint32_t>(54 + ColorTableSize()));
}

Bytes BitmapSurface::ToBmpBytes() const {
    if (fileImage.empty()) {
        return {};
    }
    Bytes out(fileImage);
    out[0] = 'B';
    out[1] = 'M';
    Put32(&out[2], static_cast<std::uint32_t>(out.size()));
    Put32(&out[10], static_cast<std::uint32_t>(54 + ColorTableSize()));
    return out;
}

Bytes BitmapSurface::TakeBmpBytes() {
    if (fileImage.empty()) {
        return {};
    }
    FillFileHeader();
    Bytes out;
    out.swap(fileImage);
    return out;
}

std::uint32_t BitmapSurface::StoredToColor(const std::uint8_t* row, std::int32_t x) const {
    const std::int32_t bits = BitCount();
    auto entry = [&](unsigned index) {
        const std::uint8_t* e = Dib() + kHeaderSize + index * 4;
        return static_cast<std::uint32_t>(e[2]) | static_cast<std::uint32_t>(e[1]) << 8 |
               static_cast<std::uint32_t>(e[0]) << 16;
    };
    switch (bits) {
    case 1:
        return entry((row[x >> 3] >> (7 - (x & 7))) & 1);
    case 4:
        return entry((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15);
    case 8:
        return entry(row[x]);
    case 16: {
        const std::uint32_t v = row[x * 2] | row[x * 2 + 1] << 8;
        return Expand5((v >> 10) & 31) | Expand5((v >> 5) & 31) << 8 |
               static_cast<std::uint32_t>(Expand5(v & 31)) << 16;
    }
    case 24:
        return row[x * 3 + 2] | row[x * 3 + 1] << 8 | static_cast<std::uint32_t>(row[x * 3]) << 16;
    default:
        return row[x * 4 + 2] | row[x * 4 + 1] << 8 | static_cast<std::uint32_t>(row[x * 4]) << 16;
    }
}

std::uint8_t BitmapSurface::NearestTableEntry(std::uint32_t color) const {
    const int red = color & 0xFF, green = (color >> 8) & 0xFF, blue = (color >> 16) & 0xFF;
    const std::size_t entries = ColorTableSize() / 4;
    const std::uint8_t* table = Dib() + kHeaderSize;
    std::size_t best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < entries; ++i) {
        const int db = table[i * 4] - blue, dg = table[i * 4 + 1] - green,
                  dr = table[i * 4 + 2] - red;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
            if (distance == 0) {
                break;
            }
        }
    }
    return static_cast<std::uint8_t>(best);
}

void BitmapSurface::ColorToStored(std::uint8_t* row, std::int32_t x, std::uint32_t color) {
    const std::uint8_t red = color & 0xFF, green = (color >> 8) & 0xFF, blue = (color >> 16) & 0xFF;
    switch (BitCount()) {
    case 1: {
        const std::uint8_t bit = static_cast<std::uint8_t>(0x80 >> (x & 7));
        row[x >> 3] = NearestTableEntry(color) ? row[x >> 3] | bit : row[x >> 3] & ~bit;
        break;
    }
    case 4: {
        const std::uint8_t index = NearestTableEntry(color);
        std::uint8_t& byte = row[x >> 1];
        byte = (x & 1) ? (byte & 0xF0) | index : (byte & 0x0F) | index << 4;
        break;
    }
    case 8:
        row[x] = NearestTableEntry(color);
        break;
    case 16:
        Put16(row + x * 2, (red >> 3) << 10 | (green >> 3) << 5 | (blue >> 3));
        break;
    case 24:
        row[x * 3] = blue;
        row[x * 3 + 1] = green;
        row[x * 3 + 2] = red;
        break;
    default:
        row[x * 4] = blue;
        row[x * 4 + 1] = green;
        row[x * 4 + 2] = red;
        row[x * 4 + 3] = 0;
        break;
    }
}

std::uint32_t BitmapSurface::ReadPixel(std::int32_t x, std::int32_t y) const {
    if (x < 0 || y < 0 || x >= Width() || y >= Height()) {
        return 0xFFFFFFFF;
    }
    return StoredToColor(RowPointer(y), x);
}

bool BitmapSurface::WritePixel(std::int32_t x, std::int32_t y, std::uint32_t color) {
    if (x < 0 || y < 0 || x >= Width() || y >= Height()) {
        return false;
    }
    ColorToStored(RowPointer(y), x, color);
    return true;
}

bool BitmapSurface::LoadFromBitmap(const platform::DecodedImage& image, std::int32_t bitCount) {
    Reset();
    if (bitCount == 0) {
        bitCount = 32;
    }
    if (!ValidBitCount(bitCount) || !platform::WithinDecodeLimits(image.width, image.height) ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 4 ||
        !BuildDib(image.width, image.height, bitCount)) {
        Reset();
        return false;
    }
    const std::int32_t width = image.width;
    for (std::int32_t y = 0; y < image.height; ++y) {
        const std::uint8_t* source = image.pixels.data() + static_cast<std::size_t>(y) * width * 4;
        std::uint8_t* row = RowPointer(y);
        if (bitCount == 32) {
            for (std::int32_t x = 0; x < width; ++x) {
                std::memcpy(row + x * 4, source + x * 4, 3);
            }
        } else if (bitCount == 24) {
            for (std::int32_t x = 0; x < width; ++x) {
                std::memcpy(row + x * 3, source + x * 4, 3);
            }
        } else {
            for (std::int32_t x = 0; x < width; ++x) {
                const std::uint8_t* p = source + x * 4;
                ColorToStored(row, x, p[2] | p[1] << 8 | static_cast<std::uint32_t>(p[0]) << 16);
            }
        }
    }
    return true;
}

bool BitmapSurface::LoadFromBytes(const Bytes& bmp, std::int32_t bitCount) {
    Reset();
    const auto image = DecodeBmp(bmp);
    return image && LoadFromBitmap(*image, bitCount);
}

bool BitmapSurface::LoadFromFile(const Text& path, std::int32_t bitCount) {
    Reset();
    const auto bytes = platform::ReadWholeFile(path);
    return bytes && LoadFromBytes(*bytes, bitCount);
}

bool BitmapSurface::DrawOnto(BitmapSurface& target, std::int32_t sourceX, std::int32_t sourceY,
                             std::optional<std::int32_t> width, std::optional<std::int32_t> height,
                             std::int32_t destX, std::int32_t destY) const {
    if (fileImage.empty()) {
        return false;
    }
    // Clip in 64 bits so that no argument can overflow the arithmetic.
    std::int64_t sx = sourceX, sy = sourceY, dx = destX, dy = destY;
    std::int64_t w = width.value_or(Width());
    std::int64_t h = height.value_or(Height());
    auto clip = [](std::int64_t& s, std::int64_t& d, std::int64_t& extent, std::int64_t sourceSize,
                   std::int64_t targetSize) {
        if (s < 0) {
            d -= s, extent += s, s = 0;
        }
        if (d < 0) {
            s -= d, extent += d, d = 0;
        }
        extent = std::min({extent, sourceSize - s, targetSize - d});
    };
    clip(sx, dx, w, Width(), target.Width());
    clip(sy, dy, h, Height(), target.Height());
    if (w <= 0 || h <= 0 || &target == this) {
        return true;
    }
    const std::int32_t bits = BitCount();
    const bool sameDepth = bits == target.BitCount();
    const bool sameTable = sameDepth && ColorTableSize() == target.ColorTableSize() &&
                           std::memcmp(ColorTable() ? ColorTable() : Dib(),
                                       target.ColorTable() ? target.ColorTable() : target.Dib(),
                                       ColorTableSize()) == 0;
    for (std::int64_t row = 0; row < h; ++row) {
        const std::uint8_t* from = RowPointer(static_cast<std::int32_t>(sy + row));
        std::uint8_t* to = target.RowPointer(static_cast<std::int32_t>(dy + row));
        if (sameDepth && bits >= 8 && sameTable) {
            const std::size_t pixelBytes = static_cast<std::size_t>(bits / 8);
            std::memcpy(to + dx * pixelBytes, from + sx * pixelBytes,
                        static_cast<std::size_t>(w) * pixelBytes);
        } else if (sameTable && bits < 8) {
            // Same table: copy the indexes themselves, as duplicates in a table must survive.
            const unsigned mask = (1u << bits) - 1, perByte = 8 / bits;
            for (std::int64_t x = 0; x < w; ++x) {
                const std::int64_t fx = sx + x, tx = dx + x;
                const unsigned fromShift = 8 - bits * (1 + fx % perByte);
                const unsigned toShift = 8 - bits * (1 + tx % perByte);
                const unsigned index = (from[fx / perByte] >> fromShift) & mask;
                std::uint8_t& byte = to[tx / perByte];
                byte = static_cast<std::uint8_t>((byte & ~(mask << toShift)) | index << toShift);
            }
        } else {
            for (std::int64_t x = 0; x < w; ++x) {
                target.ColorToStored(to, static_cast<std::int32_t>(dx + x),
                                     StoredToColor(from, static_cast<std::int32_t>(sx + x)));
            }
        }
    }
    return true;
}

} // namespace vexmora
