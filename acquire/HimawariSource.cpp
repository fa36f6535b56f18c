#include "acquire/HimawariSource.h"

#include "acquire/TileMosaic.h"
#include "net/HttpRequest.h"
#include "net/TextHelpers.h"

namespace vexmora {
namespace {

constexpr const char* kIndexPath = "/himawari8/img/FULL_24h/latest.json";
constexpr const char* kThumbnailBase = "/himawari8/img/D531106/thumbnail/550/";
constexpr const char* kTileBase = "/himawari8/img/D531106/2d/550/";
constexpr const char* kThumbnailEnding = "_0_0.png";
// Top left, top right, bottom left, bottom right.
constexpr const char* kTileEndings[] = {"_0_0.png", "_1_0.png", "_0_1.png", "_1_1.png"};

Text LatestDate(const Endpoints& endpoints) {
    return ReadHimawariDate(HttpRequest(HimawariIndexUrl(endpoints)));
}

} // namespace

Text HimawariIndexUrl(const Endpoints& endpoints) {
    return endpoints.himawariServer + kIndexPath;
}

Text HimawariDatePath(const Text& date) {
    return ReplaceMany(date, std::nullopt, 1, true, "-", "/", " ", "/", ":", "");
}

Text ReadHimawariDate(const Bytes& index) {
    return TextBetween(BytesToText(index), ":\"", "\"");
}

Text HimawariThumbnailPath(const Endpoints& endpoints) {
    return HimawariDatePath(LatestDate(endpoints)) + kThumbnailEnding;
}

Bytes FetchHimawariThumbnail(const Endpoints& endpoints) {
    return HttpRequest(endpoints.himawariServer + kThumbnailBase +
                       HimawariThumbnailPath(endpoints));
}

Text HimawariTileBase(const Endpoints& endpoints) {
    Text date = LatestDate(endpoints);
    if (date.empty()) {
        return {};
    }
    return endpoints.himawariServer + kTileBase + HimawariDatePath(date);
}

std::vector<Text> HimawariTileUrls(const Text& tileBase) {
    std::vector<Text> urls;
    for (const char* ending : kTileEndings) {
        urls.push_back(tileBase + ending);
    }
    return urls;
}

Bytes FetchHimawariHd(const Endpoints& endpoints) {
    Text base = HimawariTileBase(endpoints);
    if (base.empty()) {
        return {};
    }
    return FetchTileMosaic(HimawariTileUrls(base));
}

} // namespace vexmora
