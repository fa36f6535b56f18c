#include <gtest/gtest.h>

#include "ImagingFixtures.h"
#include "imaging/BitmapSurface.h"
#include "imaging/BmpCodec.h"
#include "imaging/JoinImages.h"
#include "imaging/ScaleImage.h"

namespace vexmora::test {
namespace {

constexpr std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return r | g << 8 | b << 16;
}

// A one-row source whose column c (counted from 1) has the value c, spread over red and green.
ColorArray NumberedRow(int width) {
    ColorArray row(static_cast<std::size_t>(width));
    for (int c = 1; c <= width; ++c) {
        row[c - 1] = Rgb(c % 256, c / 256, 0);
    }
    return row;
}

int ColumnOf(std::uint32_t value) {
    return static_cast<int>((value & 0xFF) + ((value >> 8) & 0xFF) * 256);
}

TEST(ScaleAverage, HalvingWeighsABlock1224Of9TruncatingPerChannel) {
    // 4 x 4 to 2 x 2 has the step of 1100 to 550 (xr = yr = 2000): target (1, 1) samples
    // columns 1, 2, 2 and rows 1, 2, 2.
    ColorArray source(16, Rgb(5, 5, 5));
    source[0] = Rgb(10, 0, 255); // (1, 1): weight 1
    source[1] = Rgb(20, 0, 0);   // (2, 1): weight 2
    source[4] = Rgb(30, 0, 0);   // (1, 2): weight 2
    source[5] = Rgb(41, 2, 0);   // (2, 2): weight 4
    ColorArray out;
    ASSERT_TRUE(PixelScaler().ScaleAverage(source, 4, 4, 2, 2, out));
    ASSERT_EQ(out.size(), 4u);
    // red (10 + 40 + 60 + 164) / 9 = 30.4, green 8 / 9 = 0.9, blue 255 / 9 = 28.3.
    EXPECT_EQ(out[0], Rgb(30, 0, 28));
    EXPECT_EQ(out[1], Rgb(5, 5, 5));
    EXPECT_EQ(out[3], Rgb(5, 5, 5));
}

TEST(ScaleAverage, HalvingTheRealWidthSamplesTwoColumns) {
    // 1100 x 2 to 550 x 1: target column X samples source columns 2X - 1, 2X, 2X.
    ColorArray source(2200);
    for (int c = 1; c <= 1100; ++c) {
        source[c - 1] = source[1100 + c - 1] = Rgb(c % 2 ? 0 : 90, 0, c % 2 ? 9 : 0);
    }
    ColorArray out;
    ASSERT_TRUE(PixelScaler().ScaleAverage(source, 1100, 2, 550, 1, out));
    for (std::uint32_t v : {out[0], out[274], out[549]}) {
        EXPECT_EQ(v, Rgb(60, 0, 3)); // red 90 x 6 / 9, blue 9 x 3 / 9
    }
}

TEST(ScaleAverage, From1466To1280Columns) {
    // xr = 1145, bw = 1: X = 1 samples column 1 twice, X = 7 columns 7 and 8, the last target
    // column 1465 twice; column 1466 is never sampled.
    ColorArray out;
    ASSERT_TRUE(PixelScaler().ScaleAverage(NumberedRow(1466), 1466, 1, 1280, 1, out));
    ASSERT_EQ(out.size(), 1280u);
    EXPECT_EQ(ColumnOf(out[0]), 1);
    EXPECT_EQ(ColumnOf(out[1]), 2);
    EXPECT_EQ(out[6], Rgb(7, 0, 0)); // (7 + 8) / 2 truncated
    EXPECT_EQ(ColumnOf(out[1279]), 1465);
}

TEST(ScaleEnlarging, From550To1100TakesTheFirstColumnThreeTimesTheLastOnce) {
    std::vector<int> expected = {1, 1, 1};
    for (int c = 2; c <= 549; ++c) {
        expected.push_back(c);
        expected.push_back(c);
    }
    expected.push_back(550);
    ASSERT_EQ(expected.size(), 1100u);
    for (bool smooth : {true, false}) {
        ColorArray out;
        const PixelScaler scaler;
        ASSERT_TRUE(smooth ? scaler.ScaleAverage(NumberedRow(550), 550, 1, 1100, 1, out)
                           : scaler.ScaleNearest(NumberedRow(550), 550, 1, 1100, 1, out));
        std::vector<int> columns;
        for (std::uint32_t v : out) {
            columns.push_back(ColumnOf(v));
        }
        EXPECT_EQ(columns, expected) << (smooth ? "average" : "nearest");
    }
}

TEST(ScaleBothRules, SameSizeCopiesEveryPixel) {
    ColorArray source(7 * 5);
    for (std::size_t i = 0; i < source.size(); ++i) {
        source[i] = static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFFFF;
    }
    ColorArray average;
    ColorArray nearest;
    ASSERT_TRUE(PixelScaler().ScaleAverage(source, 7, 5, 7, 5, average));
    ASSERT_TRUE(PixelScaler().ScaleNearest(source, 7, 5, 7, 5, nearest));
    EXPECT_EQ(average, source);
    EXPECT_EQ(nearest, source);
}

TEST(ScaleAverage, SumOf3Over2GivesRed1) {
    // 3 x 1 to 2 x 2: target column 2 samples columns 2 and 3 once each (count 2).
    const ColorArray source = {Rgb(0, 0, 0), Rgb(1, 0, 0), Rgb(2, 0, 0)};
    ColorArray out;
    ASSERT_TRUE(PixelScaler().ScaleAverage(source, 3, 1, 2, 2, out));
    EXPECT_EQ(out[1], Rgb(1, 0, 0));
    EXPECT_EQ(out[3], Rgb(1, 0, 0));
}

TEST(ScaleAverage, TopByteIsIgnored) {
    const ColorArray source = {0xFF000000u | Rgb(9, 9, 9)};
    ColorArray out;
    ASSERT_TRUE(PixelScaler().ScaleAverage(source, 1, 1, 2, 2, out));
    EXPECT_EQ(out, ColorArray(4, Rgb(9, 9, 9)));
}

TEST(ScaleNearest, TakesTheLastPixelOfEachSpan) {
    ColorArray out;
    ASSERT_TRUE(PixelScaler().ScaleNearest(NumberedRow(4), 4, 1, 2, 1, out));
    EXPECT_EQ(ColumnOf(out[0]), 2);
    EXPECT_EQ(ColumnOf(out[1]), 4);
}

TEST(ScaleBothRules, OnePixelFillsAnySize) {
    const ColorArray one = {Rgb(1, 2, 3)};
    for (auto [w, h] : {std::pair{1, 1}, {5, 3}, {1280, 960}}) {
        ColorArray average;
        ColorArray nearest;
        ASSERT_TRUE(PixelScaler().ScaleAverage(one, 1, 1, w, h, average));
        ASSERT_TRUE(PixelScaler().ScaleNearest(one, 1, 1, w, h, nearest));
        EXPECT_EQ(average, ColorArray(static_cast<std::size_t>(w) * h, Rgb(1, 2, 3)));
        EXPECT_EQ(nearest, average);
    }
}

TEST(ScaleBothRules, RefuseEmptyShortOrImpossibleSizes) {
    const ColorArray four(4, 1);
    struct Case {
        ColorArray source;
        int sw, sh, dw, dh;
    };
    const Case cases[] = {
        {four, 0, 4, 2, 2},   {four, 2, 0, 2, 2}, {four, 3, 2, 2, 2},   // array too short
        {four, 2, 2, 0, 2},   {four, 2, 2, 2, 0}, {four, -2, -2, 2, 2}, // negatives multiply to 4
        {four, 2, 2, -2, -2}, {{}, 1, 1, 1, 1},   {four, 2, 2, 100000, 100000},
    };
    for (const Case& c : cases) {
        ColorArray out = {42};
        EXPECT_FALSE(PixelScaler().ScaleAverage(c.source, c.sw, c.sh, c.dw, c.dh, out));
        EXPECT_FALSE(PixelScaler().ScaleNearest(c.source, c.sw, c.sh, c.dw, c.dh, out));
        EXPECT_EQ(out, ColorArray{42});
    }
}

TEST(PixelScaler, ReadAndWriteSurface) {
    const PixelScaler scaler;
    BitmapSurface surface;
    ColorArray pixels = {7};
    EXPECT_FALSE(scaler.ReadSurface(surface, pixels));
    EXPECT_EQ(pixels, ColorArray{7});

    const ColorArray picture = {Rgb(1, 2, 3),    Rgb(4, 5, 6),    Rgb(7, 8, 9),
                                Rgb(10, 11, 12), Rgb(13, 14, 15), Rgb(16, 17, 18)};
    ASSERT_TRUE(scaler.WriteSurface(surface, picture, 3, 2));
    EXPECT_EQ(surface.BitCount(), 24);
    EXPECT_EQ(surface.ReadPixel(2, 1), Rgb(16, 17, 18));
    ASSERT_TRUE(scaler.ReadSurface(surface, pixels));
    EXPECT_EQ(pixels, picture);

    // A 16-bit surface is read through its colours.
    BitmapSurface sixteen;
    sixteen.Create(2, 1, 16);
    sixteen.WritePixel(1, 0, 0xFFFFFF);
    ASSERT_TRUE(scaler.ReadSurface(sixteen, pixels));
    EXPECT_EQ(pixels, (ColorArray{0, 0xFFFFFF}));

    // Refused writes leave the surface as it was.
    const Bytes before = surface.ToBmpBytes();
    EXPECT_FALSE(scaler.WriteSurface(surface, picture, 4, 2));
    EXPECT_FALSE(scaler.WriteSurface(surface, picture, 0, 2));
    EXPECT_FALSE(scaler.WriteSurface(surface, picture, -3, -2));
    EXPECT_EQ(surface.ToBmpBytes(), before);
}

struct LengthCase {
    int width, height;
    std::size_t stride;
};

class ScaleImageLength : public ::testing::TestWithParam<LengthCase> {};

TEST_P(ScaleImageLength, Is24BitsWithPaddedRows) {
    static const Bytes jpeg = *platform::EncodeJpeg(SolidImage(550, 550, Rgb(30, 90, 200)), 95);
    const LengthCase c = GetParam();
    const Bytes out = ScaleImage(jpeg, c.width, c.height, true);
    EXPECT_EQ(out.size(), 54 + c.stride * c.height);
    const BmpInfo info = ReadBmpInfo(out);
    EXPECT_EQ(info.width, c.width);
    EXPECT_EQ(info.height, c.height);
    EXPECT_EQ(info.bits, 24);
    EXPECT_EQ(info.stride, c.stride);
    const std::uint32_t middle = BmpPixel(out, c.width / 2, c.height / 2);
    EXPECT_NEAR(static_cast<int>(middle & 0xFF), 30, 3);
    EXPECT_NEAR(static_cast<int>(middle >> 16), 200, 3);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ScaleImageLength,
                         ::testing::Values(LengthCase{640, 480, 1920}, LengthCase{550, 550, 1652},
                                           LengthCase{1280, 960, 3840}, LengthCase{3, 1, 12}),
                         [](const auto& info) {
                             return std::to_string(info.param.width) + "x" +
                                    std::to_string(info.param.height);
                         });

TEST(ScaleImage, FailuresGiveOneBlackPixelIn58Bytes) {
    const Bytes png = *platform::EncodePng(SolidImage(4, 4, 0xFFFFFF));
    const Bytes inputs[] = {Bytes{}, BytesFromText("<html>"), Bytes(png.begin(), png.end() - 20)};
    for (const Bytes& input : inputs) {
        const Bytes out = ScaleImage(input, 640, 480, true);
        ASSERT_EQ(out.size(), 58u);
        EXPECT_EQ(ReadBmpInfo(out).width, 1);
        EXPECT_EQ(BmpPixel(out, 0, 0), 0u);
    }
    for (auto [w, h] : {std::pair{0, 480}, {640, 0}, {-640, -480}, {100000, 100000}}) {
        EXPECT_EQ(ScaleImage(png, w, h, true).size(), 58u) << w << "x" << h;
        EXPECT_EQ(ScaleImage(png, w, h, false).size(), 58u) << w << "x" << h;
    }
}

TEST(ScaleImage, JoinResultScalesWithItsColours) {
    const Bytes left = *platform::EncodePng(SolidImage(4, 4, Rgb(255, 0, 0)));
    const Bytes right = *platform::EncodePng(SolidImage(4, 4, Rgb(0, 0, 255)));
    const Bytes joined = JoinImages(left, right, false);
    const Bytes out = ScaleImage(joined, 4, 2, true);
    EXPECT_EQ(BmpPixel(out, 0, 0), Rgb(255, 0, 0));
    EXPECT_EQ(BmpPixel(out, 3, 1), Rgb(0, 0, 255));
}

TEST(ScaleImage, SmoothChoosesTheRule) {
    // 4 x 1 to 2 x 1: nearest takes columns 2 and 4; averaging mixes 1, 2, 2 and 3, 4, 4.
    const Bytes bmp = *EncodeBmp(MakeImage(4, 1, [](int x, int) { return Rgb(x * 30, 0, 0); }));
    const Bytes nearest = ScaleImage(bmp, 2, 1);
    EXPECT_EQ(BmpPixel(nearest, 0, 0), Rgb(30, 0, 0));
    EXPECT_EQ(BmpPixel(nearest, 1, 0), Rgb(90, 0, 0));
    const Bytes average = ScaleImage(bmp, 2, 1, true);
    EXPECT_EQ(BmpPixel(average, 0, 0), Rgb(20, 0, 0)); // (0 + 30 + 30) x 2 / 6
    EXPECT_EQ(BmpPixel(average, 1, 0), Rgb(80, 0, 0)); // (60 + 90 + 90) x 2 / 6
}

} // namespace
} // namespace vexmora::test
