#include "net/HttpRequest.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <future>
#include <thread>

#include "net/TextHelpers.h"
#include "platform/HttpTransport.h"
#include "tests/support/LoopbackServer.h"

namespace vexmora {
namespace {

using test::LoopbackProxy;
using test::RawHttpServer;
using test::RawReply;
using test::RecordedRequest;
using ::testing::HasSubstr;
using ::testing::Not;
using After = RawReply::After;

const Text kAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
const Text kBlank5000(5000, ' ');

std::string AsString(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// A server that answers every request with "hello".
RawHttpServer::Handler Answer(std::string body = "hello",
                              std::vector<std::string> headerLines = {}) {
    return [body, headerLines](const RecordedRequest&) {
        return RawReply::Http(200, body, headerLines);
    };
}

// A port on which nothing listens: bound once by the system, then let go.
int UnusedPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

class HttpRequestTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ResumeTransfers();
        platform::ClearCookieStore();
    }
    void TearDown() override { platform::ResumeTransfers(); }
};

// ---------------------------------------------------------------- the program's own GET

TEST_F(HttpRequestTest, DefaultGetPutsExactlyTheFixedRequestOnTheWire) {
    for (bool tls : {false, true}) {
        SCOPED_TRACE(tls ? "https" : "http");
        RawHttpServer server(Answer(), tls);
        const Text url = server.Origin() + "/Img/Earth.JPG?t=20260101&a=B";
        HttpRequestOptions options;
        Bytes body = HttpRequest(url, options);

        EXPECT_EQ(AsString(body), "hello");
        const std::string expected = "GET /Img/Earth.JPG?t=20260101&a=B HTTP/1.1\r\n"
                                     "Host: 127.0.0.1:" +
                                     std::to_string(server.port()) +
                                     "\r\n"
                                     "User-Agent: " +
                                     kAgent +
                                     "\r\n"
                                     "Accept: */*\r\n"
                                     "Referer: " +
                                     url +
                                     "\r\n"
                                     "Accept-Language: zh-cn\r\n"
                                     "\r\n";
        EXPECT_EQ(server.LastRequest().raw, expected);
        EXPECT_EQ(options.extraHeaders,
                  "Accept: */*\r\nReferer: " + url + "\r\nAccept-Language: zh-cn");
        EXPECT_EQ(options.responseHeaders, "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n");
        EXPECT_EQ(options.receivedCookies, "");
        EXPECT_TRUE(options.bodyBytes.empty());
    }
}

TEST_F(HttpRequestTest, ShortFormReturnsTheBody) {
    RawHttpServer server(Answer("short form"));
    EXPECT_EQ(AsString(HttpRequest(server.Origin() + "/")), "short form");
}

TEST_F(HttpRequestTest, PathIsSentByteForByteAsCutFromTheUrl) {
    RawHttpServer server(Answer());
    // GBK bytes, a doubled slash and a dot segment: none of it is encoded or tidied.
    const Text path = "/卫星//./图片.png?名=值&x=/a/../b";
    HttpRequest(server.Origin() + path);
    EXPECT_EQ(server.LastRequest().target, path);
}

TEST_F(HttpRequestTest, CallerBlockWithoutCompletionCarriesNothingOfTheStacksOwn) {
    RawHttpServer server(Answer());
    HttpRequestOptions options;
    options.completeHeaders = false;
    options.normalizeHeaderNames = false;
    options.extraHeaders = "x-one: 1\r\nX-Empty:";
    HttpRequest(server.Origin() + "/p", options);

    const RecordedRequest request = server.LastRequest();
    EXPECT_EQ(request.raw, "GET /p HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                               "\r\nUser-Agent: " + kAgent + "\r\nx-one: 1\r\nX-Empty:\r\n\r\n");
    EXPECT_EQ(options.extraHeaders, "x-one: 1\r\nX-Empty:");
}

TEST_F(HttpRequestTest, UserAgentLineOfTheCallerIsTheOnlyAgent) {
    RawHttpServer server(Answer());
    HttpRequestOptions options;
    options.extraHeaders = "user-agent: TestAgent/1.0";
    HttpRequest(server.Origin() + "/", options);
    const RecordedRequest request = server.LastRequest();
    EXPECT_EQ(request.HeaderCount("User-Agent"), 1);
    EXPECT_EQ(request.Header("User-Agent"), "TestAgent/1.0");
}

// ---------------------------------------------------------------- verbs and bodies

struct VerbCase {
    int method;
    Text extraHeaders;
    Text bodyText;
    Text bodyBytes;
    std::string wireVerb;
    std::string wireBody;
    std::optional<std::string> contentType; // none: no Content-Type line at all
    Text bodyBytesAfter;
};

class HttpRequestVerbTest : public HttpRequestTest,
                            public ::testing::WithParamInterface<VerbCase> {};

TEST_P(HttpRequestVerbTest, SendsTheVerbBodyAndContentType) {
    const VerbCase& c = GetParam();
    RawHttpServer server(Answer());
    HttpRequestOptions options;
    options.method = c.method;
    options.extraHeaders = c.extraHeaders;
    options.bodyText = c.bodyText;
    options.bodyBytes = BytesFromText(c.bodyBytes);
    HttpRequest(server.Origin() + "/v", options);

    const RecordedRequest request = server.LastRequest();
    EXPECT_EQ(request.method, c.wireVerb);
    EXPECT_EQ(request.body, c.wireBody);
    EXPECT_EQ(request.Header("Content-Type"), c.contentType);
    EXPECT_EQ(request.HeaderCount("Content-Type"), c.contentType ? 1 : 0);
    EXPECT_FALSE(request.Header("Expect").has_value());
    EXPECT_EQ(request.HeaderCount("Accept"), 1);
    EXPECT_EQ(AsString(options.bodyBytes), c.bodyBytesAfter);
    if (!c.wireBody.empty()) {
        EXPECT_EQ(request.Header("Content-Length"), std::to_string(c.wireBody.size()));
    }
}

const std::string kForm = "application/x-www-form-urlencoded";

INSTANTIATE_TEST_SUITE_P(
    Verbs, HttpRequestVerbTest,
    ::testing::Values(
        // GET never carries a body and leaves bodyBytes alone.
        VerbCase{0, "", "ignored", "", "GET", "", std::nullopt, ""},
        VerbCase{1, "", "a=1&b=2", "", "POST", "a=1&b=2", kForm, "a=1&b=2"},
        VerbCase{1, "Content-Type: text/plain", "x", "", "POST", "x", "text/plain", "x"},
        // bodyBytes wins over bodyText.
        VerbCase{1, "", "text", "bytes", "POST", "bytes", kForm, "bytes"},
        VerbCase{3, "", "put-body", "", "PUT", "put-body", std::nullopt, "put-body"},
        VerbCase{5, "", "abc", "", "DELETE", "abc", std::nullopt, "abc"},
        VerbCase{4, "", "", "", "OPTIONS", "", std::nullopt, ""},
        VerbCase{6, "", "", "", "TRACE", "", std::nullopt, ""},
        // Out of range: a GET.
        VerbCase{9, "", "x", "", "GET", "", std::nullopt, ""},
        VerbCase{-1, "", "x", "", "GET", "", std::nullopt, ""}));

TEST_F(HttpRequestTest, LargePostIsSentWithoutWaitingForContinue) {
    RawHttpServer server(Answer("done"));
    HttpRequestOptions options;
    options.method = 1;
    options.bodyText = Text(3 << 20, 'p');
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(AsString(HttpRequest(server.Origin() + "/big", options)), "done");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(server.LastRequest().body.size(), 3u << 20);
    EXPECT_FALSE(server.LastRequest().Header("Expect").has_value());
}

TEST_F(HttpRequestTest, HeadReturnsTheHeadersAndNoBody) {
    RawHttpServer server([](const RecordedRequest&) {
        return RawReply{"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n"};
    });
    HttpRequestOptions options;
    options.method = 2;
    EXPECT_TRUE(HttpRequest(server.Origin() + "/h", options).empty());
    EXPECT_EQ(server.LastRequest().method, "HEAD");
    EXPECT_EQ(options.responseHeaders, "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n");
}

// ---------------------------------------------------------------- URL forms

TEST_F(HttpRequestTest, SchemeInCapitalsIsRecognised) {
    RawHttpServer secure(Answer("secure"), true);
    RawHttpServer plain(Answer("plain"));
    EXPECT_EQ(AsString(HttpRequest("HTTPS://127.0.0.1:" + std::to_string(secure.port()) + "/x")),
              "secure");
    EXPECT_EQ(AsString(HttpRequest("HTTP://127.0.0.1:" + std::to_string(plain.port()) + "/x")),
              "plain");
    EXPECT_EQ(secure.LastRequest().target, "/x");
}

TEST_F(HttpRequestTest, UrlWithoutSchemeIsPlainHttp) {
    RawHttpServer server(Answer("no scheme"));
    const Text url = "127.0.0.1:" + std::to_string(server.port()) + "/Dir/File?Q=1";
    HttpRequestOptions options;
    EXPECT_EQ(AsString(HttpRequest(url, options)), "no scheme");
    EXPECT_EQ(server.LastRequest().target, "/Dir/File?Q=1");
    EXPECT_EQ(server.LastRequest().Header("Referer"), url);
}

TEST_F(HttpRequestTest, Port8443MixedCaseHostAndPathWithQuery) {
    std::unique_ptr<RawHttpServer> server;
    try {
        server = std::make_unique<RawHttpServer>(Answer("8443"), true, 8443);
    } catch (const std::exception&) {
        GTEST_SKIP() << "port 8443 is taken on this machine";
    }
    const Text url = "https://LocalHost:8443/Tiles/Z1/X0_Y0.PNG?Stamp=ABC/def";
    EXPECT_EQ(AsString(HttpRequest(url)), "8443");
    const RecordedRequest request = server->LastRequest();
    EXPECT_EQ(request.target, "/Tiles/Z1/X0_Y0.PNG?Stamp=ABC/def");
    EXPECT_EQ(request.Header("Host"), "localhost:8443");
    EXPECT_EQ(request.Header("Referer"), url);
}

TEST_F(HttpRequestTest, DefaultPortIsLeftOutOfTheHostHeader) {
    // Port 443 through https is the default; it must not be written into the Host header.
    std::unique_ptr<RawHttpServer> server;
    try {
        server = std::make_unique<RawHttpServer>(Answer("443"), true, 443);
    } catch (const std::exception&) {
        GTEST_SKIP() << "port 443 cannot be bound here";
    }
    EXPECT_EQ(AsString(HttpRequest("https://127.0.0.1/d")), "443");
    EXPECT_EQ(server->LastRequest().Header("Host"), "127.0.0.1");
}

// ---------------------------------------------------------------- redirects

TEST_F(HttpRequestTest, RedirectChainIsFollowedUnlessNoRedirect) {
    RawHttpServer target(Answer("final body", {"Set-Cookie: end=1"}));
    RawHttpServer server([&target](const RecordedRequest& request) {
        if (request.target == "/start") {
            return RawReply::Http(302, "first hop", {"Location: /second?k=v"});
        }
        return RawReply::Http(302, "second hop", {"Location: " + target.Origin() + "/end"});
    });

    HttpRequestOptions follow;
    EXPECT_EQ(AsString(HttpRequest(server.Origin() + "/start", follow)), "final body");
    ASSERT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(server.Requests()[1].target, "/second?k=v");
    EXPECT_EQ(target.LastRequest().target, "/end");
    EXPECT_THAT(follow.responseHeaders, HasSubstr("HTTP/1.1 200 OK\r\n"));
    EXPECT_EQ(follow.receivedCookies, "end=1");

    HttpRequestOptions stay;
    stay.noRedirect = true;
    EXPECT_EQ(AsString(HttpRequest(server.Origin() + "/start", stay)), "first hop");
    EXPECT_THAT(stay.responseHeaders, HasSubstr("HTTP/1.1 302 Found\r\nLocation: /second?k=v\r\n"));
    EXPECT_EQ(server.Requests().size(), 3u);
    EXPECT_EQ(target.Requests().size(), 1u);
}

TEST_F(HttpRequestTest, RedirectFromHttpToHttpsIsFollowed) {
    RawHttpServer secure(Answer("over tls"), true);
    RawHttpServer plain([&secure](const RecordedRequest&) {
        return RawReply::Http(301, "", {"Location: " + secure.Origin() + "/s"});
    });
    EXPECT_EQ(AsString(HttpRequest(plain.Origin() + "/p")), "over tls");
}

TEST_F(HttpRequestTest, PostRedirectedBy302ContinuesAsGetWithoutBody) {
    RawHttpServer server([](const RecordedRequest& request) {
        if (request.target == "/form") {
            return RawReply::Http(302, "", {"Location: /result"});
        }
        return RawReply::Http(200, "result");
    });
    HttpRequestOptions options;
    options.method = 1;
    options.bodyText = "q=1";
    EXPECT_EQ(AsString(HttpRequest(server.Origin() + "/form", options)), "result");
    const RecordedRequest second = server.LastRequest();
    EXPECT_EQ(second.method, "GET");
    EXPECT_EQ(second.body, "");
    EXPECT_FALSE(second.Header("Content-Type").has_value());
}

TEST_F(HttpRequestTest, EndlessRedirectLoopStopsAndReturnsTheLastAnswer) {
    RawHttpServer server(
        [](const RecordedRequest&) { return RawReply::Http(302, "loop", {"Location: /again"}); });
    EXPECT_EQ(AsString(HttpRequest(server.Origin() + "/again")), "loop");
    EXPECT_EQ(server.Requests().size(), 11u); // the first request and ten redirects
}

// ---------------------------------------------------------------- cookies

TEST_F(HttpRequestTest, SetCookieLinesAreCollected) {
    RawHttpServer server(
        Answer("c", {"Set-Cookie: a=1; path=/; HttpOnly", "Set-Cookie: b=2", "set-cookie: lower=1",
                     "Set-Cookie:nospace=1", "Set-Cookie: a=3; domain=x"}));
    HttpRequestOptions options;
    HttpRequest(server.Origin() + "/", options);
    EXPECT_EQ(options.receivedCookies, "a=1; b=2; a=3");
}

struct MergeCase {
    Text sendCookies;
    std::vector<std::string> setCookies;
    std::string wireCookie; // the Cookie header sent; empty: none
    Text merged;
};

class HttpRequestMergeTest : public HttpRequestTest,
                             public ::testing::WithParamInterface<MergeCase> {};

TEST_P(HttpRequestMergeTest, CallerCookiesTravelAndAreMerged) {
    const MergeCase& c = GetParam();
    RawHttpServer server(Answer("m", c.setCookies));
    HttpRequestOptions options;
    options.sendCookies = c.sendCookies;
    HttpRequest(server.Origin() + "/", options);

    const RecordedRequest request = server.LastRequest();
    if (c.wireCookie.empty()) {
        EXPECT_EQ(request.HeaderCount("Cookie"), 0);
    } else {
        EXPECT_EQ(request.HeaderCount("Cookie"), 1);
        EXPECT_EQ(request.Header("Cookie"), c.wireCookie);
    }
    EXPECT_EQ(options.receivedCookies, c.merged);
    EXPECT_EQ(options.sendCookies, c.merged);
}

INSTANTIATE_TEST_SUITE_P(
    Cookies, HttpRequestMergeTest,
    ::testing::Values(MergeCase{"a=1; b=2", {"Set-Cookie: b=3"}, "a=1; b=2", "b=3; a=1"},
                      MergeCase{"a=1; b=2", {"Set-Cookie: b=deleted; path=/"}, "a=1; b=2", "a=1"},
                      MergeCase{"", {"Set-Cookie: x=1"}, "", "x=1"},
                      MergeCase{"x=1", {}, "x=1", "x=1"}, MergeCase{"k=a b", {}, "k=a b", "k=ab"},
                      // A text that already holds "Cookie:" is appended as it is.
                      MergeCase{"Cookie: s=9", {"Set-Cookie: t=1"}, "s=9", "t=1; Cookie:s=9"}));

TEST_F(HttpRequestTest, MergeOffKeepsTheCallerCookiesAndReturnsOnlyTheNewOnes) {
    RawHttpServer server(Answer("m", {"Set-Cookie: n=1"}));
    HttpRequestOptions options;
    options.sendCookies = "o=1";
    options.mergeCookies = false;
    HttpRequest(server.Origin() + "/", options);
    EXPECT_EQ(options.receivedCookies, "n=1");
    EXPECT_EQ(options.sendCookies, "o=1");
}

TEST_F(HttpRequestTest, StoreServesOnlyCallsThatSupplyNoCookieText) {
    RawHttpServer server([](const RecordedRequest& request) {
        if (request.target == "/set") {
            return RawReply::Http(200, "", {"Set-Cookie: jar=1; path=/"});
        }
        if (request.target == "/set-private") {
            return RawReply::Http(200, "", {"Set-Cookie: private=1; path=/"});
        }
        return RawReply::Http(200, "");
    });
    const Text origin = server.Origin();

    HttpRequest(origin + "/set"); // no cookie text: the store keeps jar=1
    HttpRequest(origin + "/plain");
    EXPECT_EQ(server.LastRequest().Header("Cookie"), "jar=1");

    // Supplied but empty: the store is neither read nor written.
    HttpRequestOptions empty;
    empty.sendCookies = Text();
    HttpRequest(origin + "/set-private", empty);
    EXPECT_EQ(server.LastRequest().HeaderCount("Cookie"), 0);
    EXPECT_EQ(empty.receivedCookies, "private=1");
    EXPECT_EQ(empty.sendCookies, "private=1");

    HttpRequest(origin + "/plain");
    EXPECT_EQ(server.LastRequest().Header("Cookie"), "jar=1");
}

// ---------------------------------------------------------------- answers

TEST_F(HttpRequestTest, ResponseHeaderBlockOf5000BytesOrMoreIsBlankAndGivesNoCookies) {
    for (int padding : {0, 1}) {
        // The block without the padding header line: status line, Set-Cookie, Content-Length.
        const std::string fixed =
            "HTTP/1.1 200 OK\r\nSet-Cookie: big=1\r\nContent-Length: 4\r\n\r\n";
        const std::string name = "X-Pad: ";
        const int fill = 4999 + padding - static_cast<int>(fixed.size() + name.size() + 2);
        const std::string block = "HTTP/1.1 200 OK\r\nSet-Cookie: big=1\r\n" + name +
                                  std::string(fill, 'p') + "\r\nContent-Length: 4\r\n\r\n";
        ASSERT_EQ(block.size(), 4999u + padding);
        RawHttpServer server([&block](const RecordedRequest&) { return RawReply{block + "body"}; });
        HttpRequestOptions options;
        EXPECT_EQ(AsString(HttpRequest(server.Origin() + "/", options)), "body");
        if (padding == 0) {
            EXPECT_EQ(options.responseHeaders, block);
            EXPECT_EQ(options.receivedCookies, "big=1");
        } else {
            EXPECT_EQ(options.responseHeaders, kBlank5000);
            EXPECT_EQ(options.receivedCookies, "");
        }
    }
}

TEST_F(HttpRequestTest, ErrorStatusBodyIsReturnedAsTheBody) {
    RawHttpServer server(
        [](const RecordedRequest&) { return RawReply::Http(404, "<html>not here</html>"); });
    HttpRequestOptions options;
    EXPECT_EQ(AsString(HttpRequest(server.Origin() + "/missing", options)),
              "<html>not here</html>");
    EXPECT_THAT(options.responseHeaders, HasSubstr("HTTP/1.1 404 Not Found\r\n"));
}

TEST_F(HttpRequestTest, ChunkedBodyArrivesDecoded) {
    RawHttpServer server([](const RecordedRequest&) {
        return RawReply{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                        "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n"};
    });
    EXPECT_EQ(AsString(HttpRequest(server.Origin() + "/")), "hello world");
}

// ---------------------------------------------------------------- failures

TEST_F(HttpRequestTest, NothingReceivedGivesEmptyBodyBlankHeadersAndOnlyOldCookies) {
    const Text unresolvable = "http://" + Text(70, 'a') + ".invalid/x"; // fails without a query
    const Text refused = "http://127.0.0.1:" + std::to_string(UnusedPort()) + "/x";
    for (const Text& url : {refused, unresolvable}) {
        SCOPED_TRACE(url);
        HttpRequestOptions options;
        options.receivedCookies = "stale";
        EXPECT_TRUE(HttpRequest(url, options).empty());
        EXPECT_EQ(options.responseHeaders, kBlank5000);
        EXPECT_EQ(options.receivedCookies, "");

        HttpRequestOptions withCookies;
        withCookies.sendCookies = "a=1; b=2";
        EXPECT_TRUE(HttpRequest(url, withCookies).empty());
        EXPECT_EQ(withCookies.receivedCookies, "a=1; b=2");
    }
}

TEST_F(HttpRequestTest, GarbageInsteadOfHttpGivesNothing) {
    RawHttpServer server([](const RecordedRequest&) {
        return RawReply{"this is not an HTTP answer\r\n\r\n", After::Close};
    });
    HttpRequestOptions options;
    EXPECT_TRUE(HttpRequest(server.Origin() + "/", options).empty());
    EXPECT_EQ(options.responseHeaders, kBlank5000);
}

TEST_F(HttpRequestTest, ConnectionClosedMidBodyGivesWhatArrived) {
    RawHttpServer server([](const RecordedRequest&) {
        return RawReply{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789", After::Close};
    });
    HttpRequestOptions options;
    EXPECT_EQ(AsString(HttpRequest(server.Origin() + "/", options)), "0123456789");
    EXPECT_EQ(options.responseHeaders, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n");
}

TEST_F(HttpRequestTest, EndlessBodyIsAbandonedAtTheLimitAndGivesNothing) {
    RawHttpServer server([](const RecordedRequest&) {
        return RawReply{"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n", After::Endless};
    });
    // The default transport, with the real 64 MiB limit.
    EXPECT_TRUE(HttpRequest(server.Origin() + "/endless").empty());
}

TEST_F(HttpRequestTest, DeclaredOversizeBodyIsRefusedAtOnce) {
    RawHttpServer server([](const RecordedRequest&) {
        return RawReply{"HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n", After::Endless};
    });
    platform::HttpTransportSettings settings;
    settings.maxBodyBytes = 1000;
    auto transport = platform::CreateHttpTransport(settings);
    HttpRequestOptions options;
    options.transport = transport.get();
    EXPECT_TRUE(HttpRequest(server.Origin() + "/", options).empty());
}

struct StallCase {
    const char* name;
    std::string bytes; // what the server sends before it falls silent
    std::string body;  // what the call gives back
};

class HttpRequestStallTest : public HttpRequestTest,
                             public ::testing::WithParamInterface<StallCase> {};

TEST_P(HttpRequestStallTest, SilentServerIsAbandonedAfterTheIdleTime) {
    const StallCase& c = GetParam();
    RawHttpServer server([&c](const RecordedRequest&) { return RawReply{c.bytes, After::Stall}; });
    platform::HttpTransportSettings settings;
    settings.idleTimeoutMs = 500;
    auto transport = platform::CreateHttpTransport(settings);
    HttpRequestOptions options;
    options.transport = transport.get();
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(AsString(HttpRequest(server.Origin() + "/", options)), c.body);
    auto took = std::chrono::steady_clock::now() - started;
    EXPECT_GE(took, std::chrono::milliseconds(450));
    EXPECT_LT(took, std::chrono::seconds(5));
}

INSTANTIATE_TEST_SUITE_P(
    Stalls, HttpRequestStallTest,
    ::testing::Values(StallCase{"NoAnswer", "", ""},
                      StallCase{"HalfHeaders", "HTTP/1.1 200 OK\r\nContent-Le", ""},
                      StallCase{"HalfBody", "HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nabc",
                                "abc"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HttpRequestTest, TrickleIsCutAtTheTotalTime) {
    RawHttpServer server([](const RecordedRequest&) {
        return RawReply{"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n", After::Trickle};
    });
    platform::HttpTransportSettings settings;
    settings.totalTimeoutMs = 700;
    auto transport = platform::CreateHttpTransport(settings);
    HttpRequestOptions options;
    options.transport = transport.get();
    auto started = std::chrono::steady_clock::now();
    Bytes body = HttpRequest(server.Origin() + "/", options);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
    EXPECT_FALSE(body.empty()); // what arrived in time
    EXPECT_LT(body.size(), 100u);
}

TEST_F(HttpRequestTest, CancelEndsTransfersInFlightAndLaterOnes) {
    RawHttpServer server([](const RecordedRequest&) { return RawReply{"", After::Stall}; });
    auto pending =
        std::async(std::launch::async, [&] { return HttpRequest(server.Origin() + "/wait"); });
    ASSERT_TRUE(server.WaitForRequests(1, std::chrono::seconds(5)));
    const auto cancelled = std::chrono::steady_clock::now();
    platform::CancelAllTransfers();
    ASSERT_EQ(pending.wait_for(std::chrono::seconds(1)), std::future_status::ready);
    EXPECT_LT(std::chrono::steady_clock::now() - cancelled, std::chrono::seconds(1));
    EXPECT_TRUE(pending.get().empty());

    RawHttpServer other(Answer("after"));
    EXPECT_TRUE(HttpRequest(other.Origin() + "/").empty());
    EXPECT_TRUE(other.Requests().empty());
    platform::ResumeTransfers();
    EXPECT_EQ(AsString(HttpRequest(other.Origin() + "/")), "after");
}

// ---------------------------------------------------------------- proxies

TEST_F(HttpRequestTest, PlainHttpThroughProxyArrivesInAbsoluteForm) {
    RawHttpServer origin(Answer("via proxy"));
    LoopbackProxy proxy;
    HttpRequestOptions options;
    options.proxy = proxy.Address();
    const Text url = origin.Origin() + "/Path?q=1";
    EXPECT_EQ(AsString(HttpRequest(url, options)), "via proxy");

    ASSERT_EQ(proxy.Requests().size(), 1u);
    const RecordedRequest atProxy = proxy.Requests()[0];
    EXPECT_EQ(atProxy.method, "GET");
    EXPECT_EQ(atProxy.target, url);
    EXPECT_EQ(atProxy.Header("Referer"), url);
    EXPECT_EQ(origin.LastRequest().target, "/Path?q=1");
}

TEST_F(HttpRequestTest, HttpsThroughProxyArrivesAsConnect) {
    RawHttpServer origin(Answer("tunnelled"), true);
    LoopbackProxy proxy;
    HttpRequestOptions options;
    options.proxy = proxy.Address();
    EXPECT_EQ(AsString(HttpRequest(origin.Origin() + "/Secret?x=1", options)), "tunnelled");

    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_EQ(proxy.Requests()[0].method, "CONNECT");
    EXPECT_EQ(proxy.Requests()[0].target, "127.0.0.1:" + std::to_string(origin.port()));
    // The caller's header block goes to the origin only, inside the tunnel.
    EXPECT_FALSE(proxy.Requests()[0].Header("Referer").has_value());
    EXPECT_EQ(origin.LastRequest().target, "/Secret?x=1");
    EXPECT_EQ(origin.LastRequest().raw.substr(0, 28), "GET /Secret?x=1 HTTP/1.1\r\nHo");
}

TEST_F(HttpRequestTest, ProxyOfAPlainHttpRequestCarriesNoHttps) {
    RawHttpServer secure(Answer("direct tls"), true);
    RawHttpServer plain([&secure](const RecordedRequest&) {
        return RawReply::Http(302, "", {"Location: " + secure.Origin() + "/s"});
    });
    LoopbackProxy proxy;
    HttpRequestOptions options;
    options.proxy = proxy.Address();
    EXPECT_EQ(AsString(HttpRequest(plain.Origin() + "/p", options)), "direct tls");
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_EQ(proxy.Requests()[0].method, "GET"); // the https hop did not use it
}

TEST_F(HttpRequestTest, EnvironmentProxyIsNeverUsed) {
    RawHttpServer origin(Answer("direct"));
    LoopbackProxy proxy;
    const std::string address = "http://" + proxy.Address();
    for (const char* name : {"http_proxy", "HTTPS_PROXY", "ALL_PROXY"}) {
        setenv(name, address.c_str(), 1);
    }
    const Bytes body = HttpRequest(origin.Origin() + "/");
    for (const char* name : {"http_proxy", "HTTPS_PROXY", "ALL_PROXY"}) {
        unsetenv(name);
    }
    EXPECT_EQ(AsString(body), "direct");
    EXPECT_TRUE(proxy.Requests().empty());
}

// ---------------------------------------------------------------- threads and connections

TEST_F(HttpRequestTest, SequentialCallsReuseOneConnection) {
    for (bool tls : {false, true}) {
        SCOPED_TRACE(tls ? "https" : "http");
        RawHttpServer server(Answer("again"), tls);
        auto transport = platform::CreateHttpTransport({});
        for (int i = 0; i < 5; ++i) {
            HttpRequestOptions options;
            options.transport = transport.get();
            EXPECT_EQ(AsString(HttpRequest(server.Origin() + "/" + std::to_string(i), options)),
                      "again");
        }
        EXPECT_EQ(server.ConnectionCount(), 1);

        platform::HttpTransportSettings settings;
        settings.reuseConnections = false;
        auto fresh = platform::CreateHttpTransport(settings);
        for (int i = 0; i < 3; ++i) {
            HttpRequestOptions options;
            options.transport = fresh.get();
            HttpRequest(server.Origin() + "/", options);
        }
        EXPECT_EQ(server.ConnectionCount(), 4);
    }
}

TEST_F(HttpRequestTest, CallsFromManyThreadsAtOnceEachGetTheirOwnAnswer) {
    RawHttpServer plain([](const RecordedRequest& request) {
        return RawReply::Http(200, "plain" + request.target);
    });
    RawHttpServer secure(
        [](const RecordedRequest& request) {
            return RawReply::Http(200, "secure" + request.target);
        },
        true);
    std::vector<std::future<int>> workers;
    for (int t = 0; t < 4; ++t) {
        workers.push_back(std::async(std::launch::async, [&, t] {
            int good = 0;
            for (int i = 0; i < 10; ++i) {
                const std::string path = "/" + std::to_string(t) + "-" + std::to_string(i);
                const bool tls = (i + t) % 2 == 0;
                const RawHttpServer& server = tls ? secure : plain;
                const Bytes body = HttpRequest(server.Origin() + path);
                good += AsString(body) == (tls ? "secure" : "plain") + path ? 1 : 0;
            }
            return good;
        }));
    }
    for (auto& worker : workers) {
        EXPECT_EQ(worker.get(), 10);
    }
}

} // namespace
} // namespace vexmora
