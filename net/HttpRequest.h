#pragma once

#include <optional>
#include <string_view>

#include "net/Text.h"

namespace vexmora {

namespace platform {
class HttpTransport;
}

// The request verbs by index; an index outside 0..7 means GET.
Text HttpMethod(int method);

// Everything of one exchange besides the URL. Fields marked "out" are written only when the
// exchange could be started; "in/out" fields are rewritten as described.
struct HttpRequestOptions {
    int method = 0; // index into HttpMethod: 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE...
    Text bodyText;  // the body, when `bodyBytes` is empty
    // in/out. Absent: the process-wide cookie store adds and keeps cookies. Present (even
    // empty): only this text travels, nothing is stored, and after the exchange it holds the
    // merge of itself with the received cookies (when `mergeCookies`).
    std::optional<Text> sendCookies;
    Text receivedCookies; // out: the cookies the response set, or the merged text
    // in/out: extra header lines separated by CR LF, without a trailing CR LF; afterwards the
    // header block exactly as sent.
    Text extraHeaders;
    // out: the final response's status line and header lines, each ended by CR LF, and one
    // more CR LF; 5000 spaces when nothing arrived or the block is 5000 bytes or longer.
    Text responseHeaders;
    bool noRedirect = false; // return a redirect answer itself
    Bytes bodyBytes;         // in/out: the body; filled from `bodyText` for every verb but GET
    Text proxy;              // "host:port" of an HTTP proxy; empty: a direct connection
    bool mergeCookies = true;
    bool completeHeaders = true;      // add the default lines the block lacks
    bool normalizeHeaderNames = true; // capitalise every header name
    // The wire; the process-wide default transport when null.
    platform::HttpTransport* transport = nullptr;
};

// One complete HTTP or HTTPS exchange. Returns the response body as received, whatever the
// status; empty when nothing was received, when the body exceeds the transport's limit, or
// when the exchange could not be started. Callable from any thread; blocks until done.
Bytes HttpRequest(std::string_view url, HttpRequestOptions& options);

// A GET with every option at its default.
Bytes HttpRequest(std::string_view url);

} // namespace vexmora
