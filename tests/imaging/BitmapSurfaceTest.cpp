#include <cstring>
#include <optional>
#include <tuple>

#include <gtest/gtest.h>

#include "ImagingFixtures.h"
#include "imaging/BitmapSurface.h"
#include "imaging/BmpCodec.h"
#include "platform/FileSystem.h"
#include "tests/support/TempDir.h"

namespace vexmora::test {
namespace {

struct LayoutCase {
    std::int32_t width, height, bits;
    std::int32_t stride;
    std::size_t dibSize;
    std::size_t fileSize;
    std::uint32_t pixelOffset;
};

class SurfaceLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(SurfaceLayout, CreateGivesTheBmpLayout) {
    const LayoutCase c = GetParam();
    BitmapSurface surface;
    ASSERT_TRUE(surface.Create(c.width, c.height, c.bits));
    EXPECT_EQ(surface.Width(), c.width);
    EXPECT_EQ(surface.Height(), c.height);
    EXPECT_EQ(surface.BitCount(), c.bits);
    EXPECT_EQ(surface.Stride(), c.stride);
    EXPECT_EQ(surface.DibImage().size(), c.dibSize);
    EXPECT_EQ(surface.PixelAreaSize(), static_cast<std::size_t>(c.stride) * c.height);

    const Bytes bmp = surface.ToBmpBytes();
    ASSERT_EQ(bmp.size(), c.fileSize);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(Le32(bmp, 2), c.fileSize);
    EXPECT_EQ(Le32(bmp, 6), 0u);
    EXPECT_EQ(Le32(bmp, 10), c.pixelOffset);
    // The information header: 40, size, planes 1, bits, and zeros for everything else.
    EXPECT_EQ(Le32(bmp, 14), 40u);
    EXPECT_EQ(static_cast<std::int32_t>(Le32(bmp, 18)), c.width);
    EXPECT_EQ(static_cast<std::int32_t>(Le32(bmp, 22)), c.height);
    EXPECT_EQ(Le16(bmp, 26), 1);
    EXPECT_EQ(Le16(bmp, 28), c.bits);
    for (std::size_t at = 30; at < 54; at += 4) {
        EXPECT_EQ(Le32(bmp, at), 0u) << "offset " << at;
    }
    // A new picture is black or colour-table entry 0.
    for (std::size_t at = c.pixelOffset; at < bmp.size(); ++at) {
        ASSERT_EQ(bmp[at], 0) << "offset " << at;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SurfaceLayout,
    ::testing::Values(LayoutCase{1, 1, 24, 4, 44, 58, 54}, LayoutCase{3, 2, 24, 12, 64, 78, 54},
                      LayoutCase{7, 3, 32, 28, 40 + 84, 54 + 84, 54},
                      LayoutCase{10, 10, 8, 12, 40 + 1024 + 120, 14 + 40 + 1024 + 120, 1078},
                      LayoutCase{5, 1, 1, 4, 40 + 8 + 4, 14 + 52, 62},
                      LayoutCase{3, 2, 4, 4, 40 + 64 + 8, 14 + 112, 118},
                      LayoutCase{3, 1, 16, 8, 48, 62, 54}, LayoutCase{0, 0, 32, 0, 40, 54, 54}),
    [](const auto& info) {
        const LayoutCase& c = info.param;
        return std::to_string(c.width) + "x" + std::to_string(c.height) + "x" +
               std::to_string(c.bits);
    });

TEST(BitmapSurface, ColourTablesAreTheDefaults) {
    BitmapSurface surface;
    surface.Create(10, 10, 8);
    ASSERT_EQ(surface.ColorTableSize(), 1024u);
    EXPECT_EQ(std::memcmp(surface.ColorTable(), surface.Palette256().data(), 1024), 0);

    // Entries stored blue, green, red, 0.
    auto entry = [](const Bytes& table, int i) {
        return std::vector<int>{table[i * 4], table[i * 4 + 1], table[i * 4 + 2], table[i * 4 + 3]};
    };
    const Bytes& p256 = surface.Palette256();
    EXPECT_EQ(entry(p256, 8), (std::vector<int>{192, 220, 192, 0}));
    EXPECT_EQ(entry(p256, 9), (std::vector<int>{240, 202, 166, 0}));
    // Entry 10: red (10 & 7) * 32, green ((10 >> 3) & 7) * 32, blue (10 >> 6) * 64.
    EXPECT_EQ(entry(p256, 10), (std::vector<int>{0, 32, 64, 0}));
    EXPECT_EQ(entry(p256, 245), (std::vector<int>{192, 192, 160, 0}));
    EXPECT_EQ(entry(p256, 246), (std::vector<int>{240, 251, 255, 0}));
    EXPECT_EQ(entry(p256, 255), (std::vector<int>{255, 255, 255, 0}));

    const Bytes& p16 = surface.Palette16();
    ASSERT_EQ(p16.size(), 64u);
    EXPECT_EQ(entry(p16, 8), (std::vector<int>{192, 192, 192, 0}));
    EXPECT_EQ(entry(p16, 9), (std::vector<int>{0, 0, 255, 0}));
    EXPECT_EQ(entry(p16, 12), (std::vector<int>{255, 0, 0, 0}));

    surface.Create(5, 1, 1);
    const Bytes bmp = surface.ToBmpBytes();
    EXPECT_EQ(Bytes(bmp.begin() + 54, bmp.begin() + 62), (Bytes{0, 0, 0, 0, 255, 255, 255, 0}));
}

TEST(BitmapSurface, RedPixelLandsInTheTopRowBytes) {
    BitmapSurface surface;
    surface.Create(3, 2, 24);
    ASSERT_TRUE(surface.WritePixel(0, 0, 0x0000FF));
    const Bytes bmp = surface.ToBmpBytes();
    // Rows bottom first: the top row is the last stored row, at 54 + 12.
    EXPECT_EQ(Bytes(bmp.begin() + 66, bmp.begin() + 69), (Bytes{0x00, 0x00, 0xFF}));
    EXPECT_EQ(Bytes(bmp.begin() + 54, bmp.begin() + 57), (Bytes{0, 0, 0}));
    EXPECT_EQ(surface.ReadPixel(0, 0), 0x0000FFu);
    EXPECT_EQ(surface.ReadPixel(0, 1), 0u);
}

struct PixelCase {
    std::int32_t bits;
    std::uint32_t written;
    std::uint32_t read;
};

class SurfacePixels : public ::testing::TestWithParam<PixelCase> {};

TEST_P(SurfacePixels, WriteThenReadMapsTheColour) {
    const PixelCase c = GetParam();
    BitmapSurface surface;
    surface.Create(9, 3, c.bits);
    ASSERT_TRUE(surface.WritePixel(7, 1, c.written));
    EXPECT_EQ(surface.ReadPixel(7, 1), c.read);
    // Neighbours, which share a byte at low depths, are untouched.
    EXPECT_EQ(surface.ReadPixel(6, 1), 0u);
    EXPECT_EQ(surface.ReadPixel(8, 1), 0u);
    EXPECT_EQ(surface.ReadPixel(7, 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Depths, SurfacePixels,
    ::testing::Values(PixelCase{32, 0x123456, 0x123456}, PixelCase{24, 0xABCDEF, 0xABCDEF},
                      // 5-5-5: 0x12 -> 2 -> 0x10, 0x34 -> 6 -> 0x31, 0x56 -> 10 -> 0x52.
                      PixelCase{16, 0x563412, 0x523110}, PixelCase{16, 0xFFFFFF, 0xFFFFFF},
                      PixelCase{8, 0x0000FF, 0x0000FF}, // table entry 249
                      PixelCase{8, 0xF0CAA6, 0xF0CAA6}, // entry 9 (166, 202, 240)
                      PixelCase{8, 0x0000F0, 0x0000FF}, // nearest is pure red
                      PixelCase{4, 0x808000, 0x808000}, // (0, 128, 128)
                      PixelCase{4, 0xC8C8C8, 0xC0C0C0}, // nearest is silver
                      PixelCase{1, 0xFFFFFF, 0xFFFFFF}, PixelCase{1, 0x909090, 0xFFFFFF}),
    [](const auto& info) {
        return std::to_string(info.param.bits) + "bits_" + std::to_string(info.index);
    });

TEST(BitmapSurface, PixelsOutsideThePictureAreRefused) {
    BitmapSurface surface;
    surface.Create(2, 2, 32);
    EXPECT_FALSE(surface.WritePixel(2, 0, 1));
    EXPECT_FALSE(surface.WritePixel(0, -1, 1));
    EXPECT_EQ(surface.ReadPixel(-1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(surface.ReadPixel(0, 2), 0xFFFFFFFFu);
    BitmapSurface empty;
    EXPECT_FALSE(empty.WritePixel(0, 0, 1));
    EXPECT_EQ(empty.Width(), 0);
    EXPECT_TRUE(empty.ToBmpBytes().empty());
}

TEST(BitmapSurface, BadBitCountOrSizeLeavesItEmptyButCreateSucceeds) {
    for (auto [w, h, bits] : {std::tuple{4, 4, 7},
                              {4, 4, 0},
                              {4, 4, 64},
                              {-1, 4, 32},
                              {4, -1, 32},
                              {1 << 30, 1 << 30, 32}}) {
        BitmapSurface surface;
        surface.Create(3, 3, 24);
        EXPECT_TRUE(surface.Create(w, h, bits));
        EXPECT_TRUE(surface.DibImage().empty());
        EXPECT_EQ(surface.Width(), 0);
        EXPECT_EQ(surface.PixelArea(), nullptr);
    }
}

TEST(BitmapSurface, LoadTakes32BitsUnlessABitCountIsGiven) {
    const Bytes bmp = *EncodeBmp(MakeImage(
        3, 2, [](int x, int y) { return static_cast<std::uint32_t>(0x102030 * (x + 1) + y); }));
    BitmapSurface surface;
    ASSERT_TRUE(surface.LoadFromBytes(bmp));
    EXPECT_EQ(surface.BitCount(), 32);
    EXPECT_EQ(surface.Width(), 3);
    EXPECT_EQ(surface.Height(), 2);
    EXPECT_EQ(surface.ReadPixel(2, 1), 0x102030u * 3 + 1);
    ASSERT_TRUE(surface.LoadFromBytes(bmp, 24));
    EXPECT_EQ(surface.BitCount(), 24);
    EXPECT_EQ(surface.ReadPixel(1, 0), 0x102030u * 2);

    // A palette bitmap also comes in at 32 bits, with its colours.
    BitmapSurface eight;
    eight.Create(2, 1, 8);
    eight.WritePixel(1, 0, 0xFFFF00);
    ASSERT_TRUE(surface.LoadFromBytes(eight.ToBmpBytes()));
    EXPECT_EQ(surface.BitCount(), 32);
    EXPECT_EQ(surface.ReadPixel(1, 0), 0xFFFF00u);
    ASSERT_TRUE(surface.LoadFromBytes(eight.ToBmpBytes(), 8));
    EXPECT_EQ(surface.ToBmpBytes(), eight.ToBmpBytes());
}

TEST(BitmapSurface, LoadOfSomethingElseFailsAndEmpties) {
    BitmapSurface surface;
    surface.Create(2, 2, 32);
    EXPECT_FALSE(surface.LoadFromBytes(BytesFromText("not a bitmap at all")));
    EXPECT_TRUE(surface.DibImage().empty());
    EXPECT_FALSE(surface.LoadFromBytes({}));
    EXPECT_FALSE(surface.LoadFromBytes(*EncodeBmp(SolidImage(2, 2, 0)), 7));
    EXPECT_TRUE(surface.DibImage().empty());
}

TEST(BitmapSurface, LoadFromFileReadsAGbkPath) {
    TempDir dir;
    // The temporary folder is ASCII; the literal is GBK bytes.
    const Text path = dir.slashed() + "位图.bmp";
    ASSERT_TRUE(platform::WriteWholeFile(path, *EncodeBmp(SolidImage(4, 3, 0x00FF00))));
    BitmapSurface surface;
    ASSERT_TRUE(surface.LoadFromFile(path));
    EXPECT_EQ(surface.Width(), 4);
    EXPECT_EQ(surface.ReadPixel(3, 2), 0x00FF00u);
    EXPECT_FALSE(surface.LoadFromFile(path + "x"));
    EXPECT_EQ(surface.Width(), 0);
}

// A 4 x 3 32-bit picture whose pixel (x, y) is x + 10 y.
BitmapSurface Numbered() {
    BitmapSurface surface;
    surface.Create(4, 3, 32);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            surface.WritePixel(x, y, static_cast<std::uint32_t>(x + 10 * y));
        }
    }
    return surface;
}

struct DrawCase {
    const char* name;
    std::int32_t sx, sy;
    std::optional<std::int32_t> w, h;
    std::int32_t dx, dy;
    // The target (5 x 4, filled with 0xFFFFFF) afterwards, row by row; -1 = background.
    std::vector<int> expected;
};

class DrawOntoClips : public ::testing::TestWithParam<DrawCase> {};

TEST_P(DrawOntoClips, CopiesTheVisibleBlock) {
    const DrawCase& c = GetParam();
    const BitmapSurface source = Numbered();
    BitmapSurface target;
    target.Create(5, 4, 32);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) {
            target.WritePixel(x, y, 0xFFFFFF);
        }
    }
    ASSERT_TRUE(source.DrawOnto(target, c.sx, c.sy, c.w, c.h, c.dx, c.dy));
    std::vector<int> seen;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) {
            const std::uint32_t v = target.ReadPixel(x, y);
            seen.push_back(v == 0xFFFFFF ? -1 : static_cast<int>(v));
        }
    }
    EXPECT_EQ(seen, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, DrawOntoClips,
    ::testing::Values(
        DrawCase{"Whole", 0, 0, std::nullopt, std::nullopt, 0, 0, {0,  1,  2,  3,  -1, 10, 11,
                                                                   12, 13, -1, 20, 21, 22, 23,
                                                                   -1, -1, -1, -1, -1, -1}},
        DrawCase{"PastRightAndBottom", 0, 0, std::nullopt, std::nullopt, 3, 2, {-1, -1, -1, -1,
                                                                                -1, -1, -1, -1,
                                                                                -1, -1, -1, -1,
                                                                                -1, 0,  1,  -1,
                                                                                -1, -1, 10, 11}},
        DrawCase{"NegativeDestination", 0, 0, std::nullopt, std::nullopt, -2, -1, {12, 13, -1, -1,
                                                                                   -1, 22, 23, -1,
                                                                                   -1, -1, -1, -1,
                                                                                   -1, -1, -1, -1,
                                                                                   -1, -1, -1, -1}},
        DrawCase{"BlockFromInside", 1, 1, 2, 2, 2, 1, {-1, -1, -1, -1, -1, -1, -1, 11, 12, -1,
                                                       -1, -1, 21, 22, -1, -1, -1, -1, -1, -1}},
        DrawCase{"BlockPastTheSource", 2, 1, 9, 9, 0, 0, {12, 13, -1, -1, -1, 22, 23, -1, -1, -1,
                                                          -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}},
        DrawCase{"NegativeSource", -1, 0, 2, 1, 0, 0, {-1, 0,  -1, -1, -1, -1, -1, -1, -1, -1,
                                                       -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}},
        DrawCase{"NothingVisible", 0, 0, std::nullopt, std::nullopt, 5, 0, {-1, -1, -1, -1, -1,
                                                                            -1, -1, -1, -1, -1,
                                                                            -1, -1, -1, -1, -1,
                                                                            -1, -1, -1, -1, -1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BitmapSurface, DrawOntoFromEmptyCopiesNothing) {
    BitmapSurface empty;
    BitmapSurface target;
    target.Create(2, 2, 32);
    target.WritePixel(0, 0, 0x123456);
    const Bytes before = target.ToBmpBytes();
    EXPECT_FALSE(empty.DrawOnto(target));
    EXPECT_EQ(target.ToBmpBytes(), before);
}

TEST(BitmapSurface, DrawOntoConvertsBetweenDepths) {
    const BitmapSurface source = Numbered();
    BitmapSurface target;
    target.Create(4, 3, 24);
    ASSERT_TRUE(source.DrawOnto(target));
    EXPECT_EQ(target.ReadPixel(3, 2), 23u);
    BitmapSurface eight;
    eight.Create(4, 3, 8);
    BitmapSurface red;
    red.Create(1, 1, 32);
    red.WritePixel(0, 0, 0x0000FF);
    ASSERT_TRUE(red.DrawOnto(eight, 0, 0, std::nullopt, std::nullopt, 2, 1));
    EXPECT_EQ(eight.ReadPixel(2, 1), 0x0000FFu);
}

TEST(BitmapSurface, DrawOntoKeepsTableIndexesBetweenPaletteSurfaces) {
    // Entries 7 of the 16-colour table and 248 of the 256 one hold grey twice over in the
    // 256 table (164 and 248 are both (128, 128, 128)); a copy must keep the index it finds.
    BitmapSurface source;
    source.Create(3, 1, 8);
    source.PixelArea()[0] = 164;
    source.PixelArea()[1] = 248;
    source.PixelArea()[2] = 7;
    BitmapSurface target;
    target.Create(3, 1, 8);
    ASSERT_TRUE(source.DrawOnto(target));
    EXPECT_EQ(target.PixelArea()[0], 164);
    EXPECT_EQ(target.PixelArea()[1], 248);

    BitmapSurface bits4;
    bits4.Create(3, 1, 4);
    bits4.WritePixel(1, 0, 0x808000);
    BitmapSurface other4;
    other4.Create(3, 1, 4);
    ASSERT_TRUE(bits4.DrawOnto(other4, 1, 0, 1, 1, 2, 0));
    EXPECT_EQ(other4.ReadPixel(2, 0), 0x808000u);
    EXPECT_EQ(other4.ReadPixel(1, 0), 0u);
}

TEST(BitmapSurface, ResetEmptiesAndCreateReuses) {
    BitmapSurface surface;
    surface.Create(3, 3, 32);
    surface.Reset();
    EXPECT_TRUE(surface.DibImage().empty());
    surface.Create(2, 1, 24);
    EXPECT_EQ(surface.ToBmpBytes().size(), 62u);
}

} // namespace
} // namespace vexmora::test
