// Our BMP reader on files built byte by byte, honest and lying.
#include <gtest/gtest.h>

#include "ImagingFixtures.h"
#include "imaging/BmpCodec.h"

namespace vexmora::test {
namespace {

// A BMP file: 14-byte file header, a header of `headerSize` bytes, then `extra` (masks and/or
// colour table), then the rows as given (already padded, in stored order).
struct BmpBuilder {
    std::uint32_t headerSize = 40;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    Bytes extra;
    Bytes rows;
    std::optional<std::uint32_t> pixelOffset;

    Bytes Build() const {
        Bytes out(14 + headerSize, 0);
        out[0] = 'B';
        out[1] = 'M';
        SetLe32(out, 14, headerSize);
        if (headerSize == 12) {
            SetLe16(out, 18, static_cast<std::uint16_t>(width));
            SetLe16(out, 20, static_cast<std::uint16_t>(height));
            SetLe16(out, 22, 1);
            SetLe16(out, 24, bits);
        } else {
            SetLe32(out, 18, static_cast<std::uint32_t>(width));
            SetLe32(out, 22, static_cast<std::uint32_t>(height));
            SetLe16(out, 26, 1);
            SetLe16(out, 28, bits);
            SetLe32(out, 30, compression);
            SetLe32(out, 46, colorsUsed);
        }
        out.insert(out.end(), extra.begin(), extra.end());
        SetLe32(out, 10, pixelOffset.value_or(static_cast<std::uint32_t>(out.size())));
        out.insert(out.end(), rows.begin(), rows.end());
        SetLe32(out, 2, static_cast<std::uint32_t>(out.size()));
        return out;
    }
};

Bytes Entries(std::initializer_list<std::uint32_t> colors) {
    Bytes out;
    for (std::uint32_t c : colors) {
        out.push_back(static_cast<std::uint8_t>(c >> 16)); // blue
        out.push_back(static_cast<std::uint8_t>(c >> 8));
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(0);
    }
    return out;
}

std::vector<std::uint32_t> Colors(const platform::DecodedImage& image) {
    std::vector<std::uint32_t> out;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            out.push_back(ColorAt(image, x, y));
        }
    }
    return out;
}

struct DecodeCase {
    const char* name;
    BmpBuilder file;
    std::vector<std::uint32_t> expected; // top row first
};

class BmpDecodes : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(BmpDecodes, GivesTheColoursTopRowFirst) {
    const DecodeCase& c = GetParam();
    const auto image = DecodeBmp(c.file.Build());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, c.file.width);
    EXPECT_EQ(image->height, c.file.height < 0 ? -c.file.height : c.file.height);
    EXPECT_EQ(Colors(*image), c.expected);
    EXPECT_FALSE(image->hasAlpha);
}

constexpr std::uint32_t R = 0x0000FF, G = 0x00FF00, B = 0xFF0000, W = 0xFFFFFF, K = 0;

BmpBuilder File(std::int32_t w, std::int32_t h, std::uint16_t bits, Bytes extra, Bytes rows,
                std::uint32_t compression = 0, std::uint32_t headerSize = 40) {
    BmpBuilder b;
    b.width = w;
    b.height = h;
    b.bits = bits;
    b.extra = std::move(extra);
    b.rows = std::move(rows);
    b.compression = compression;
    b.headerSize = headerSize;
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, BmpDecodes,
    ::testing::Values(
        // 1 bit, 10 pixels: rows bottom first, padded to 4 bytes.
        DecodeCase{"Bits1", File(10, 2, 1, Entries({K, W}), {0xC0, 0x40, 0, 0, 0x80, 0x00, 0, 0}),
                   {W, K, K, K, K, K, K, K, K, K, W, W, K, K, K, K, K, K, K, W}},
        DecodeCase{"Bits4", File(3, 1, 4, Entries({K, R, G, B}), {0x12, 0x30, 0, 0}), {R, G, B}},
        DecodeCase{"Bits8", File(2, 2, 8, Entries({K, R, G}), {1, 2, 0, 0, 2, 0, 0, 0}),
                   {G, K, R, G}},
        DecodeCase{"Bits8TopDown", File(2, -2, 8, Entries({K, R, G}), {1, 2, 0, 0, 2, 0, 0, 0}),
                   {R, G, G, K}},
        // 16 bits BI_RGB is 5-5-5: 0x7C00 red, 0x03E0 green, 0x001F blue.
        DecodeCase{"Bits16", File(3, 1, 16, {}, {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0, 0}),
                   {R, G, B}},
        // 16 bits 5-6-5 with bit fields behind a 40-byte header.
        DecodeCase{"Bits16Bitfields565",
                   File(2, 1, 16, {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0},
                        {0xE0, 0x07, 0x00, 0x80}, 3),
                   {G, 0x000084}},
        DecodeCase{"Bits24", File(2, 1, 24, {}, {0x30, 0x20, 0x10, 0xFF, 0, 0, 0, 0}),
                   {0x302010, B}},
        // The fourth byte of a 32-bit BI_RGB pixel is not alpha.
        DecodeCase{"Bits32", File(1, 2, 32, {}, {1, 2, 3, 0, 4, 5, 6, 0x80}), {0x040506, 0x010203}},
        DecodeCase{"Bits32Bitfields",
                   File(1, 1, 32, {0, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0}, {0x11, 0x22, 0x33, 0x44},
                        3),
                   {0x223344}},
        // The old core header: 3-byte table entries.
        DecodeCase{"CoreHeader", File(2, 1, 8, {0, 0, 0, 0, 0, 0xFF}, {1, 0, 0, 0}, 0, 12),
                   {R, K}},
        // Indexes past a short table are black, never read beyond it.
        DecodeCase{"IndexPastColorsUsed", [] {
                       BmpBuilder b = File(2, 1, 8, Entries({R}), {0, 200, 0, 0});
                       b.colorsUsed = 1;
                       return b;
                   }(),
                   {R, K}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BmpCodec, V5HeaderWithAlphaMask) {
    // 124-byte header: masks at 40..55 (red, green, blue, alpha).
    BmpBuilder b = File(2, 1, 32, {}, {0x10, 0x20, 0x30, 0x80, 0x10, 0x20, 0x30, 0xFF}, 3, 124);
    Bytes file = b.Build();
    SetLe32(file, 14 + 40, 0x00FF0000);
    SetLe32(file, 14 + 44, 0x0000FF00);
    SetLe32(file, 14 + 48, 0x000000FF);
    SetLe32(file, 14 + 52, 0xFF000000);
    const auto image = DecodeBmp(file);
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->hasAlpha);
    EXPECT_EQ(image->pixels[3], 0x80);
    EXPECT_EQ(ColorAt(*image, 0, 0), 0x102030u);

    // All alpha values 0: a writer that left the channel empty; the picture is opaque.
    file[14 + 124 + 3] = 0;
    file[14 + 124 + 7] = 0;
    const auto opaque = DecodeBmp(file);
    ASSERT_TRUE(opaque);
    EXPECT_FALSE(opaque->hasAlpha);
    EXPECT_EQ(opaque->pixels[3], 255);
}

struct LieCase {
    const char* name;
    std::function<void(Bytes&)> damage;
};

class BmpLies : public ::testing::TestWithParam<LieCase> {};

TEST_P(BmpLies, AreUndecodable) {
    Bytes file = File(4, 4, 24, {}, Bytes(48, 0x7F)).Build();
    ASSERT_TRUE(DecodeBmp(file));
    GetParam().damage(file);
    EXPECT_FALSE(DecodeBmp(file));
}

INSTANTIATE_TEST_SUITE_P(
    Headers, BmpLies,
    ::testing::Values(LieCase{"Truncated", [](Bytes& f) { f.resize(f.size() - 1); }},
                      LieCase{"OffsetPastTheEnd", [](Bytes& f) { SetLe32(f, 10, 0xFFFFFFF0); }},
                      LieCase{"HeaderSizePastTheEnd", [](Bytes& f) { SetLe32(f, 14, 0x7FFFFFFF); }},
                      LieCase{"HeaderSizeTooSmall", [](Bytes& f) { SetLe32(f, 14, 20); }},
                      LieCase{"ZeroWidth", [](Bytes& f) { SetLe32(f, 18, 0); }},
                      LieCase{"NegativeWidth",
                              [](Bytes& f) { SetLe32(f, 18, static_cast<std::uint32_t>(-4)); }},
                      LieCase{"ZeroHeight", [](Bytes& f) { SetLe32(f, 22, 0); }},
                      LieCase{"LowestHeight", [](Bytes& f) { SetLe32(f, 22, 0x80000000u); }},
                      LieCase{"HugeSize",
                              [](Bytes& f) {
                                  SetLe32(f, 18, 100000);
                                  SetLe32(f, 22, 100000);
                              }},
                      LieCase{"TallerThanTheData", [](Bytes& f) { SetLe32(f, 22, 5); }},
                      LieCase{"BitCountSeven", [](Bytes& f) { SetLe16(f, 28, 7); }},
                      LieCase{"RunLengthCompression", [](Bytes& f) { SetLe32(f, 30, 1); }},
                      LieCase{"BitfieldsOn24Bits", [](Bytes& f) { SetLe32(f, 30, 3); }},
                      LieCase{"NotBm", [](Bytes& f) { f[1] = 'A'; }},
                      LieCase{"OnlyTheFileHeader", [](Bytes& f) { f.resize(14); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BmpCodec, LyingTableAndOffsetAreSurvived) {
    // colorsUsed far beyond 256, and a pixel offset into the headers: the table is clamped and
    // the rows are taken from behind it.
    BmpBuilder b = File(2, 1, 8, Entries({K, G}), {1, 0, 0, 0});
    b.colorsUsed = 0xFFFFFFFF;
    b.pixelOffset = 20;
    Bytes file = b.Build();
    // Entries beyond the two in the file are missing: the rows directly follow the table only
    // when the file holds all 256, so here the header's full table length reaches past the end.
    EXPECT_FALSE(DecodeBmp(file));
    b.colorsUsed = 2;
    const auto image = DecodeBmp(b.Build());
    ASSERT_TRUE(image);
    EXPECT_EQ(Colors(*image), (std::vector<std::uint32_t>{G, K}));
}

TEST(BmpCodec, EncodeWritesBottomUpRows) {
    const auto image =
        MakeImage(3, 2, [](int x, int y) { return static_cast<std::uint32_t>(x + 16 * y); });
    const Bytes bmp = *EncodeBmp(image);
    const BmpInfo info = ReadBmpInfo(bmp);
    EXPECT_EQ(info.bits, 24);
    EXPECT_EQ(bmp.size(), 54u + 12 * 2);
    EXPECT_EQ(Le32(bmp, 2), bmp.size());
    EXPECT_EQ(BmpPixel(bmp, 2, 0), 2u);
    EXPECT_EQ(BmpPixel(bmp, 1, 1), 17u);
    EXPECT_EQ(bmp[54 + 2], 16); // first stored row is the bottom one: red of (0, 1)

    platform::DecodedImage translucent = image;
    translucent.hasAlpha = true;
    translucent.pixels[3] = 7;
    const Bytes bmp32 = *EncodeBmp(translucent);
    EXPECT_EQ(ReadBmpInfo(bmp32).bits, 32);
    EXPECT_EQ(bmp32[54 + 4 * 3 + 3], 7); // the top row is stored second
}

} // namespace
} // namespace vexmora::test
