#include "acquire/PictureCheck.h"

#include <cstring>

#include "imaging/BmpCodec.h"
#include "imaging/ConvertImage.h"

namespace vexmora {
namespace {

bool StartsWith(const Bytes& bytes, const char* signature, size_t length) {
    return bytes.size() >= length && std::memcmp(bytes.data(), signature, length) == 0;
}

bool HasImageSignature(const Bytes& image) {
    return StartsWith(image, "\x89PNG\r\n\x1a\n", 8) || StartsWith(image, "\xFF\xD8\xFF", 3) ||
           StartsWith(image, "BM", 2) || StartsWith(image, "GIF87a", 6) ||
           StartsWith(image, "GIF89a", 6) || StartsWith(image, "II*\0", 4) ||
           StartsWith(image, "MM\0*", 4);
}

} // namespace

bool IsDecodableImage(const Bytes& image) {
    // The signature test comes first: ImageWidth would also measure a file whose name the bytes
    // spell, and a download must never be taken for a path.
    return HasImageSignature(image) && ImageWidth(image) > 0 && ImageHeight(image) > 0;
}

std::optional<Bytes> DecodeToBmp(const Bytes& image) {
    if (!HasImageSignature(image)) {
        return std::nullopt;
    }
    std::optional<platform::DecodedImage> decoded = DecodeAnyImage(image);
    if (!decoded || decoded->width < 1 || decoded->height < 1) {
        return std::nullopt;
    }
    return EncodeBmp(*decoded);
}

} // namespace vexmora
