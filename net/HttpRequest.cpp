#include "net/HttpRequest.h"

#include <array>

#include "net/Cookies.h"
#include "net/RequestHeaders.h"
#include "net/TextHelpers.h"
#include "net/Url.h"
#include "platform/HttpTransport.h"

namespace vexmora {
namespace {

constexpr std::array<std::string_view, 8> kMethods = {"GET",     "POST",   "HEAD",  "PUT",
                                                      "OPTIONS", "DELETE", "TRACE", "CONNECT"};

// The raw header query of the original stack had room for 4999 bytes and a terminator.
constexpr int kResponseHeaderCapacity = 5000;

int ClampMethod(int method) {
    return method < 0 || method > 7 ? 0 : method;
}

} // namespace

Text HttpMethod(int method) {
    return Text(kMethods[ClampMethod(method)]);
}

Bytes HttpRequest(std::string_view url, HttpRequestOptions& options) {
    const int method = ClampMethod(options.method);
    const Text verb = HttpMethod(method);
    const bool secure = ToLowerAscii(TextLeft(url, 8)) == "https://";
    const Text agent = AgentFromHeaders(options.extraHeaders);

    platform::HttpTransportRequest request;
    request.method = verb;
    request.secure = secure;
    request.host = UrlHost(url);
    request.port = UrlPort(url);
    request.target = UrlPath(url);
    request.userAgent = agent;
    request.proxy = options.proxy;
    // A proxy named for a plain-http request carries plain http only.
    request.proxyForHttpOnly = !secure;
    request.followRedirects = !options.noRedirect;
    request.useCookieStore = !options.sendCookies.has_value();

    Text headers = options.extraHeaders;
    if (options.completeHeaders) {
        headers = CompleteRequestHeaders(headers, url, method);
    }
    if (options.normalizeHeaderNames) {
        headers = NormalizeHeaderNames(headers);
    }
    if (options.sendCookies && !options.sendCookies->empty()) {
        const Text& cookies = *options.sendCookies;
        headers += FindText(cookies, "Cookie:") > 0 ? "\r\n" + cookies : "\r\nCookie: " + cookies;
    }
    for (Text& line : SplitText(headers, "\r\n")) {
        if (!line.empty()) {
            request.headerLines.push_back(std::move(line));
        }
    }

    Bytes bodyBytes = options.bodyBytes;
    if (method != 0) {
        if (bodyBytes.empty()) {
            bodyBytes = BytesFromText(options.bodyText);
        }
        request.body = bodyBytes;
    }

    platform::HttpTransport& transport =
        options.transport != nullptr ? *options.transport : platform::DefaultHttpTransport();
    platform::HttpTransportResponse response = transport.Exchange(request);
    if (!response.started) {
        return {};
    }
    options.extraHeaders = std::move(headers);
    options.bodyBytes = std::move(bodyBytes);

    Text rawHeaders = response.received ? BytesToText(BytesFromText(response.rawHeaders)) : Text();
    if (!response.received || static_cast<int>(rawHeaders.size()) >= kResponseHeaderCapacity) {
        rawHeaders = BlankText(kResponseHeaderCapacity);
    }
    options.responseHeaders = std::move(rawHeaders);

    options.receivedCookies = CollectSetCookies(options.responseHeaders);
    if (options.mergeCookies && options.sendCookies) {
        Text received = options.receivedCookies;
        options.receivedCookies = MergeCookies(*options.sendCookies, received);
    }
    return std::move(response.body);
}

Bytes HttpRequest(std::string_view url) {
    HttpRequestOptions options;
    return HttpRequest(url, options);
}

} // namespace vexmora
