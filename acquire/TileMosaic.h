#pragma once

#include <vector>

#include "net/Text.h"

namespace vexmora {

// Downloads four tiles one after the other (top left, top right, bottom left, bottom right)
// and joins them two by two into one BMP picture. Empty unless every tile decodes, so a dead
// tile server or an error page never becomes part of a picture.
Bytes FetchTileMosaic(const std::vector<Text>& tileUrls);

} // namespace vexmora
