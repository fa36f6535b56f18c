// The codecs: round trips, damaged and truncated files, and headers that claim more pixels
// than may be decoded.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include <gtest/gtest.h>

#include "ImagingFixtures.h"
#include "imaging/BmpCodec.h"
#include "platform/ImageCodec.h"

namespace vexmora::test {
namespace {

using platform::DecodedImage;

enum class Format { Png, Jpeg, Gif, Tiff, Bmp };

const char* Name(Format f) {
    switch (f) {
    case Format::Png:
        return "Png";
    case Format::Jpeg:
        return "Jpeg";
    case Format::Gif:
        return "Gif";
    case Format::Tiff:
        return "Tiff";
    case Format::Bmp:
        return "Bmp";
    }
    return "";
}

std::optional<Bytes> Encode(Format f, const DecodedImage& image) {
    switch (f) {
    case Format::Png:
        return platform::EncodePng(image);
    case Format::Jpeg:
        return platform::EncodeJpeg(image, 90);
    case Format::Gif:
        return platform::EncodeGif(image);
    case Format::Tiff:
        return platform::EncodeTiff(image);
    case Format::Bmp:
        return EncodeBmp(image);
    }
    return std::nullopt;
}

// A picture with a smooth gradient and a few sharp edges; 7 distinct colours per row band keep
// it under GIF's 256 colours.
DecodedImage Sample(int width = 37, int height = 23) {
    return MakeImage(width, height, [](int x, int y) {
        const std::uint32_t r = static_cast<std::uint32_t>(x * 6) & 0xF0;
        const std::uint32_t g = static_cast<std::uint32_t>(y * 9) & 0xE0;
        const std::uint32_t b = (x + y) % 3 == 0 ? 200 : 40;
        return r | g << 8 | b << 16;
    });
}

class CodecTest : public ::testing::TestWithParam<Format> {};

TEST_P(CodecTest, RoundTripKeepsSizeAndColours) {
    // JPEG is lossy and made for smooth pictures; the others must give back every pixel.
    const DecodedImage original =
        GetParam() == Format::Jpeg
            ? MakeImage(37, 23,
                        [](int x, int y) {
                            return static_cast<std::uint32_t>(x * 6 | (y * 9) << 8 | 100 << 16);
                        })
            : Sample();
    const auto encoded = Encode(GetParam(), original);
    ASSERT_TRUE(encoded);
    // Found by content: DecodeAnyImage is told nothing about the format.
    const auto decoded = DecodeAnyImage(*encoded);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, original.width);
    EXPECT_EQ(decoded->height, original.height);
    ASSERT_EQ(decoded->pixels.size(), original.pixels.size());
    if (GetParam() == Format::Jpeg) {
        // Lossy: the picture must stay close on average.
        long total = 0;
        for (std::size_t i = 0; i < original.pixels.size(); ++i) {
            total += std::abs(original.pixels[i] - decoded->pixels[i]);
        }
        EXPECT_LT(total / static_cast<long>(original.pixels.size()), 3);
    } else {
        EXPECT_EQ(decoded->pixels, original.pixels);
    }
}

// Header damage each format's reader must notice.
Bytes Corrupt(Format f, Bytes data) {
    switch (f) {
    case Format::Png:
        data[20] ^= 0x55; // inside IHDR: its CRC no longer matches
        break;
    case Format::Jpeg:
        // The markers after SOI become garbage.
        for (std::size_t i = 2; i < 40 && i < data.size(); ++i) {
            data[i] = 0x00;
        }
        break;
    case Format::Gif: {
        // The LZW minimum code size of the first frame becomes impossible.
        const std::size_t table = 3 * (std::size_t{2} << (data[10] & 7));
        std::size_t at = 13 + ((data[10] & 0x80) ? table : 0);
        while (at < data.size() && data[at] != 0x2C) {
            ++at;
        }
        data.at(at + 10) = 0x0F;
        break;
    }
    case Format::Tiff:
        SetLe32(data, 4, 0x7FFFFFF0); // the first directory lies far beyond the file
        break;
    case Format::Bmp:
        SetLe16(data, 28, 7); // no such bit count
        break;
    }
    return data;
}

TEST_P(CodecTest, CorruptFileIsUndecodable) {
    const auto encoded = Encode(GetParam(), Sample());
    ASSERT_TRUE(encoded);
    EXPECT_FALSE(DecodeAnyImage(Corrupt(GetParam(), *encoded)));
}

TEST_P(CodecTest, TruncatedFileIsUndecodable) {
    const auto encoded = Encode(GetParam(), Sample(120, 90));
    ASSERT_TRUE(encoded);
    for (double part : {0.9, 0.5, 0.1}) {
        Bytes cut(encoded->begin(), encoded->begin() + static_cast<long>(encoded->size() * part));
        EXPECT_FALSE(DecodeAnyImage(cut)) << "kept " << part;
    }
    for (std::size_t length : {0, 1, 2, 3, 8, 16}) {
        Bytes cut(encoded->begin(), encoded->begin() + std::min(length, encoded->size()));
        EXPECT_FALSE(DecodeAnyImage(cut)) << "kept " << length << " bytes";
    }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, CodecTest,
                         ::testing::Values(Format::Png, Format::Jpeg, Format::Gif, Format::Tiff,
                                           Format::Bmp),
                         [](const auto& info) { return std::string(Name(info.param)); });

std::uint32_t Crc32(const std::uint8_t* data, std::size_t length) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
        }
    }
    return ~crc;
}

void SetBe32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
    }
}
void SetBe16(Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v >> 8);
    b[at + 1] = static_cast<std::uint8_t>(v);
}

// A valid small file of each format, its header then made to claim a huge picture (as large as
// the format can say, and 100000 x 100000 where it can).
Bytes Giant(Format f) {
    Bytes data = *Encode(f, Sample(16, 16));
    switch (f) {
    case Format::Png:
        SetBe32(data, 16, 100000);
        SetBe32(data, 20, 100000);
        SetBe32(data, 29, Crc32(data.data() + 12, 17)); // a header that checks out
        break;
    case Format::Jpeg: {
        // SOF0: FF C0, length, precision, height, width.
        for (std::size_t i = 2; i + 8 < data.size(); ++i) {
            if (data[i] == 0xFF && data[i + 1] == 0xC0) {
                SetBe16(data, i + 5, 65000);
                SetBe16(data, i + 7, 65000);
                break;
            }
        }
        break;
    }
    case Format::Gif: {
        SetLe16(data, 6, 65000);
        SetLe16(data, 8, 65000);
        const std::size_t table = 3 * (std::size_t{2} << (data[10] & 7));
        std::size_t at = 13 + ((data[10] & 0x80) ? table : 0);
        while (at < data.size() && data[at] != 0x2C) {
            ++at;
        }
        SetLe16(data, at + 5, 65000);
        SetLe16(data, at + 7, 65000);
        break;
    }
    case Format::Tiff: {
        const std::uint32_t directory = Le32(data, 4);
        const std::uint16_t entries = Le16(data, directory);
        for (std::uint16_t i = 0; i < entries; ++i) {
            const std::size_t entry = directory + 2 + 12u * i;
            const std::uint16_t tag = Le16(data, entry);
            if (tag == 256 || tag == 257) {
                SetLe16(data, entry + 2, 4); // LONG
                SetLe32(data, entry + 8, 100000);
            }
        }
        break;
    }
    case Format::Bmp:
        SetLe32(data, 18, 100000);
        SetLe32(data, 22, 100000);
        break;
    }
    return data;
}

TEST(DecodeLimits, ProbeSeesLargeRequests) {
    AllocationProbe probe;
    Bytes block(3 << 20);
    EXPECT_GE(probe.Largest(), block.size());
}

TEST(DecodeLimits, HugeHeaderIsRefusedBeforePixelMemoryIsTaken) {
    for (Format f : {Format::Png, Format::Jpeg, Format::Gif, Format::Tiff, Format::Bmp}) {
        const Bytes data = Giant(f);
        AllocationProbe probe;
        EXPECT_FALSE(DecodeAnyImage(data)) << Name(f);
        EXPECT_LT(probe.Largest(), 1u << 20) << Name(f);
    }
}

TEST(DecodeLimits, SidesAndAreaBounds) {
    EXPECT_TRUE(platform::WithinDecodeLimits(16384, 4096));
    EXPECT_TRUE(platform::WithinDecodeLimits(8192, 8192));
    EXPECT_FALSE(platform::WithinDecodeLimits(16385, 1));
    EXPECT_FALSE(platform::WithinDecodeLimits(1, 16385));
    EXPECT_FALSE(platform::WithinDecodeLimits(16384, 4097)); // beyond 64 megapixels
    EXPECT_FALSE(platform::WithinDecodeLimits(0, 10));
    EXPECT_FALSE(platform::WithinDecodeLimits(-5, -5));
}

TEST(DecodeLimits, WideButAllowedPngDecodes) {
    const auto encoded = platform::EncodePng(SolidImage(16384, 1, 0x123456));
    ASSERT_TRUE(encoded);
    const auto decoded = platform::DecodePng(*encoded);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, 16384);
    EXPECT_EQ(ColorAt(*decoded, 16383, 0), 0x123456u);
}

TEST(Codecs, TransparencySurvivesPngAndGif) {
    DecodedImage image = SolidImage(4, 4, 0x0000FF);
    image.hasAlpha = true;
    image.pixels[3] = 0; // the top-left pixel is fully transparent
    for (auto encode : {platform::EncodePng, platform::EncodeGif}) {
        const auto encoded = encode(image);
        ASSERT_TRUE(encoded);
        const auto decoded = platform::DecodeImage(*encoded);
        ASSERT_TRUE(decoded);
        EXPECT_TRUE(decoded->hasAlpha);
        EXPECT_EQ(decoded->pixels[3], 0);
        EXPECT_EQ(decoded->pixels[7], 255);
        EXPECT_EQ(ColorAt(*decoded, 1, 0), 0x0000FFu);
    }
}

TEST(Codecs, ManyColoursStillEncodeAsGif) {
    const DecodedImage image = MakeImage(64, 64, [](int x, int y) {
        return static_cast<std::uint32_t>(x * 4 | y * 4 << 8 | (x ^ y) << 16);
    });
    const auto encoded = platform::EncodeGif(image);
    ASSERT_TRUE(encoded);
    const auto decoded = platform::DecodeGif(*encoded);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, 64);
    // Reduced to a fixed cube: each channel lands within half a step.
    for (std::size_t i = 0; i < image.pixels.size(); i += 4) {
        EXPECT_LE(std::abs(image.pixels[i + 2] - decoded->pixels[i + 2]), 26);
    }
}

TEST(Codecs, SignaturesDecideTheFormat) {
    EXPECT_EQ(platform::SniffCodecFormat(*platform::EncodePng(Sample())),
              platform::CodecFormat::Png);
    EXPECT_EQ(platform::SniffCodecFormat(*platform::EncodeTiff(Sample())),
              platform::CodecFormat::Tiff);
    EXPECT_EQ(platform::SniffCodecFormat(BytesFromText("<html>")), platform::CodecFormat::Unknown);
    EXPECT_FALSE(DecodeAnyImage(BytesFromText("<html><body>not found</body></html>")));
    EXPECT_FALSE(DecodeAnyImage({}));
}

TEST(Codecs, EncodersRefuseInconsistentImages) {
    DecodedImage bad = Sample();
    bad.pixels.pop_back();
    EXPECT_FALSE(platform::EncodePng(bad));
    EXPECT_FALSE(platform::EncodeJpeg(bad));
    EXPECT_FALSE(platform::EncodeGif(bad));
    EXPECT_FALSE(platform::EncodeTiff(bad));
    EXPECT_FALSE(EncodeBmp(bad));
    EXPECT_FALSE(platform::EncodePng(DecodedImage{}));
}

} // namespace
} // namespace vexmora::test
