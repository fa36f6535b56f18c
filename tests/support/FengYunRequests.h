#pragma once

#include <string>

// The request targets a FengYun-4A high-definition fetch sends, as the tests expect them.
namespace vexmora::test {

inline constexpr const char* kFengYunQueryTarget =
    "/nsmc/v1/nsmc/image/animation/datatime/mongodb?dataCode=FY4A-_AGRI--_N_DISK_1047E_L1C_MTCC_"
    "MULT_NOM_YYYYMMDDhhmmss_YYYYMMDDhhmmss_4000M_V0001.JPG&hourRange=3&isHaveNight=1&"
    "isCustomTime=false&endTime=2018-07-11+16%3A00%3A00";

// The four tiles' boxes: top left, top right, bottom left, bottom right.
inline constexpr const char* kFengYunTileBoxes[] = {
    "-5500%2C0%2C0%2C5500", "0%2C0%2C5500%2C5500", "-5500%2C-5500%2C0%2C0", "0%2C-5500%2C5500%2C0"};

inline std::string FengYunTileTarget(const std::string& date, const std::string& time,
                                     const char* box) {
    return "/mongoTile_DSS/NOM/TileServer.php?layer=PRODUCT&PRODUCT=FY4A-_AGRI--_N_DISK_1047E_"
           "L1C_MTCC_MULT_NOM_YYYYMMDDhhmmss_YYYYMMDDhhmmss_4000M_V0001.JPG&DATE=" +
           date + "&TIME=" + time + "&&ENDTIME=" + time +
           "&SERVICE=WMS&VERSION=1.1.1&REQUEST=GetMap&FORMAT=image%2Fjpeg&TRANSPARENT=true&"
           "LAYERS=satellite&NOTILE=BLACK&TILED=true&WIDTH=256&HEIGHT=256&SRS=EPSG%3A11111&"
           "STYLES=&BBOX=" +
           box;
}

} // namespace vexmora::test
