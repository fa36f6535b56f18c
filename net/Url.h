#pragma once

#include <string_view>

#include "net/Text.h"

// Cutting a URL into what a connection needs. Only "http://" and "https://" are recognised; a
// URL without a scheme is http. Nothing is decoded, encoded or validated: every input gives
// some host, port and path.
namespace vexmora {

// The host, lower-cased (ASCII letters only). With `keepPort` the ":port" after it stays on.
// A bracketed IPv6 literal keeps its brackets: "[::1]".
Text UrlHost(std::string_view url, bool keepPort = false);

// The port to connect to: the number after the host's colon, else 443 for https and 80 for
// anything else. A colon with no digits after it gives 0.
int UrlPort(std::string_view url);

// The path with its query, as written in the URL (letter case kept), beginning with "/".
Text UrlPath(std::string_view url);

} // namespace vexmora
