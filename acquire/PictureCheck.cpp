#include "acquire/PictureCheck.h"

#include "imaging/BmpCodec.h"
#include "imaging/ConvertImage.h"
#include "platform/ImageCodec.h"

namespace vexmora {
namespace {

bool HasImageSignature(const Bytes& image) {
    return platform::SniffCodecFormat(image) != platform::CodecFormat::Unknown ||
           LooksLikeBmp(image);
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
