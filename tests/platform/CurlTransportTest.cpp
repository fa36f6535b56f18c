#include "platform/HttpTransport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "tests/support/LoopbackServer.h"

namespace vexmora::platform {
namespace {

using test::RawHttpServer;
using test::RawReply;
using test::RecordedRequest;
using After = RawReply::After;

std::string AsString(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

HttpTransportRequest RequestTo(const RawHttpServer& server, std::string target) {
    HttpTransportRequest request;
    request.secure = server.tls();
    request.host = "127.0.0.1";
    request.port = server.port();
    request.target = std::move(target);
    request.userAgent = "test-agent";
    request.useCookieStore = false;
    return request;
}

RawHttpServer::Handler Fixed(std::string bytes, After after = After::KeepAlive) {
    return [bytes, after](const RecordedRequest&) { return RawReply{bytes, after}; };
}

TEST(CurlTransportTest, InterimAnswerIsNotPartOfTheHeaderBlock) {
    RawHttpServer server(Fixed("HTTP/1.1 100 Continue\r\n\r\n"
                               "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"));
    auto response = DefaultHttpTransport().Exchange(RequestTo(server, "/"));
    EXPECT_TRUE(response.received);
    EXPECT_TRUE(response.complete);
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.rawHeaders, "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n");
    EXPECT_EQ(AsString(response.body), "ok");
}

TEST(CurlTransportTest, HeaderLinesEndedByBareLineFeedsComeBackWithCrLf) {
    RawHttpServer server(Fixed("HTTP/1.1 200 OK\nX-A: 1\nContent-Length: 1\n\nz"));
    auto response = DefaultHttpTransport().Exchange(RequestTo(server, "/"));
    EXPECT_EQ(response.rawHeaders, "HTTP/1.1 200 OK\r\nX-A: 1\r\nContent-Length: 1\r\n\r\n");
    EXPECT_EQ(AsString(response.body), "z");
}

TEST(CurlTransportTest, ChunkTrailersStayOutOfTheHeaderBlock) {
    RawHttpServer server(Fixed("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                               "3\r\nabc\r\n0\r\nX-Trailer: t\r\n\r\n"));
    auto response = DefaultHttpTransport().Exchange(RequestTo(server, "/"));
    EXPECT_EQ(response.rawHeaders, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
    EXPECT_EQ(AsString(response.body), "abc");
}

TEST(CurlTransportTest, FlagsTellHowTheTransferEnded) {
    struct Case {
        const char* name;
        std::string bytes;
        After after;
        bool received, complete, oversize;
        std::string body;
    };
    const Case cases[] = {
        {"whole", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabc", After::KeepAlive, true, true,
         false, "abc"},
        {"cut", "HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nabc", After::Close, true, false, false,
         "abc"},
        {"endless", "HTTP/1.1 200 OK\r\n\r\n", After::Endless, true, false, true, ""},
        {"garbage", "SSH-2.0-OpenSSH\r\n", After::Close, false, false, false, ""},
        {"endless header", "HTTP/1.1 200 OK\r\nX-Long: ", After::Endless, false, false, false, ""},
    };
    HttpTransportSettings settings;
    settings.maxBodyBytes = 100'000;
    auto transport = CreateHttpTransport(settings);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RawHttpServer server(Fixed(c.bytes, c.after));
        auto response = transport->Exchange(RequestTo(server, "/"));
        EXPECT_TRUE(response.started);
        EXPECT_EQ(response.received, c.received);
        EXPECT_EQ(response.complete, c.complete);
        EXPECT_EQ(response.oversize, c.oversize);
        EXPECT_EQ(AsString(response.body), c.body);
    }
}

TEST(CurlTransportTest, HostThatWouldCarryCredentialsIsRefused) {
    RawHttpServer server(Fixed("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"));
    for (const char* host : {"user@127.0.0.1", "127.0.0.1/x", "127.0.0.1?q", "", "a b"}) {
        SCOPED_TRACE(host);
        auto request = RequestTo(server, "/");
        request.host = host;
        auto response = DefaultHttpTransport().Exchange(request);
        EXPECT_TRUE(response.started);
        EXPECT_FALSE(response.received);
    }
    EXPECT_EQ(server.Requests().size(), 0u);
}

TEST(CurlTransportTest, RelativeRedirectsResolveAgainstTheRequestTarget) {
    RawHttpServer server([](const RecordedRequest& request) {
        if (request.target == "/dir/page?a=1") {
            return RawReply::Http(302, "", {"Location: next?b=2"});
        }
        if (request.target == "/dir/next?b=2") {
            return RawReply::Http(301, "", {"Location: ../top"});
        }
        return RawReply::Http(200, request.target);
    });
    auto response = DefaultHttpTransport().Exchange(RequestTo(server, "/dir/page?a=1"));
    EXPECT_EQ(AsString(response.body), "/top");
}

TEST(CurlTransportTest, RedirectKeepsOrDropsTheBodyByStatus) {
    struct Case {
        int status;
        std::string method;
        std::string nextMethod;
        std::string nextBody;
    };
    const Case cases[] = {{307, "POST", "POST", "data"},
                          {308, "PUT", "PUT", "data"},
                          {303, "PUT", "GET", ""},
                          {302, "POST", "GET", ""},
                          {302, "DELETE", "DELETE", "data"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.status) + " " + c.method);
        RawHttpServer server([&c](const RecordedRequest& request) {
            if (request.target == "/from") {
                return RawReply::Http(c.status, "", {"Location: /to"});
            }
            return RawReply::Http(200, "arrived");
        });
        auto request = RequestTo(server, "/from");
        request.method = c.method;
        request.body = std::vector<std::uint8_t>{'d', 'a', 't', 'a'};
        request.headerLines = {"Content-Type: text/plain"};
        auto response = DefaultHttpTransport().Exchange(request);
        EXPECT_EQ(AsString(response.body), "arrived");
        const RecordedRequest next = server.LastRequest();
        EXPECT_EQ(next.target, "/to");
        EXPECT_EQ(next.method, c.nextMethod);
        EXPECT_EQ(next.body, c.nextBody);
        EXPECT_EQ(next.Header("Content-Type").has_value(), !c.nextBody.empty());
    }
}

TEST(CurlTransportTest, RedirectLimitIsASetting) {
    RawHttpServer server(
        [](const RecordedRequest&) { return RawReply::Http(302, "again", {"Location: /loop"}); });
    HttpTransportSettings settings;
    settings.maxRedirects = 2;
    auto transport = CreateHttpTransport(settings);
    auto response = transport->Exchange(RequestTo(server, "/loop"));
    EXPECT_EQ(response.status, 302);
    EXPECT_EQ(AsString(response.body), "again");
    EXPECT_EQ(server.Requests().size(), 3u);
}

TEST(CurlTransportTest, NoRedirectGivesTheRedirectAnswer) {
    RawHttpServer server(Fixed("HTTP/1.1 302 Found\r\nLocation: /x\r\nContent-Length: 1\r\n\r\nr"));
    auto request = RequestTo(server, "/");
    request.followRedirects = false;
    auto response = DefaultHttpTransport().Exchange(request);
    EXPECT_EQ(response.status, 302);
    EXPECT_EQ(AsString(response.body), "r");
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST(CurlTransportTest, CookieStoreIsProcessWideAndClearable) {
    ClearCookieStore();
    RawHttpServer server([](const RecordedRequest& request) {
        if (request.target == "/set") {
            return RawReply::Http(200, "", {"Set-Cookie: s=1; path=/"});
        }
        return RawReply::Http(200, request.Header("Cookie").value_or("none"));
    });
    auto withStore = [&](std::string target) {
        auto request = RequestTo(server, std::move(target));
        request.useCookieStore = true;
        return request;
    };
    DefaultHttpTransport().Exchange(withStore("/set"));
    // Another transport sees the same store.
    auto other = CreateHttpTransport({});
    EXPECT_EQ(AsString(other->Exchange(withStore("/get")).body), "s=1");
    EXPECT_EQ(AsString(DefaultHttpTransport().Exchange(RequestTo(server, "/get")).body), "none");
    ClearCookieStore();
    EXPECT_EQ(AsString(DefaultHttpTransport().Exchange(withStore("/get")).body), "none");
}

TEST(CurlTransportTest, CancelBeforeTheStartSendsNothing) {
    RawHttpServer server(Fixed("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"));
    CancelAllTransfers();
    auto response = DefaultHttpTransport().Exchange(RequestTo(server, "/"));
    ResumeTransfers();
    EXPECT_TRUE(response.started);
    EXPECT_FALSE(response.received);
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_TRUE(DefaultHttpTransport().Exchange(RequestTo(server, "/")).received);
}

} // namespace
} // namespace vexmora::platform
