#include "acquire/FengYunSource.h"

#include "acquire/TextsBetween.h"
#include "acquire/TileMosaic.h"
#include "net/HttpRequest.h"
#include "net/TextHelpers.h"

namespace vexmora {
namespace {

constexpr const char* kThumbnailPath = "/CLOUDIMAGE/FY4A/THUMBNAIL/FY4A_AGRI_DISK_MTCC.jpg";

constexpr const char* kQuery =
    "/nsmc/v1/nsmc/image/animation/datatime/mongodb"
    "?dataCode=FY4A-_AGRI--_N_DISK_1047E_L1C_MTCC_MULT_NOM_YYYYMMDDhhmmss_YYYYMMDDhhmmss_4000M_"
    "V0001.JPG&hourRange=3&isHaveNight=1&isCustomTime=false&endTime=2018-07-11+16%3A00%3A00";

// The placeholders 年月日, 时间戳 (twice) and 位置 are replaced before any request; the empty
// pair "&&" before ENDTIME is part of what the tile server is sent.
constexpr const char* kTileTemplate =
    "/mongoTile_DSS/NOM/TileServer.php"
    "?layer=PRODUCT&PRODUCT=FY4A-_AGRI--_N_DISK_1047E_L1C_MTCC_MULT_NOM_YYYYMMDDhhmmss_"
    "YYYYMMDDhhmmss_4000M_V0001.JPG&DATE=年月日&TIME=时间戳&&ENDTIME=时间戳&SERVICE=WMS&"
    "VERSION=1.1.1&REQUEST=GetMap&FORMAT=image%2Fjpeg&TRANSPARENT=true&LAYERS=satellite&"
    "NOTILE=BLACK&TILED=true&WIDTH=256&HEIGHT=256&SRS=EPSG%3A11111&STYLES=&BBOX=位置";

// Tiles 1 to 4: top left, top right, bottom left, bottom right.
constexpr const char* kBoxes[] = {"-5500%2C0%2C0%2C5500", "0%2C0%2C5500%2C5500",
                                  "-5500%2C-5500%2C0%2C0", "0%2C-5500%2C5500%2C0"};

constexpr const char* kDateMarker = "{\"dataDate\":\"";
constexpr const char* kTimeMarker = "dataTime\":\"";
constexpr const char* kClosingMarker = "\"";

} // namespace

Text FengYunThumbnailUrl(const Endpoints& endpoints) {
    return endpoints.fy4aImageServer + kThumbnailPath;
}

Text FengYunQueryUrl(const Endpoints& endpoints) {
    return endpoints.fy4aQueryServer + kQuery;
}

Text FengYunTileTemplate(const Text& date, const Text& time, const Endpoints& endpoints) {
    return endpoints.fy4aTileServer +
           ReplaceMany(kTileTemplate, std::nullopt, 1, true, "年月日", date, "时间戳", time);
}

std::vector<Text> FengYunTileUrls(const Text& date, const Text& time, const Endpoints& endpoints) {
    Text tileTemplate = FengYunTileTemplate(date, time, endpoints);
    std::vector<Text> urls;
    for (const char* box : kBoxes) {
        urls.push_back(ReplaceText(tileTemplate, "位置", box));
    }
    return urls;
}

bool ReadFengYunDataTime(const Text& answer, Text& date, Text& time) {
    std::vector<Text> dates;
    std::vector<Text> times;
    TextsBetween(answer, kDateMarker, kClosingMarker, dates);
    TextsBetween(answer, kTimeMarker, kClosingMarker, times);
    if (dates.empty() || times.empty()) {
        return false;
    }
    date = dates.back();
    time = TextLeft(times.back(), 4);
    return true;
}

Bytes FetchFengYunThumbnail(const Endpoints& endpoints) {
    return HttpRequest(FengYunThumbnailUrl(endpoints));
}

Bytes FetchFengYunHd(const Endpoints& endpoints) {
    Text answer = Utf8ToGbk(HttpRequest(FengYunQueryUrl(endpoints)));
    Text date;
    Text time;
    if (!ReadFengYunDataTime(answer, date, time)) {
        return {};
    }
    return FetchTileMosaic(FengYunTileUrls(date, time, endpoints));
}

} // namespace vexmora
