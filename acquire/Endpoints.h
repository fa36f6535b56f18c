#pragma once

#include "net/Text.h"

namespace vexmora {

// The addresses of the servers and pages the program talks to. Each server is
// scheme://host[:port] without a trailing slash; the sources append their fixed paths.
struct Endpoints {
    Text fy4aImageServer; // FengYun-4A thumbnail, plain HTTP
    Text fy4aQueryServer; // FengYun-4A data-time query, plain HTTP
    Text fy4aTileServer;  // FengYun-4A map tiles, HTTPS
    Text himawariServer;  // Himawari-8 index, thumbnail and tiles, plain HTTP
    Text fy4aSite;        // web page opened from a FengYun-4A picture
    Text himawariSite;    // web page opened from a Himawari-8 picture
    Text updatePage;      // full address of the update page
};

// The addresses this build was configured with (the VEXMORA_* CMake variables).
const Endpoints& CompiledEndpoints();

} // namespace vexmora
