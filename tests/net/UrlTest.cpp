#include "net/Url.h"

#include <gtest/gtest.h>

namespace vexmora {
namespace {

struct UrlCase {
    std::string_view url;
    std::string_view host;
    std::string_view hostAndPort;
    int port;
    std::string_view path;
};

class UrlSplitTest : public ::testing::TestWithParam<UrlCase> {};

TEST_P(UrlSplitTest, GivesHostPortAndPath) {
    const UrlCase& c = GetParam();
    EXPECT_EQ(UrlHost(c.url), c.host) << c.url;
    EXPECT_EQ(UrlHost(c.url, true), c.hostAndPort) << c.url;
    EXPECT_EQ(UrlPort(c.url), c.port) << c.url;
    EXPECT_EQ(UrlPath(c.url), c.path) << c.url;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UrlSplitTest,
    ::testing::Values(
        UrlCase{"http://img.example.cn", "img.example.cn", "img.example.cn", 80, "/"},
        UrlCase{"http://img.example.cn/", "img.example.cn", "img.example.cn", 80, "/"},
        UrlCase{"https://Sat.Example.CN:8443/Tiles/A.png?Time=1&x=Y", "sat.example.cn",
                "sat.example.cn:8443", 8443, "/Tiles/A.png?Time=1&x=Y"},
        UrlCase{"https://sat.example.cn/x", "sat.example.cn", "sat.example.cn", 443, "/x"},
        // Without a scheme: http, port 80, the path from its first "/".
        UrlCase{"fy4.example.cn/api/Query?a=1", "fy4.example.cn", "fy4.example.cn", 80,
                "/api/Query?a=1"},
        // A scheme in capitals is recognised, for the host and for the port.
        UrlCase{"HTTPS://Host.CN/P", "host.cn", "host.cn", 443, "/P"},
        UrlCase{"HTTP://Host.CN:8080/P", "host.cn", "host.cn:8080", 8080, "/P"},
        // A "/" inside the query does not disturb the path.
        UrlCase{"http://h.cn/a?next=/b/c", "h.cn", "h.cn", 80, "/a?next=/b/c"},
        UrlCase{"http://127.0.0.1:18080/x", "127.0.0.1", "127.0.0.1:18080", 18080, "/x"},
        // A colon without digits gives port 0 (the transport's default).
        UrlCase{"http://h.cn:/x", "h.cn", "h.cn:", 0, "/x"},
        UrlCase{"http://h.cn:abc/x", "h.cn", "h.cn:abc", 0, "/x"},
        UrlCase{"http://h.cn:99999/x", "h.cn", "h.cn:99999", 0, "/x"},
        // Hosts that also occur inside "http://" must not pull the path into the scheme.
        UrlCase{"http://h/x", "h", "h", 80, "/x"},
        UrlCase{"https://tp:81/Y", "tp", "tp:81", 81, "/Y"}, UrlCase{"http:///x", "", "", 80, "/x"},
        // An address in the query of a URL without a scheme is not its host.
        UrlCase{"h.cn/go?to=http://other.cn/", "h.cn", "h.cn", 80, "/go?to=http://other.cn/"},
        // A host that merely starts with "https" is still plain http.
        UrlCase{"https.example.cn/a", "https.example.cn", "https.example.cn", 80, "/a"},
        // The host ends at a query or fragment as well as at a "/".
        UrlCase{"http://h.cn?a=/b", "h.cn", "h.cn", 80, "/?a=/b"},
        UrlCase{"http://h.cn:81?a=1", "h.cn", "h.cn:81", 81, "/?a=1"},
        // Bracketed IPv6 literals keep their colons.
        UrlCase{"http://[::1]:8080/p", "[::1]", "[::1]:8080", 8080, "/p"},
        UrlCase{"https://[::1]/p", "[::1]", "[::1]", 443, "/p"},
        // Of several colons the host ends at the first and the port follows the last.
        UrlCase{"http://h.cn:1:2/x", "h.cn", "h.cn:1:2", 2, "/x"}, UrlCase{"", "", "", 80, "/"}));

} // namespace
} // namespace vexmora
