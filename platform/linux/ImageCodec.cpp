// Chooses the platform decoder by the file's signature.
#include <cstring>

#include "platform/ImageCodec.h"

namespace vexmora::platform {

CodecFormat SniffCodecFormat(const Bytes& data) {
    auto startsWith = [&](const char* signature, std::size_t length) {
        return data.size() >= length && std::memcmp(data.data(), signature, length) == 0;
    };
    if (startsWith("\x89PNG\r\n\x1a\n", 8)) {
        return CodecFormat::Png;
    }
    if (startsWith("\xFF\xD8\xFF", 3)) {
        return CodecFormat::Jpeg;
    }
    if (startsWith("GIF87a", 6) || startsWith("GIF89a", 6)) {
        return CodecFormat::Gif;
    }
    if (startsWith("II*\0", 4) || startsWith("MM\0*", 4)) {
        return CodecFormat::Tiff;
    }
    return CodecFormat::Unknown;
}

std::optional<DecodedImage> DecodeImage(const Bytes& data) {
    switch (SniffCodecFormat(data)) {
    case CodecFormat::Png:
        return DecodePng(data);
    case CodecFormat::Jpeg:
        return DecodeJpeg(data);
    case CodecFormat::Gif:
        return DecodeGif(data);
    case CodecFormat::Tiff:
        return DecodeTiff(data);
    case CodecFormat::Unknown:
        break;
    }
    return std::nullopt;
}

} // namespace vexmora::platform
