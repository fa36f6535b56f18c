#include "tests/support/LoopbackServer.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace vexmora::test {
namespace {

constexpr int kWaitMilliseconds = 50;
constexpr std::size_t kMaxRequestBytes = 16u << 20;

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::string Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

void IgnoreBrokenPipes() {
    static const bool done = [] {
        std::signal(SIGPIPE, SIG_IGN);
        return true;
    }();
    (void)done;
}

void SetTimeouts(int fd) {
    timeval tv{0, kWaitMilliseconds * 1000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

// A listening socket on 127.0.0.1 with a port the system picks.
int ListenOnLoopback(int& port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        throw std::runtime_error("socket failed");
    }
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, 64) != 0) {
        close(fd);
        throw std::runtime_error("bind/listen on 127.0.0.1 failed");
    }
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

// Waits up to one poll period for a connection; -1 when none came.
int AcceptOne(int listenFd) {
    pollfd entry{listenFd, POLLIN, 0};
    if (poll(&entry, 1, kWaitMilliseconds) <= 0) {
        return -1;
    }
    return accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
}

int ConnectToLoopback(int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool IsLoopbackHost(std::string_view host) {
    return host == "127.0.0.1" || host == "localhost" || host == "[::1]";
}

// Splits "host:port"; false when the port is missing.
bool SplitHostPort(std::string_view text, std::string& host, int& port) {
    auto colon = text.rfind(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    host = std::string(text.substr(0, colon));
    port = std::atoi(std::string(text.substr(colon + 1)).c_str());
    return port > 0;
}

// Parses the head of a request (everything before the empty line).
RecordedRequest ParseHead(std::string_view head) {
    RecordedRequest request;
    std::size_t lineEnd = head.find("\r\n");
    std::string_view requestLine = head.substr(0, lineEnd);
    auto firstSpace = requestLine.find(' ');
    auto lastSpace = requestLine.rfind(' ');
    if (firstSpace != std::string_view::npos && lastSpace > firstSpace) {
        request.method = std::string(requestLine.substr(0, firstSpace));
        request.target =
            std::string(requestLine.substr(firstSpace + 1, lastSpace - firstSpace - 1));
        request.version = std::string(requestLine.substr(lastSpace + 1));
    }
    while (lineEnd != std::string_view::npos) {
        std::size_t begin = lineEnd + 2;
        lineEnd = head.find("\r\n", begin);
        std::string_view line = head.substr(
            begin, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - begin);
        auto colon = line.find(':');
        if (colon != std::string_view::npos) {
            request.headers.emplace_back(std::string(line.substr(0, colon)),
                                         Trim(line.substr(colon + 1)));
        }
    }
    return request;
}

std::string ReasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

// Shuttles bytes between two sockets until either side closes or `stopping` is set.
void Relay(int a, int b, const std::atomic<bool>& stopping) {
    char buffer[16384];
    while (!stopping.load()) {
        pollfd entries[2] = {{a, POLLIN, 0}, {b, POLLIN, 0}};
        int ready = poll(entries, 2, kWaitMilliseconds);
        if (ready < 0) {
            return;
        }
        for (int i = 0; i < 2; ++i) {
            if (entries[i].revents & (POLLIN | POLLHUP | POLLERR)) {
                ssize_t n = recv(entries[i].fd, buffer, sizeof buffer, 0);
                if (n <= 0) {
                    return;
                }
                int to = i == 0 ? b : a;
                for (ssize_t sent = 0; sent < n;) {
                    ssize_t m = send(to, buffer + sent, n - sent, MSG_NOSIGNAL);
                    if (m <= 0) {
                        if (m < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) &&
                            !stopping.load()) {
                            continue;
                        }
                        return;
                    }
                    sent += m;
                }
            }
        }
    }
}

} // namespace

// ---------------------------------------------------------------- connection threads

void detail::ConnectionThreads::Start(std::function<void()> work) {
    std::lock_guard lock(mutex_);
    std::erase_if(entries_, [](Entry& entry) {
        if (!entry.done->load()) {
            return false;
        }
        entry.thread.join();
        return true;
    });
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([work = std::move(work), done] {
        work();
        done->store(true);
    });
    entries_.push_back(Entry{std::move(thread), std::move(done)});
}

void detail::ConnectionThreads::JoinAll() {
    std::vector<Entry> entries;
    {
        std::lock_guard lock(mutex_);
        entries.swap(entries_);
    }
    for (Entry& entry : entries) {
        entry.thread.join();
    }
}

// ---------------------------------------------------------------- certificate

const TestCertificate& TestCertificate::Get() {
    static const TestCertificate* certificate = new TestCertificate();
    return *certificate;
}

TestCertificate::TestCertificate() {
    key_ = EVP_EC_gen("P-256");
    certificate_ = X509_new();
    if (key_ == nullptr || certificate_ == nullptr) {
        throw std::runtime_error("cannot make a test key");
    }
    X509_set_version(certificate_, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate_), 1);
    X509_gmtime_adj(X509_getm_notBefore(certificate_), -3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate_), 7L * 24 * 3600);
    X509_set_pubkey(certificate_, key_);
    X509_NAME* name = X509_get_subject_name(certificate_);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(certificate_, name);
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate_, certificate_, nullptr, nullptr, 0);
    if (X509_EXTENSION* san = X509V3_EXT_conf_nid(nullptr, &context, NID_subject_alt_name,
                                                  "IP:127.0.0.1,DNS:localhost")) {
        X509_add_ext(certificate_, san, -1);
        X509_EXTENSION_free(san);
    }
    if (X509_sign(certificate_, key_, EVP_sha256()) == 0) {
        throw std::runtime_error("cannot sign the test certificate");
    }
    auto toPem = [](auto write) {
        BIO* bio = BIO_new(BIO_s_mem());
        write(bio);
        char* data = nullptr;
        long length = BIO_get_mem_data(bio, &data);
        std::string pem(data, static_cast<std::size_t>(length));
        BIO_free(bio);
        return pem;
    };
    certificatePem_ = toPem([this](BIO* bio) { PEM_write_bio_X509(bio, certificate_); });
    keyPem_ = toPem([this](BIO* bio) {
        PEM_write_bio_PrivateKey(bio, key_, nullptr, nullptr, 0, nullptr, nullptr);
    });
}

// ---------------------------------------------------------------- recorded request

std::string RecordedRequest::Head() const {
    auto end = raw.find("\r\n\r\n");
    return end == std::string::npos ? raw : raw.substr(0, end);
}

std::optional<std::string> RecordedRequest::Header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (EqualsIgnoringCase(key, name)) {
            return value;
        }
    }
    return std::nullopt;
}

int RecordedRequest::HeaderCount(std::string_view name) const {
    int count = 0;
    for (const auto& header : headers) {
        count += EqualsIgnoringCase(header.first, name) ? 1 : 0;
    }
    return count;
}

RawReply RawReply::Http(int status, std::string_view body,
                        const std::vector<std::string>& headerLines, After after) {
    RawReply reply;
    reply.after = after;
    reply.bytes = "HTTP/1.1 " + std::to_string(status) + " " + ReasonPhrase(status) + "\r\n";
    for (const std::string& line : headerLines) {
        reply.bytes += line + "\r\n";
    }
    reply.bytes += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    if (after == After::Close) {
        reply.bytes += "Connection: close\r\n";
    }
    reply.bytes += "\r\n";
    reply.bytes += body;
    return reply;
}

// ---------------------------------------------------------------- raw server

// One accepted connection, plain or TLS, with reads and writes that give up in short steps so
// that the server can stop at any time.
struct RawHttpServer::Connection {
    int fd = -1;
    SSL* ssl = nullptr;
    const std::atomic<bool>* stopping = nullptr;

    ~Connection() {
        if (ssl != nullptr) {
            SSL_free(ssl);
        }
        if (fd >= 0) {
            close(fd);
        }
    }

    bool Handshake() {
        if (ssl == nullptr) {
            return true;
        }
        while (!stopping->load()) {
            int result = SSL_accept(ssl);
            if (result == 1) {
                return true;
            }
            int error = SSL_get_error(ssl, result);
            if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) {
                return false;
            }
        }
        return false;
    }

    // >0 bytes read, 0 the peer closed or failed, -1 nothing yet.
    int Read(char* buffer, int size) {
        if (ssl != nullptr) {
            int n = SSL_read(ssl, buffer, size);
            if (n > 0) {
                return n;
            }
            int error = SSL_get_error(ssl, n);
            return error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE ? -1 : 0;
        }
        ssize_t n = recv(fd, buffer, size, 0);
        if (n > 0) {
            return static_cast<int>(n);
        }
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) ? -1 : 0;
    }

    bool WriteAll(std::string_view bytes) {
        while (!bytes.empty()) {
            if (stopping->load()) {
                return false;
            }
            int n = 0;
            if (ssl != nullptr) {
                n = SSL_write(ssl, bytes.data(), static_cast<int>(bytes.size()));
                if (n <= 0) {
                    int error = SSL_get_error(ssl, n);
                    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
                        continue;
                    }
                    return false;
                }
            } else {
                ssize_t m = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
                if (m < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
                    continue;
                }
                if (m <= 0) {
                    return false;
                }
                n = static_cast<int>(m);
            }
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }
};

RawHttpServer::RawHttpServer(Handler handler, bool tls, int port)
    : handler_(std::move(handler)), tls_(tls), port_(port) {
    IgnoreBrokenPipes();
    if (tls_) {
        const TestCertificate& certificate = TestCertificate::Get();
        SSL_CTX* context = SSL_CTX_new(TLS_server_method());
        if (context == nullptr ||
            SSL_CTX_use_certificate(context, certificate.certificate()) != 1 ||
            SSL_CTX_use_PrivateKey(context, certificate.key()) != 1) {
            throw std::runtime_error("cannot set up the TLS server");
        }
        // Partial writes let a blocked write give up and look at the stop flag.
        SSL_CTX_set_mode(context, SSL_MODE_ENABLE_PARTIAL_WRITE);
        sslContext_ = context;
    }
    listenFd_ = ListenOnLoopback(port_);
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

RawHttpServer::~RawHttpServer() {
    Stop();
    if (sslContext_ != nullptr) {
        SSL_CTX_free(static_cast<SSL_CTX*>(sslContext_));
    }
}

void RawHttpServer::Stop() {
    stopping_.store(true);
    if (acceptThread_.joinable()) {
        acceptThread_.join();
    }
    workers_.JoinAll();
    if (listenFd_ >= 0) {
        close(listenFd_);
        listenFd_ = -1;
    }
}

std::string RawHttpServer::Origin() const {
    return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_);
}

std::vector<RecordedRequest> RawHttpServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

RecordedRequest RawHttpServer::LastRequest() const {
    std::lock_guard lock(mutex_);
    return requests_.empty() ? RecordedRequest{} : requests_.back();
}

int RawHttpServer::ConnectionCount() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

bool RawHttpServer::WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

void RawHttpServer::AcceptLoop() {
    while (!stopping_.load()) {
        int fd = AcceptOne(listenFd_);
        if (fd < 0) {
            continue;
        }
        int number = 0;
        {
            std::lock_guard lock(mutex_);
            number = ++connections_;
        }
        workers_.Start([this, fd, number] { Serve(fd, number); });
    }
}

std::optional<RecordedRequest> RawHttpServer::ReadRequest(Connection& connection,
                                                          std::string& buffer) {
    char chunk[16384];
    std::size_t headEnd;
    while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
        if (stopping_.load() || buffer.size() > kMaxRequestBytes) {
            return std::nullopt;
        }
        int n = connection.Read(chunk, sizeof chunk);
        if (n == 0) {
            return std::nullopt;
        }
        if (n > 0) {
            buffer.append(chunk, static_cast<std::size_t>(n));
        }
    }
    RecordedRequest request = ParseHead(std::string_view(buffer).substr(0, headEnd));
    std::size_t bodyLength = 0;
    if (auto length = request.Header("Content-Length")) {
        bodyLength = std::strtoul(length->c_str(), nullptr, 10);
    }
    const std::size_t total = headEnd + 4 + bodyLength;
    if (total > kMaxRequestBytes) {
        return std::nullopt;
    }
    while (buffer.size() < total) {
        if (stopping_.load()) {
            return std::nullopt;
        }
        int n = connection.Read(chunk, sizeof chunk);
        if (n == 0) {
            return std::nullopt;
        }
        if (n > 0) {
            buffer.append(chunk, static_cast<std::size_t>(n));
        }
    }
    request.raw = buffer.substr(0, total);
    request.body = request.raw.substr(headEnd + 4);
    buffer.erase(0, total);
    return request;
}

void RawHttpServer::Serve(int fd, int number) {
    Connection connection;
    connection.fd = fd;
    connection.stopping = &stopping_;
    SetTimeouts(fd);
    if (tls_) {
        connection.ssl = SSL_new(static_cast<SSL_CTX*>(sslContext_));
        if (connection.ssl == nullptr || SSL_set_fd(connection.ssl, fd) != 1 ||
            !connection.Handshake()) {
            return;
        }
    }
    std::string buffer;
    while (!stopping_.load()) {
        std::optional<RecordedRequest> request = ReadRequest(connection, buffer);
        if (!request) {
            return;
        }
        request->connection = number;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(*request);
        }
        arrived_.notify_all();
        RawReply reply = handler_(*request);
        if (!connection.WriteAll(reply.bytes)) {
            return;
        }
        switch (reply.after) {
        case RawReply::After::KeepAlive:
            break;
        case RawReply::After::Close:
            if (connection.ssl != nullptr) {
                SSL_shutdown(connection.ssl);
            }
            return;
        case RawReply::After::Stall:
            while (!stopping_.load()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(kWaitMilliseconds));
            }
            return;
        case RawReply::After::Trickle:
            while (connection.WriteAll("x")) {
                std::this_thread::sleep_for(std::chrono::milliseconds(kWaitMilliseconds));
            }
            return;
        case RawReply::After::Endless: {
            const std::string filler(64 * 1024, 'x');
            while (connection.WriteAll(filler)) {
            }
            return;
        }
        }
    }
}

// ---------------------------------------------------------------- cpp-httplib server

HttplibServer::HttplibServer(bool tls) : tls_(tls) {
    IgnoreBrokenPipes();
    if (tls_) {
        const TestCertificate& certificate = TestCertificate::Get();
        server_ =
            std::make_unique<httplib::SSLServer>(certificate.certificate(), certificate.key());
    } else {
        server_ = std::make_unique<httplib::Server>();
    }
}

HttplibServer::~HttplibServer() {
    Stop();
}

bool HttplibServer::Start() {
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) {
        return false;
    }
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // cpp-httplib 0.11 has no wait_until_ready(): wait until a connection is taken.
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (server_->is_running()) {
            int fd = ConnectToLoopback(port_);
            if (fd >= 0) {
                close(fd);
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void HttplibServer::Stop() {
    if (thread_.joinable()) {
        server_->stop();
        thread_.join();
    }
}

std::string HttplibServer::Origin() const {
    return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_);
}

// ---------------------------------------------------------------- proxy

LoopbackProxy::LoopbackProxy() {
    IgnoreBrokenPipes();
    listenFd_ = ListenOnLoopback(port_);
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

LoopbackProxy::~LoopbackProxy() {
    Stop();
}

void LoopbackProxy::Stop() {
    stopping_.store(true);
    if (acceptThread_.joinable()) {
        acceptThread_.join();
    }
    workers_.JoinAll();
    if (listenFd_ >= 0) {
        close(listenFd_);
        listenFd_ = -1;
    }
}

std::string LoopbackProxy::Address() const {
    return "127.0.0.1:" + std::to_string(port_);
}

std::vector<RecordedRequest> LoopbackProxy::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void LoopbackProxy::AcceptLoop() {
    while (!stopping_.load()) {
        int fd = AcceptOne(listenFd_);
        if (fd < 0) {
            continue;
        }
        int number = 0;
        {
            std::lock_guard lock(mutex_);
            number = ++connections_;
        }
        workers_.Start([this, fd, number] { Serve(fd, number); });
    }
}

void LoopbackProxy::Serve(int clientFd, int number) {
    struct Closer {
        int fd;
        ~Closer() {
            if (fd >= 0) {
                close(fd);
            }
        }
    } client{clientFd}, origin{-1};
    SetTimeouts(clientFd);

    std::string buffer;
    char chunk[16384];
    std::size_t headEnd;
    while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
        if (stopping_.load() || buffer.size() > kMaxRequestBytes) {
            return;
        }
        ssize_t n = recv(clientFd, chunk, sizeof chunk, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            return;
        }
        if (n > 0) {
            buffer.append(chunk, static_cast<std::size_t>(n));
        }
    }
    RecordedRequest request = ParseHead(std::string_view(buffer).substr(0, headEnd));
    request.raw = buffer.substr(0, headEnd + 4);
    request.connection = number;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }
    auto refuse = [&] {
        const char* answer =
            "HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        send(clientFd, answer, std::strlen(answer), MSG_NOSIGNAL);
    };

    std::string host;
    int port = 0;
    if (request.method == "CONNECT") {
        if (!SplitHostPort(request.target, host, port) || !IsLoopbackHost(host)) {
            refuse();
            return;
        }
        origin.fd = ConnectToLoopback(port);
        if (origin.fd < 0) {
            const char* answer = "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n";
            send(clientFd, answer, std::strlen(answer), MSG_NOSIGNAL);
            return;
        }
        const char* answer = "HTTP/1.1 200 Connection established\r\n\r\n";
        send(clientFd, answer, std::strlen(answer), MSG_NOSIGNAL);
        buffer.erase(0, headEnd + 4);
        if (!buffer.empty()) {
            send(origin.fd, buffer.data(), buffer.size(), MSG_NOSIGNAL);
        }
        Relay(clientFd, origin.fd, stopping_);
        return;
    }

    // Absolute form: "http://host:port/path".
    const std::string_view scheme = "http://";
    if (request.target.compare(0, scheme.size(), scheme) != 0) {
        refuse();
        return;
    }
    std::string_view rest = std::string_view(request.target).substr(scheme.size());
    auto slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    std::string path = slash == std::string_view::npos ? "/" : std::string(rest.substr(slash));
    if (!SplitHostPort(authority, host, port)) {
        host = std::string(authority);
        port = 80;
    }
    if (!IsLoopbackHost(host)) {
        refuse();
        return;
    }
    origin.fd = ConnectToLoopback(port);
    if (origin.fd < 0) {
        const char* answer = "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n";
        send(clientFd, answer, std::strlen(answer), MSG_NOSIGNAL);
        return;
    }
    // Forward in origin form; the rest of the head and anything after it go unchanged.
    std::string forward = request.method + " " + path + " " + request.version;
    forward += buffer.substr(buffer.find("\r\n"));
    send(origin.fd, forward.data(), forward.size(), MSG_NOSIGNAL);
    Relay(clientFd, origin.fd, stopping_);
}

} // namespace vexmora::test
