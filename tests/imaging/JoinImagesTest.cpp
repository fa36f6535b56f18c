#include <gtest/gtest.h>

#include "ImagingFixtures.h"
#include "imaging/BmpCodec.h"
#include "imaging/JoinImages.h"

namespace vexmora::test {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kRed = 0x0000FF;
constexpr std::uint32_t kBlue = 0xFF0000;

Bytes Png(int width, int height, std::uint32_t color) {
    return *platform::EncodePng(SolidImage(width, height, color));
}

void ExpectBmp32(const Bytes& bmp, int width, int height) {
    const BmpInfo info = ReadBmpInfo(bmp);
    EXPECT_EQ(info.width, width);
    EXPECT_EQ(info.height, height); // positive: bottom row first
    EXPECT_EQ(info.bits, 32);
    EXPECT_EQ(info.pixelOffset, 54u);
    EXPECT_EQ(bmp.size(), 54u + 4u * width * height);
    EXPECT_EQ(Le32(bmp, 2), bmp.size());
}

TEST(JoinImages, TilesSideBySideThenRowsAboveEachOther) {
    const Bytes row = JoinImages(Png(550, 550, kRed), Png(550, 550, kBlue), false);
    ExpectBmp32(row, 1100, 550);
    EXPECT_EQ(BmpPixel(row, 0, 0), kRed);
    EXPECT_EQ(BmpPixel(row, 549, 549), kRed);
    EXPECT_EQ(BmpPixel(row, 550, 0), kBlue);
    EXPECT_EQ(BmpPixel(row, 1099, 549), kBlue);

    // The refresh cycle joins its own results again.
    const Bytes whole = JoinImages(row, row, true);
    ExpectBmp32(whole, 1100, 1100);
    EXPECT_EQ(BmpPixel(whole, 0, 1099), kRed);
    EXPECT_EQ(BmpPixel(whole, 1099, 0), kBlue);
    EXPECT_EQ(BmpPixel(whole, 1099, 1099), kBlue);
}

TEST(JoinImages, SmallerImageIsCentredWithTheSparePixelAfterIt) {
    const Bytes joined = JoinImages(Png(100, 100, kRed), Png(50, 51, kBlue), false);
    ExpectBmp32(joined, 150, 100);
    EXPECT_EQ(BmpPixel(joined, 0, 0), kRed);
    EXPECT_EQ(BmpPixel(joined, 99, 99), kRed);
    // (100 - 51) / 2 = 24.5 truncates to 24: B covers rows 24..74 of columns 100..149.
    for (int x : {100, 149}) {
        EXPECT_EQ(BmpPixel(joined, x, 0), kWhite);
        EXPECT_EQ(BmpPixel(joined, x, 23), kWhite);
        EXPECT_EQ(BmpPixel(joined, x, 24), kBlue);
        EXPECT_EQ(BmpPixel(joined, x, 74), kBlue);
        EXPECT_EQ(BmpPixel(joined, x, 75), kWhite);
        EXPECT_EQ(BmpPixel(joined, x, 99), kWhite);
    }
}

TEST(JoinImages, NarrowerLowerImageIsCentredAcross) {
    const Bytes joined = JoinImages(Png(1100, 550, kRed), Png(1000, 550, kBlue), true);
    ExpectBmp32(joined, 1100, 1100);
    EXPECT_EQ(BmpPixel(joined, 0, 549), kRed);
    EXPECT_EQ(BmpPixel(joined, 49, 550), kWhite);
    EXPECT_EQ(BmpPixel(joined, 50, 550), kBlue);
    EXPECT_EQ(BmpPixel(joined, 1049, 1099), kBlue);
    EXPECT_EQ(BmpPixel(joined, 1050, 1099), kWhite);
    EXPECT_EQ(BmpPixel(joined, 1099, 800), kWhite);
}

TEST(JoinImages, BackgroundZeroIsWhiteOthersAreKept) {
    const Bytes a = Png(4, 4, kRed);
    const Bytes b = Png(2, 1, kBlue);
    EXPECT_EQ(BmpPixel(JoinImages(a, b, false, 0), 5, 3), kWhite);
    EXPECT_EQ(BmpPixel(JoinImages(a, b, false), 5, 3), kWhite);
    const Bytes tinted = JoinImages(a, b, false, 0x123456);
    EXPECT_EQ(BmpPixel(tinted, 5, 3), 0x123456u);
    EXPECT_EQ(BmpPixel(tinted, 4, 0), 0x123456u);
    EXPECT_EQ(BmpPixel(tinted, 4, 1), kBlue); // (4 - 1) / 2 = 1
}

TEST(JoinImages, UndecodableSecondGivesTheFirstAlone) {
    const Bytes first = *platform::EncodeJpeg(SolidImage(30, 20, 0x808080), 95);
    for (const Bytes& second : {Bytes{}, BytesFromText("<html>busy</html>"), Bytes{0xFF, 0xD8}}) {
        const Bytes joined = JoinImages(first, second, true);
        ExpectBmp32(joined, 30, 20);
        const std::uint32_t c = BmpPixel(joined, 15, 10);
        EXPECT_NEAR(static_cast<int>(c & 0xFF), 0x80, 2);
    }
    // Also when the first is the one missing: the second lands where it would anyway.
    const Bytes onlySecond = JoinImages({}, Png(3, 2, kBlue), false);
    ExpectBmp32(onlySecond, 3, 2);
    EXPECT_EQ(BmpPixel(onlySecond, 2, 1), kBlue);
}

TEST(JoinImages, TwoUndecodableInputsGiveAnEmptyBmp) {
    const Bytes joined = JoinImages(BytesFromText("nothing"), Bytes{}, false);
    ASSERT_EQ(joined.size(), 54u);
    EXPECT_EQ(joined[0], 'B');
    EXPECT_EQ(joined[1], 'M');
    EXPECT_EQ(Le32(joined, 2), 54u);
    EXPECT_EQ(Le32(joined, 18), 0u);
    EXPECT_EQ(Le32(joined, 22), 0u);
    EXPECT_EQ(Le16(joined, 28), 32);
}

TEST(JoinImages, RowsAreStoredBottomUpWithAnEmptyFourthByte) {
    const Bytes top = Png(2, 1, kRed);
    const Bytes bottom = Png(2, 1, kBlue);
    const Bytes joined = JoinImages(top, bottom, true);
    ExpectBmp32(joined, 2, 2);
    // First stored row is the picture's bottom row: blue, as blue, green, red, 0.
    EXPECT_EQ(Bytes(joined.begin() + 54, joined.begin() + 62),
              (Bytes{0xFF, 0, 0, 0, 0xFF, 0, 0, 0}));
    EXPECT_EQ(Bytes(joined.begin() + 62, joined.begin() + 70),
              (Bytes{0, 0, 0xFF, 0, 0, 0, 0xFF, 0}));
}

TEST(JoinImages, TransparentPixelsKeepTheirStoredColour) {
    platform::DecodedImage image = SolidImage(1, 1, 0x00FF00);
    image.hasAlpha = true;
    image.pixels[3] = 0;
    const Bytes joined = JoinImages(*platform::EncodePng(image), Png(1, 1, kRed), false);
    EXPECT_EQ(BmpPixel(joined, 0, 0), 0x00FF00u);
}

TEST(JoinImages, MixedFormatsJoin) {
    const Bytes gif = *platform::EncodeGif(SolidImage(3, 3, kRed));
    const Bytes tiff = *platform::EncodeTiff(SolidImage(3, 3, kBlue));
    const Bytes bmp = *EncodeBmp(SolidImage(2, 3, 0x00FF00));
    const Bytes joined = JoinImages(JoinImages(gif, tiff, false), bmp, false);
    ExpectBmp32(joined, 8, 3);
    EXPECT_EQ(BmpPixel(joined, 2, 2), kRed);
    EXPECT_EQ(BmpPixel(joined, 3, 0), kBlue);
    EXPECT_EQ(BmpPixel(joined, 7, 1), 0x00FF00u);
}

} // namespace
} // namespace vexmora::test
