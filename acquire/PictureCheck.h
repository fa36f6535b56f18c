#pragma once

#include <optional>

#include "net/Text.h"

namespace vexmora {

// True when the bytes are an encoded picture (PNG, JPEG, BMP, GIF or TIFF, recognised by their
// signature) that decodes to at least one pixel. An error page, an empty body or a damaged
// download is not a picture, however long it is.
bool IsDecodableImage(const Bytes& image);

// The picture decoded once and written as an uncompressed BMP file image with the same pixels,
// or nothing when IsDecodableImage would be false. Joining tiles in this form spares the join a
// second decode of every compressed tile.
std::optional<Bytes> DecodeToBmp(const Bytes& image);

} // namespace vexmora
