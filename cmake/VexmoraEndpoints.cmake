# Server addresses compiled into the program: scheme://host[:port], no trailing slash.
set(VEXMORA_FY4A_IMAGE_SERVER "http://img.nsmc.org.cn" CACHE STRING "FengYun-4A thumbnail server")
set(VEXMORA_FY4A_QUERY_SERVER "http://fy4.nsmc.org.cn" CACHE STRING "FengYun-4A data-time query server")
set(VEXMORA_FY4A_TILE_SERVER "https://satellite.nsmc.org.cn" CACHE STRING "FengYun-4A map tile server")
set(VEXMORA_HIMAWARI_SERVER "http://himawari8-dl.nict.go.jp" CACHE STRING "Himawari-8 download server")
set(VEXMORA_FY4A_SITE "http://fy4.nsmc.org.cn" CACHE STRING "FengYun-4A web site")
set(VEXMORA_HIMAWARI_SITE "http://himawari8.nict.go.jp" CACHE STRING "Himawari-8 web site")
set(VEXMORA_UPDATE_PAGE "http://vexmora.invalid/update.html" CACHE STRING "Update page address")
