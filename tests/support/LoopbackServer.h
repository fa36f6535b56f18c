#pragma once

#include <atomic>
// (<chrono> itself does not build with GBK literals; <condition_variable> brings the clocks.)
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

// Test servers on 127.0.0.1, started and stopped by the tests themselves:
// - RawHttpServer: a small HTTP/1.1 server of our own, plain or TLS, that records every
//   request byte for byte and answers with exactly the bytes a handler gives, or misbehaves on
//   purpose (stalls, closes mid-body, streams without end);
// - HttplibServer: cpp-httplib's server, plain or TLS, for tests that want routes and ready-made
//   answers;
// - LoopbackProxy: a forward proxy that takes absolute-form requests and CONNECT tunnels, to
//   loopback targets only, and records what reached it.
// Every port is picked by the system. The TLS servers use a self-signed certificate made when
// the first one starts.

typedef struct x509_st X509;
typedef struct evp_pkey_st EVP_PKEY;

namespace httplib {
class Server;
}

namespace vexmora::test {

namespace detail {
// One thread per connection; the finished ones are joined whenever a new one starts, so that a
// server taking thousands of connections (a benchmark) does not pile them up.
class ConnectionThreads {
public:
    ConnectionThreads() = default;
    ConnectionThreads(const ConnectionThreads&) = delete;
    ConnectionThreads& operator=(const ConnectionThreads&) = delete;
    ~ConnectionThreads() { JoinAll(); }

    void Start(std::function<void()> work);
    void JoinAll();

private:
    struct Entry {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::mutex mutex_;
    std::vector<Entry> entries_;
};
} // namespace detail

// A self-signed certificate for 127.0.0.1 and localhost, made once per process.
class TestCertificate {
public:
    static const TestCertificate& Get();
    X509* certificate() const { return certificate_; }
    EVP_PKEY* key() const { return key_; }
    const std::string& certificatePem() const { return certificatePem_; }
    const std::string& keyPem() const { return keyPem_; }

private:
    TestCertificate();
    X509* certificate_ = nullptr;
    EVP_PKEY* key_ = nullptr;
    std::string certificatePem_;
    std::string keyPem_;
};

// One request as it arrived.
struct RecordedRequest {
    std::string raw; // every byte: request line, header lines, empty line, body
    std::string method;
    std::string target;
    std::string version;
    std::vector<std::pair<std::string, std::string>> headers; // in order, as written
    std::string body;
    int connection = 0; // 1 for the first connection the server accepted, 2 for the next...

    // The request line and the header lines, without the final empty line and the body.
    std::string Head() const;
    // The value of the first header of that name (ignoring ASCII case).
    std::optional<std::string> Header(std::string_view name) const;
    // How many header lines have that name (ignoring ASCII case).
    int HeaderCount(std::string_view name) const;
};

// What the server does after a request.
struct RawReply {
    enum class After {
        KeepAlive, // send the bytes, then read the next request on the same connection
        Close,     // send the bytes, then close the connection
        Stall,     // send the bytes, then neither send nor close until the server stops
        Endless,   // send the bytes, then keep sending filler until the peer goes away
        Trickle,   // send the bytes, then one filler byte every 50 ms until the peer goes away
    };
    std::string bytes;
    After after = After::KeepAlive;

    // A complete answer with Content-Length; `headerLines` are "Name: value" lines.
    static RawReply Http(int status, std::string_view body,
                         const std::vector<std::string>& headerLines = {},
                         After after = After::KeepAlive);
};

class RawHttpServer {
public:
    using Handler = std::function<RawReply(const RecordedRequest&)>;

    // `port` 0 lets the system pick one; a fixed port throws std::runtime_error when taken.
    explicit RawHttpServer(Handler handler, bool tls = false, int port = 0);
    ~RawHttpServer();
    RawHttpServer(const RawHttpServer&) = delete;
    RawHttpServer& operator=(const RawHttpServer&) = delete;

    int port() const { return port_; }
    bool tls() const { return tls_; }
    // "http://127.0.0.1:PORT" or "https://127.0.0.1:PORT".
    std::string Origin() const;

    std::vector<RecordedRequest> Requests() const;
    // The last request; an empty one when none came.
    RecordedRequest LastRequest() const;
    int ConnectionCount() const;
    // Waits until at least `count` requests have arrived; false on time-out.
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;

    void Stop();

private:
    struct Connection;
    void AcceptLoop();
    void Serve(int fd, int number);
    std::optional<RecordedRequest> ReadRequest(Connection& connection, std::string& buffer);

    Handler handler_;
    bool tls_;
    void* sslContext_ = nullptr; // SSL_CTX
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptThread_;
    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    std::vector<RecordedRequest> requests_;
    detail::ConnectionThreads workers_;
    int connections_ = 0;
};

// cpp-httplib's server on 127.0.0.1; register routes on server() before Start().
class HttplibServer {
public:
    explicit HttplibServer(bool tls = false);
    ~HttplibServer();
    HttplibServer(const HttplibServer&) = delete;
    HttplibServer& operator=(const HttplibServer&) = delete;

    httplib::Server& server() { return *server_; }
    // Binds a free port and serves on a thread of its own; true once it accepts connections.
    bool Start();
    void Stop();

    int port() const { return port_; }
    std::string Origin() const;

private:
    std::unique_ptr<httplib::Server> server_;
    bool tls_;
    int port_ = 0;
    std::thread thread_;
};

// A forward proxy on 127.0.0.1 that reaches loopback targets only (anything else gets 403).
class LoopbackProxy {
public:
    LoopbackProxy();
    ~LoopbackProxy();
    LoopbackProxy(const LoopbackProxy&) = delete;
    LoopbackProxy& operator=(const LoopbackProxy&) = delete;

    int port() const { return port_; }
    // "127.0.0.1:PORT", the form a caller names a proxy in.
    std::string Address() const;
    // The requests that reached the proxy itself: absolute-form requests and CONNECTs.
    std::vector<RecordedRequest> Requests() const;

    void Stop();

private:
    void AcceptLoop();
    void Serve(int fd, int number);

    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptThread_;
    mutable std::mutex mutex_;
    std::vector<RecordedRequest> requests_;
    detail::ConnectionThreads workers_;
    int connections_ = 0;
};

} // namespace vexmora::test
