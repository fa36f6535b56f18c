#pragma once

#include <vector>

#include "acquire/Endpoints.h"
#include "net/Text.h"

// The Himawari-8 full disk: one 550-pixel PNG thumbnail, or the four 550-pixel tiles of the
// two-by-two level joined into one picture. Each operation reads the latest-image index itself;
// nothing is cached. Both block the calling thread.
namespace vexmora {

// The date text turned into a path: every "-" and " " becomes "/", every ":" goes
// ("2019-08-12 03:40:00" gives "2019/08/12/034000").
Text HimawariDatePath(const Text& date);

// The first quoted value after a colon in the index body, read up to its first zero byte with
// no character-set conversion; empty when there is none.
Text ReadHimawariDate(const Bytes& index);

// HimawariDatePath of the latest date followed by "_0_0.png"; "_0_0.png" alone when the index
// gives no date.
Text HimawariThumbnailPath(const Endpoints& endpoints = CompiledEndpoints());

// The body of one GET of the thumbnail, requested even when the index gave no date.
Bytes FetchHimawariThumbnail(const Endpoints& endpoints = CompiledEndpoints());

// The tile base address with the date path, without ending; empty when the index gives no date.
Text HimawariTileBase(const Endpoints& endpoints = CompiledEndpoints());

// The four tiles joined into one BMP picture (1100 x 1100). Empty when the index gives no date
// (no tile is requested) or when any tile does not decode as a picture.
Bytes FetchHimawariHd(const Endpoints& endpoints = CompiledEndpoints());

// The four tile addresses for a tile base, in fetch order: top left, top right, bottom left,
// bottom right.
std::vector<Text> HimawariTileUrls(const Text& tileBase);

Text HimawariIndexUrl(const Endpoints& endpoints = CompiledEndpoints());

} // namespace vexmora
