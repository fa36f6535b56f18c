#include "imaging/ConvertImage.h"

#include <algorithm>
#include <cstring>

#include "imaging/BmpCodec.h"
#include "platform/FileSystem.h"

namespace vexmora {
namespace {

// True when the text holds nothing but ASCII and full-width (GBK A1 A1) spaces. The text is
// walked from its start so that a trail byte is never taken for the start of a character.
bool IsBlank(const Text& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == ' ') {
            ++i;
        } else if (byte == 0xA1 && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) == 0xA1) {
            i += 2;
        } else {
            return false;
        }
    }
    return true;
}

bool EndsWithIgnoringCase(const Text& text, std::string_view suffix) {
    if (text.size() < suffix.size()) {
        return false;
    }
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(),
                      [&](char a, char b) { return lower(a) == lower(b); });
}

void FlattenOnWhite(platform::DecodedImage& image) {
    for (std::size_t i = 0; i + 3 < image.pixels.size(); i += 4) {
        const unsigned alpha = image.pixels[i + 3];
        for (std::size_t c = 0; c < 3; ++c) {
            const unsigned value = image.pixels[i + c];
            image.pixels[i + c] =
                static_cast<std::uint8_t>((value * alpha + 255 * (255 - alpha) + 127) / 255);
        }
        image.pixels[i + 3] = 255;
    }
    image.hasAlpha = false;
}

std::optional<Bytes> Encode(const platform::DecodedImage& image, ImageFormat format) {
    switch (format) {
    case ImageFormat::Bmp:
        return EncodeBmp(image);
    case ImageFormat::Jpeg:
        return platform::EncodeJpeg(image);
    case ImageFormat::Gif:
        return platform::EncodeGif(image);
    case ImageFormat::Tiff:
        return platform::EncodeTiff(image);
    case ImageFormat::Png:
        return platform::EncodePng(image);
    }
    return std::nullopt;
}

// The image that ImageWidth and ImageHeight measure: a named file, or the bytes themselves.
std::optional<platform::DecodedImage> DecodeForMeasure(const Bytes& image) {
    const auto zero = std::find(image.begin(), image.end(), std::uint8_t{0});
    // No path is longer than this; a long run of image bytes is not worth asking about.
    constexpr std::ptrdiff_t kLongestPath = 4096;
    if (zero != image.begin() && zero - image.begin() <= kLongestPath) {
        const Text path(image.begin(), zero);
        if (platform::FileExists(path)) {
            if (platform::IsDirectory(path)) {
                return std::nullopt;
            }
            const auto content = platform::ReadWholeFile(path);
            return content ? DecodeAnyImage(*content) : std::nullopt;
        }
    }
    return DecodeAnyImage(image);
}

} // namespace

std::string_view ImageFormatExtension(ImageFormat format) {
    switch (format) {
    case ImageFormat::Bmp:
        return ".bmp";
    case ImageFormat::Jpeg:
        return ".jpg";
    case ImageFormat::Gif:
        return ".gif";
    case ImageFormat::Tiff:
        return ".tiff";
    case ImageFormat::Png:
        return ".png";
    }
    return {};
}

Text ConvertedFileName(const Text& fileName, ImageFormat format) {
    const std::string_view extension = ImageFormatExtension(format);
    if (EndsWithIgnoringCase(fileName, extension)) {
        return fileName;
    }
    return fileName + Text(extension);
}

bool ConvertImage(const Bytes& source, ImageFormat format, const Text& fileName, Bytes* output,
                  bool flattenOnWhite) {
    if (source.size() < 3 || ImageFormatExtension(format).empty()) {
        return false;
    }
    auto image = DecodeAnyImage(source);
    if (!image) {
        return false;
    }
    if (flattenOnWhite) {
        FlattenOnWhite(*image);
    }
    auto encoded = Encode(*image, format);
    if (!encoded) {
        return false;
    }
    // The decoded pixels are not needed any more; let them go before the file is written.
    image.reset();
    if (!IsBlank(fileName)) {
        platform::WriteWholeFile(ConvertedFileName(fileName, format), *encoded);
    }
    if (output) {
        *output = std::move(*encoded);
    }
    return true;
}

std::int32_t ImageWidth(const Bytes& image) {
    const auto decoded = DecodeForMeasure(image);
    return decoded ? decoded->width : 0;
}

std::int32_t ImageHeight(const Bytes& image) {
    const auto decoded = DecodeForMeasure(image);
    return decoded ? decoded->height : 0;
}

} // namespace vexmora
