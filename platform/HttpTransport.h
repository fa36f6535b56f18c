#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// One HTTP/1.1 exchange on the wire. The caller decides every byte of the request that matters
// (verb, request target, header lines, body); the transport adds only the Host and User-Agent
// headers and the body's Content-Length, connects (directly or through a proxy), speaks TLS
// without checking certificates, follows redirects and hands back the final response.
namespace vexmora::platform {

struct HttpTransportRequest {
    std::string method = "GET";
    bool secure = false;      // https
    std::string host;         // host name or IPv4 address, as put in the Host header
    int port = 0;             // 0 or the scheme's default: no port in the Host header
    std::string target = "/"; // request target, sent as given (bytes below 0x21 are %-escaped)
    std::vector<std::string> headerLines;          // "Name: value", in the order they are sent
    std::string userAgent;                         // used when headerLines has no User-Agent line
    std::optional<std::vector<std::uint8_t>> body; // none: no body and no Content-Length
    // "host:port" of an HTTP proxy; empty for a direct connection. The environment's proxy
    // variables are never used.
    std::string proxy;
    bool proxyForHttpOnly = false; // the proxy carries plain http only; https goes direct
    bool followRedirects = true;
    // True: the process-wide in-memory cookie store adds its cookies and keeps the ones the
    // response sets. False: the store is neither read nor written.
    bool useCookieStore = true;
};

struct HttpTransportResponse {
    bool started = false;  // false: the transfer could not even be set up (nothing was sent)
    bool received = false; // a status line arrived
    int status = 0;
    // The final response's status line and header lines, each ended by CR LF, and one more
    // CR LF at the end; empty when nothing was received.
    std::string rawHeaders;
    std::vector<std::uint8_t> body; // as received so far when the transfer broke off
    bool complete = false;          // the body arrived in full
    bool oversize = false;          // abandoned at the body limit; `body` is then empty
};

struct HttpTransportSettings {
    // Milliseconds. (<chrono> cannot be included by the core: it does not build with GBK
    // string literals.)
    long connectTimeoutMs = 30'000;
    long idleTimeoutMs = 60'000;   // nothing sent or received for so long
    long totalTimeoutMs = 600'000; // the whole exchange, redirects included
    std::size_t maxBodyBytes = 64u << 20;
    std::size_t maxHeaderBytes = 1u << 20;
    int maxRedirects = 10;
    bool reuseConnections = true; // keep connections open between exchanges
};

class HttpTransport {
public:
    virtual ~HttpTransport() = default;
    // Blocks until the exchange is over. Safe to call from several threads at once.
    virtual HttpTransportResponse Exchange(const HttpTransportRequest& request) = 0;
};

// The process-wide transport with the default settings.
HttpTransport& DefaultHttpTransport();

// A transport of its own, with its own connections (the cookie store stays process-wide).
std::unique_ptr<HttpTransport> CreateHttpTransport(const HttpTransportSettings& settings);

// Ends every exchange in flight within a fraction of a second, and every later one at once,
// until ResumeTransfers(). For quitting the program.
void CancelAllTransfers();
void ResumeTransfers();

// Forgets every cookie of the process-wide store.
void ClearCookieStore();

} // namespace vexmora::platform
