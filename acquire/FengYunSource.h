#pragma once

#include <vector>

#include "acquire/Endpoints.h"
#include "net/Text.h"

// The FengYun-4A full disk: a ready-made JPEG thumbnail, or four 256 x 256 map tiles of the
// newest scan joined two by two. Both block the calling thread (the refresh worker) and keep
// no state.
namespace vexmora {

// The body of one GET of the thumbnail, as delivered; empty when nothing arrived.
Bytes FetchFengYunThumbnail(const Endpoints& endpoints = CompiledEndpoints());

// The four tiles of the newest time in the data-time answer, joined into one BMP picture
// (512 x 512 for 256-pixel tiles). Empty when the answer names no date or no time, and also
// when any tile does not decode as a picture: a partial mosaic is not the Earth.
Bytes FetchFengYunHd(const Endpoints& endpoints = CompiledEndpoints());

// The addresses it requests, for callers that want to show or test them.
Text FengYunThumbnailUrl(const Endpoints& endpoints = CompiledEndpoints());
Text FengYunQueryUrl(const Endpoints& endpoints = CompiledEndpoints());
// The tile template with the date and the time put in, "位置" still in it.
Text FengYunTileTemplate(const Text& date, const Text& time,
                         const Endpoints& endpoints = CompiledEndpoints());
// The four tile addresses in fetch order: top left, top right, bottom left, bottom right.
std::vector<Text> FengYunTileUrls(const Text& date, const Text& time,
                                  const Endpoints& endpoints = CompiledEndpoints());

// Reads the data-time answer (GBK): the last date and the first four characters of the last
// time, each list on its own. False when either list is empty.
bool ReadFengYunDataTime(const Text& answer, Text& date, Text& time);

} // namespace vexmora
