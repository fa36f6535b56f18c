#pragma once

#include "net/Text.h"

namespace vexmora {

// True when the bytes are an encoded picture (PNG, JPEG, BMP, GIF or TIFF, recognised by their
// signature) that decodes to at least one pixel. An error page, an empty body or a damaged
// download is not a picture, however long it is.
bool IsDecodableImage(const Bytes& image);

} // namespace vexmora
