#include "net/Url.h"

#include "net/TextHelpers.h"

namespace vexmora {
namespace {

constexpr std::string_view kHttps = "https://";
constexpr std::string_view kHttp = "http://";

// Byte length of the scheme written at the start of the URL (any letter case), 0 for none.
int SchemeLength(std::string_view url) {
    const Text head = ToLowerAscii(TextLeft(url, static_cast<int>(kHttps.size())));
    if (head.starts_with(kHttps)) {
        return static_cast<int>(kHttps.size());
    }
    if (head.starts_with(kHttp)) {
        return static_cast<int>(kHttp.size());
    }
    return 0;
}

// Position of the first of '/', '?' and '#' at or after `start`, or -1: where the host and port
// end.
int FindAuthorityEnd(std::string_view text, int start) {
    int end = -1;
    for (std::string_view mark : {"/", "?", "#"}) {
        int at = FindText(text, mark, start);
        if (at != -1 && (end == -1 || at < end)) {
            end = at;
        }
    }
    return end;
}

// Position of the colon before the port in "host:port" or "[v6]:port", or -1. A host with
// more than one colon (which no valid URL has) ends at the first and its port follows the
// last.
int FindPortColon(std::string_view hostAndPort, bool last) {
    if (hostAndPort.starts_with("[")) {
        int close = FindText(hostAndPort, "]");
        if (close != -1) {
            int colon = FindText(hostAndPort, ":", close + 1);
            return colon == -1 || !last ? colon : FindTextLast(hostAndPort, ":");
        }
    }
    return last ? FindTextLast(hostAndPort, ":") : FindText(hostAndPort, ":");
}

} // namespace

Text UrlHost(std::string_view url, bool keepPort) {
    Text work = ToLowerAscii(url);
    if (!work.ends_with("/")) {
        work += "/";
    }
    // Only a scheme at the very start counts: an address inside the query of a URL written
    // without a scheme must not be taken for its host.
    const bool secure = work.starts_with(kHttps);
    if (!secure && !work.starts_with(kHttp)) {
        work.insert(0, kHttp);
    }
    const int hostAt = static_cast<int>((secure ? kHttps : kHttp).size()) + 1;
    const int end = FindAuthorityEnd(work, hostAt);
    Text host = TextMid(work, hostAt, end - hostAt);
    if (!keepPort) {
        int colon = FindPortColon(host, false);
        if (colon != -1) {
            host = TextLeft(host, colon - 1);
        }
    }
    return host;
}

int UrlPort(std::string_view url) {
    const Text hostAndPort = UrlHost(url, true);
    const int colon = FindPortColon(hostAndPort, true);
    if (colon == -1) {
        return SchemeLength(url) == static_cast<int>(kHttps.size()) ? 443 : 80;
    }
    const int port = ToInteger(TextMid(hostAndPort, colon + 1, static_cast<int>(url.size())));
    // Outside the port range means no usable port; 0 lets the transport take its default.
    return port >= 0 && port <= 65535 ? port : 0;
}

Text UrlPath(std::string_view url) {
    const Text host = UrlHost(url);
    // Look for the host after the scheme, so that a host such as "h" or "tp" is not found
    // inside "http://".
    const int from = SchemeLength(url) + 1;
    int hostAt = host.empty() ? from : FindText(url, host, from, true);
    if (hostAt == -1) {
        hostAt = from;
    }
    const int end = FindAuthorityEnd(url, hostAt + static_cast<int>(host.size()));
    if (end == -1) {
        return "/";
    }
    const std::string_view rest = url.substr(static_cast<std::size_t>(end) - 1);
    // "http://host?q" asks for "/?q".
    return rest.starts_with("/") ? Text(rest) : "/" + Text(rest);
}

} // namespace vexmora
