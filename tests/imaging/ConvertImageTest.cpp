#include <gtest/gtest.h>

#include "ImagingFixtures.h"
#include "imaging/BmpCodec.h"
#include "imaging/ConvertImage.h"
#include "platform/FileSystem.h"
#include "tests/support/TempDir.h"

namespace vexmora::test {
namespace {

Bytes SamplePng(int width = 6, int height = 4) {
    return *platform::EncodePng(MakeImage(width, height, [](int x, int y) {
        return static_cast<std::uint32_t>(x * 40 | y * 60 << 8 | 0x80 << 16);
    }));
}

TEST(ConvertImage, PngToBmpGivesBmBytes) {
    Bytes out;
    ASSERT_TRUE(ConvertImage(SamplePng(), ImageFormat::Bmp, "", &out));
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out[0], 'B');
    EXPECT_EQ(out[1], 'M');
    EXPECT_EQ(Le32(out, 2), out.size()); // exactly the encoded image, no spare bytes
    EXPECT_EQ(BmpPixel(out, 5, 3), 200u | 180u << 8 | 0x80u << 16);
}

TEST(ConvertImage, EveryFormatDecodesBackToTheSameSize) {
    const Bytes png = SamplePng(9, 7);
    for (ImageFormat format : {ImageFormat::Bmp, ImageFormat::Jpeg, ImageFormat::Gif,
                               ImageFormat::Tiff, ImageFormat::Png}) {
        Bytes out;
        ASSERT_TRUE(ConvertImage(png, format, "", &out)) << static_cast<int>(format);
        EXPECT_EQ(ImageWidth(out), 9) << static_cast<int>(format);
        EXPECT_EQ(ImageHeight(out), 7) << static_cast<int>(format);
    }
    // And from every format back to BMP.
    Bytes gif;
    ASSERT_TRUE(ConvertImage(png, ImageFormat::Gif, "", &gif));
    Bytes bmp;
    ASSERT_TRUE(ConvertImage(gif, ImageFormat::Bmp, "", &bmp));
    EXPECT_EQ(BmpPixel(bmp, 1, 1), 40u | 60u << 8 | 0x80u << 16);
}

TEST(ConvertImage, FailuresLeaveTheOutputAlone) {
    const Bytes keep = BytesFromText("keep");
    struct Case {
        const char* name;
        Bytes source;
        ImageFormat format;
    };
    const Case cases[] = {
        {"TwoBytes", Bytes{0x89, 'P'}, ImageFormat::Bmp},
        {"Empty", Bytes{}, ImageFormat::Png},
        {"ThreeBytesNoImage", BytesFromText("abc"), ImageFormat::Bmp},
        {"Html", BytesFromText("<html>404</html>"), ImageFormat::Png},
        {"FormatZero", SamplePng(), static_cast<ImageFormat>(0)},
        {"FormatSix", SamplePng(), static_cast<ImageFormat>(6)},
    };
    TempDir dir;
    for (const Case& c : cases) {
        Bytes out = keep;
        const Text name = dir.slashed() + c.name;
        EXPECT_FALSE(ConvertImage(c.source, c.format, name, &out)) << c.name;
        EXPECT_EQ(out, keep) << c.name;
        EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << c.name;
    }
}

struct NameCase {
    const char* given;   // GBK
    const char* written; // GBK
    ImageFormat format;
};

class ConvertFileNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(ConvertFileNames, WritesUnderTheRuleOfExtensions) {
    const NameCase& c = GetParam();
    TempDir dir;
    Bytes out;
    ASSERT_TRUE(ConvertImage(SamplePng(), c.format, dir.slashed() + c.given, &out));
    const auto written = platform::ReadWholeFile(dir.slashed() + c.written);
    ASSERT_TRUE(written) << c.written;
    EXPECT_EQ(*written, out);
    // Nothing else was written.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ConvertFileNames,
    ::testing::Values(NameCase{"桌面背景图片.bmp", "桌面背景图片.bmp", ImageFormat::Bmp},
                      NameCase{"wall.BMP", "wall.BMP", ImageFormat::Bmp},
                      NameCase{"wall.Bmp", "wall.Bmp", ImageFormat::Bmp},
                      NameCase{"vxmr.png", "vxmr.png.bmp", ImageFormat::Bmp},
                      NameCase{"picture", "picture.bmp", ImageFormat::Bmp},
                      NameCase{"shot.jpeg", "shot.jpeg.jpg", ImageFormat::Jpeg},
                      NameCase{"scan.TIFF", "scan.TIFF", ImageFormat::Tiff},
                      NameCase{"scan.tif", "scan.tif.tiff", ImageFormat::Tiff},
                      NameCase{"anim.gif", "anim.gif", ImageFormat::Gif},
                      NameCase{" padded.png ", " padded.png .png", ImageFormat::Png}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(ConvertImage, BlankFileNameWritesNoFileButFillsTheOutput) {
    TempDir dir;
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    for (const char* blank : {"", " ", "    ", "　", " 　 "}) {
        Bytes out;
        EXPECT_TRUE(ConvertImage(SamplePng(), ImageFormat::Bmp, blank, &out));
        EXPECT_FALSE(out.empty());
        EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "[" << blank << "]";
    }
    std::filesystem::current_path(before);
}

TEST(ConvertImage, WithoutAnOutputStillWritesTheFile) {
    TempDir dir;
    EXPECT_TRUE(ConvertImage(SamplePng(), ImageFormat::Bmp, dir.slashed() + "out"));
    const auto written = platform::ReadWholeFile(dir.slashed() + "out.bmp");
    ASSERT_TRUE(written);
    EXPECT_EQ(ImageWidth(*written), 6);
}

TEST(ConvertImage, FailedFileWriteStillSucceeds) {
    Bytes out;
    EXPECT_TRUE(ConvertImage(SamplePng(), ImageFormat::Bmp, "/nonexistent-folder/x/y.bmp", &out));
    EXPECT_FALSE(out.empty());
}

TEST(ConvertImage, FlatteningPutsTranslucentPixelsOnWhite) {
    platform::DecodedImage image = SolidImage(2, 1, 0x000000);
    image.hasAlpha = true;
    image.pixels[3] = 0;   // transparent black
    image.pixels[7] = 128; // half black
    const Bytes png = *platform::EncodePng(image);

    Bytes flat;
    ASSERT_TRUE(ConvertImage(png, ImageFormat::Bmp, "", &flat, true));
    EXPECT_EQ(ReadBmpInfo(flat).bits, 24);
    EXPECT_EQ(BmpPixel(flat, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(BmpPixel(flat, 1, 0), 0x7F7F7Fu);

    // Without the flag the colours stay as stored.
    Bytes kept;
    ASSERT_TRUE(ConvertImage(png, ImageFormat::Bmp, "", &kept));
    EXPECT_EQ(BmpPixel(kept, 0, 0), 0u);
}

TEST(ImageSize, MeasuresBytes) {
    const Bytes png = SamplePng(550, 550);
    EXPECT_EQ(ImageWidth(png), 550);
    EXPECT_EQ(ImageHeight(png), 550);
    const Bytes jpeg = *platform::EncodeJpeg(SolidImage(33, 17, 0x808080));
    EXPECT_EQ(ImageWidth(jpeg), 33);
    EXPECT_EQ(ImageHeight(jpeg), 17);
    EXPECT_EQ(ImageWidth({}), 0);
    EXPECT_EQ(ImageHeight(BytesFromText("GIF89a but nothing more")), 0);
    Bytes truncated(png.begin(), png.begin() + static_cast<long>(png.size() / 2));
    EXPECT_EQ(ImageWidth(truncated), 0);
}

TEST(ImageSize, BytesThatNameAFileMeasureTheFile) {
    TempDir dir;
    const Text path = dir.slashed() + "地球.png";
    ASSERT_TRUE(platform::WriteWholeFile(path, SamplePng(12, 5)));
    Bytes named = BytesFromText(path);
    EXPECT_EQ(ImageWidth(named), 12);
    EXPECT_EQ(ImageHeight(named), 5);
    // The text ends at the first zero byte.
    named.push_back(0);
    named.push_back('x');
    EXPECT_EQ(ImageWidth(named), 12);
    // A folder, or a file that is no image, gives 0.
    EXPECT_EQ(ImageWidth(BytesFromText(dir.slashed())), 0);
    ASSERT_TRUE(platform::WriteWholeFile(dir.slashed() + "note.txt", Text("hello")));
    EXPECT_EQ(ImageHeight(BytesFromText(dir.slashed() + "note.txt")), 0);
}

} // namespace
} // namespace vexmora::test
