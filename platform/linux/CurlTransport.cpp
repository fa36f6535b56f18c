// HttpTransport over libcurl. Each exchange runs on a curl easy handle driven by a multi handle
// of its own, so that the loop can notice a cancel, an idle connection or the body limit
// between two waits of at most 100 ms. Handles are pooled: the connection cache lives in the
// multi handle, so a handle taken again from the pool reuses the connections it left open.
// Redirects are followed here rather than by curl, because the first request target is sent
// byte for byte as the caller cut it, which curl's URL parser would not allow.

#include "platform/HttpTransport.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>

namespace vexmora::platform {
namespace {

using Clock = std::chrono::steady_clock;

std::atomic<bool> g_cancelled{false};

void InitCurlOnce() {
    // A function-local static is initialised exactly once even when threads race to it.
    static const bool initialised = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return true;
    }();
    (void)initialised;
}

// A curl share handle with one mutex for each kind of data it guards.
class CurlShare {
public:
    explicit CurlShare(bool withCookies) {
        share_ = curl_share_init();
        if (share_ == nullptr) {
            return;
        }
        curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &CurlShare::Lock);
        curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &CurlShare::Unlock);
        curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
        curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
        if (withCookies) {
            curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        }
    }
    CurlShare(const CurlShare&) = delete;
    CurlShare& operator=(const CurlShare&) = delete;
    // Shares live for the whole process: easy handles in other threads may still use them
    // while static objects are destroyed, so they are never cleaned up.

    CURLSH* get() const { return share_; }

private:
    static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
        static_cast<CurlShare*>(self)->locks_[Index(data)].lock();
    }
    static void Unlock(CURL*, curl_lock_data data, void* self) {
        static_cast<CurlShare*>(self)->locks_[Index(data)].unlock();
    }
    static std::size_t Index(curl_lock_data data) {
        auto index = static_cast<std::size_t>(data);
        return index < kLocks ? index : 0;
    }

    static constexpr std::size_t kLocks = CURL_LOCK_DATA_LAST;
    CURLSH* share_ = nullptr;
    std::mutex locks_[kLocks];
};

// The process-wide cookie store, and a share for exchanges that must not touch it.
CurlShare& SharedState(bool withCookies) {
    static CurlShare* cookieShare = new CurlShare(true);
    static CurlShare* plainShare = new CurlShare(false);
    return withCookies ? *cookieShare : *plainShare;
}

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct CurlStringDeleter {
    void operator()(char* text) const { curl_free(text); }
};
using CurlString = std::unique_ptr<char, CurlStringDeleter>;

// An easy handle with the multi handle that drives it and keeps its connections.
struct Channel {
    std::unique_ptr<CURLM, MultiDeleter> multi;
    std::unique_ptr<CURL, EasyDeleter> easy;
    bool cookies = false;

    ~Channel() {
        if (multi && easy) {
            curl_multi_remove_handle(multi.get(), easy.get());
        }
        easy.reset(); // before the multi handle, which owns the connections
    }
};

// One request of a redirect chain.
struct Hop {
    std::string method;
    bool secure = false;
    std::string host;
    int port = 0;
    std::string target;
    std::vector<std::string> headerLines;
    std::optional<std::vector<std::uint8_t>> body;
};

// What the callbacks of one hop collect.
struct HopState {
    const HttpTransportSettings* settings = nullptr;
    HttpTransportResponse response;
    std::string block; // the response header block being read
    bool inBlock = false;
    bool blockDone = false;
    bool bodyStarted = false;
    std::size_t headerBytes = 0;
    bool headersTooLong = false;
    curl_off_t lastUploaded = 0;
    Clock::time_point lastActivity;
};

int DefaultPort(bool secure) {
    return secure ? 443 : 80;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

std::string_view HeaderName(std::string_view line) {
    auto colon = line.find(':');
    return colon == std::string_view::npos ? std::string_view{} : line.substr(0, colon);
}

std::string PercentEscape(std::string_view text, bool highBytesToo) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F || (highBytesToo && byte >= 0x80)) {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

// A host that would make curl read user name, password, path or query out of it is refused:
// the request must never carry credentials or go anywhere but the named host.
bool IsPlainHost(std::string_view host) {
    if (host.empty()) {
        return false;
    }
    for (char c : host) {
        auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F || std::strchr("@/?#\\", c) != nullptr) {
            return false;
        }
    }
    return true;
}

std::string Origin(const Hop& hop) {
    std::string origin = hop.secure ? "https://" : "http://";
    origin += hop.host;
    if (hop.port > 0 && hop.port != DefaultPort(hop.secure)) {
        origin += ':' + std::to_string(hop.port);
    }
    return origin;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* state = static_cast<HopState*>(user);
    const size_t n = size * count;
    state->lastActivity = Clock::now();
    state->bodyStarted = true;
    auto& body = state->response.body;
    if (body.size() + n > state->settings->maxBodyBytes) {
        state->response.oversize = true;
        std::vector<std::uint8_t>().swap(body);
        return 0; // abandons the transfer
    }
    body.insert(body.end(), data, data + n);
    return n;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* state = static_cast<HopState*>(user);
    const size_t n = size * count;
    state->lastActivity = Clock::now();
    state->headerBytes += n;
    if (state->headerBytes > state->settings->maxHeaderBytes) {
        state->headersTooLong = true;
        return 0;
    }
    if (state->bodyStarted) {
        return n; // trailers of a chunked body are not part of the header block
    }
    std::string_view line(data, n);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    if (line.substr(0, 5) == "HTTP/") {
        // A new status line: an interim 1xx answer before it is forgotten.
        state->block.assign(line);
        state->block += "\r\n";
        state->inBlock = true;
        state->blockDone = false;
    } else if (state->inBlock && !state->blockDone) {
        state->block.append(line);
        state->block += "\r\n";
        if (line.empty()) {
            state->blockDone = true;
        }
    }
    return n;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded) {
    auto* state = static_cast<HopState*>(user);
    if (uploaded != state->lastUploaded) {
        state->lastUploaded = uploaded;
        state->lastActivity = Clock::now();
    }
    return g_cancelled.load() ? 1 : 0;
}

class CurlTransport final : public HttpTransport {
public:
    explicit CurlTransport(const HttpTransportSettings& settings) : settings_(settings) {
        InitCurlOnce();
    }

    HttpTransportResponse Exchange(const HttpTransportRequest& request) override {
        HttpTransportResponse response;
        std::unique_ptr<Channel> channel = Acquire(request.useCookieStore);
        if (!channel) {
            return response;
        }
        response.started = true;
        const auto deadline = Clock::now() + std::chrono::milliseconds(settings_.totalTimeoutMs);

        Hop hop{request.method, request.secure,      request.host, request.port,
                request.target, request.headerLines, request.body};
        for (int redirects = 0;; ++redirects) {
            const bool viaProxy =
                !request.proxy.empty() && !(hop.secure && request.proxyForHttpOnly);
            response = RunHop(*channel, hop, viaProxy ? request.proxy : std::string(),
                              request.userAgent, deadline);
            response.started = true;
            if (!response.received || !response.complete || !request.followRedirects ||
                redirects >= settings_.maxRedirects || !NextHop(response, hop)) {
                break;
            }
        }
        Release(std::move(channel));
        return response;
    }

private:
    std::unique_ptr<Channel> Acquire(bool cookies) {
        {
            std::lock_guard lock(mutex_);
            auto& idle = idle_[cookies ? 1 : 0];
            if (!idle.empty()) {
                auto channel = std::move(idle.back());
                idle.pop_back();
                return channel;
            }
        }
        auto channel = std::make_unique<Channel>();
        channel->multi.reset(curl_multi_init());
        channel->easy.reset(curl_easy_init());
        channel->cookies = cookies;
        if (!channel->multi || !channel->easy) {
            return nullptr;
        }
        return channel;
    }

    void Release(std::unique_ptr<Channel> channel) {
        if (!settings_.reuseConnections) {
            return;
        }
        std::lock_guard lock(mutex_);
        auto& idle = idle_[channel->cookies ? 1 : 0];
        if (idle.size() < kMaxIdleChannels) {
            idle.push_back(std::move(channel));
        }
    }

    HttpTransportResponse RunHop(Channel& channel, const Hop& hop, const std::string& proxy,
                                 const std::string& userAgent, Clock::time_point deadline) {
        HopState state;
        state.settings = &settings_;
        if (!IsPlainHost(hop.host) || g_cancelled.load() || Clock::now() >= deadline) {
            return state.response;
        }
        CURL* easy = channel.easy.get();
        curl_easy_reset(easy);
        curl_easy_setopt(easy, CURLOPT_SHARE, SharedState(channel.cookies).get());
        if (channel.cookies) {
            curl_easy_setopt(easy, CURLOPT_COOKIEFILE, ""); // the in-memory store, no file
        }
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");

        // The request target is sent byte for byte; only a proxy needs the absolute form,
        // which curl builds from the URL itself.
        const std::string target = PercentEscape(hop.target.empty() ? "/" : hop.target, false);
        const bool absoluteForm = !proxy.empty() && !hop.secure;
        std::string url = Origin(hop);
        if (absoluteForm) {
            url += target;
        } else {
            url += '/';
            curl_easy_setopt(easy, CURLOPT_REQUEST_TARGET, target.c_str());
        }
        curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
        curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
        curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, (long)CURL_HTTP_VERSION_1_1);

        // "" switches off the environment's proxy variables.
        curl_easy_setopt(easy, CURLOPT_PROXY, proxy.c_str());
        curl_easy_setopt(easy, CURLOPT_PROXYTYPE, (long)CURLPROXY_HTTP);
        curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
        curl_easy_setopt(easy, CURLOPT_PROXY_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(easy, CURLOPT_PROXY_SSL_VERIFYHOST, 0L);
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L);
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(easy, CURLOPT_HTTP_CONTENT_DECODING, 0L);

        if (hop.method == "GET") {
            curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
        } else if (hop.method == "HEAD") {
            curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
        } else if (hop.body) {
            static const char empty[1] = {0};
            const char* data =
                hop.body->empty() ? empty : reinterpret_cast<const char*>(hop.body->data());
            curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, (curl_off_t)hop.body->size());
            curl_easy_setopt(easy, CURLOPT_POSTFIELDS, data);
        }
        if (hop.method != "GET" && hop.method != "HEAD" && hop.method != "POST") {
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, hop.method.c_str());
        }

        curl_slist* rawList = nullptr;
        auto append = [&rawList](const std::string& line) {
            if (curl_slist* grown = curl_slist_append(rawList, line.c_str())) {
                rawList = grown;
            }
        };
        for (const std::string& line : hop.headerLines) {
            // curl reads "Name:" as "remove this header"; "Name;" sends it with no value.
            auto colon = line.find(':');
            if (colon != std::string::npos &&
                line.find_first_not_of(' ', colon + 1) == std::string::npos) {
                append(line.substr(0, colon) + ';');
            } else {
                append(line);
            }
        }
        // Nothing of curl's own may join the caller's block.
        append("Accept:");
        append("Expect:");
        append("Content-Type:");
        std::unique_ptr<curl_slist, SlistDeleter> headers(rawList);
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(easy, CURLOPT_USERAGENT, userAgent.c_str());

        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &OnBody);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &state);
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &OnHeader);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, &state);
        curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &OnProgress);
        curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &state);

        const auto remaining =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, (long)std::max<long long>(1, remaining.count()));
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, settings_.connectTimeoutMs);
        curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, (curl_off_t)settings_.maxBodyBytes);
        if (!settings_.reuseConnections) {
            curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
            curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
        }

        CURLcode result = Drive(channel, state, deadline);
        if (result == CURLE_FILESIZE_EXCEEDED) {
            state.response.oversize = true;
            state.response.body.clear();
        }

        long status = 0;
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
        HttpTransportResponse& response = state.response;
        response.status = static_cast<int>(status);
        response.received = state.blockDone && !state.headersTooLong;
        if (response.received) {
            response.rawHeaders = std::move(state.block);
        }
        response.complete = result == CURLE_OK;
        // The options point into this function's buffers: drop them before they go.
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, nullptr);
        return std::move(state.response);
    }

    // Runs the transfer until it ends, is cancelled, idles too long or runs out of time.
    CURLcode Drive(Channel& channel, HopState& state, Clock::time_point deadline) {
        CURLM* multi = channel.multi.get();
        CURL* easy = channel.easy.get();
        if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
            return CURLE_FAILED_INIT;
        }
        state.lastActivity = Clock::now();
        CURLcode result = CURLE_OPERATION_TIMEDOUT;
        for (;;) {
            int running = 0;
            if (curl_multi_perform(multi, &running) != CURLM_OK) {
                result = CURLE_FAILED_INIT;
                break;
            }
            if (running == 0) {
                int left = 0;
                while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
                    if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
                        result = message->data.result;
                    }
                }
                break;
            }
            const auto now = Clock::now();
            if (g_cancelled.load()) {
                result = CURLE_ABORTED_BY_CALLBACK;
                break;
            }
            if (now - state.lastActivity >= std::chrono::milliseconds(settings_.idleTimeoutMs) ||
                now >= deadline) {
                result = CURLE_OPERATION_TIMEDOUT;
                break;
            }
            curl_multi_poll(multi, nullptr, 0, kPollMilliseconds, nullptr);
        }
        // Removing a transfer that has not finished closes its connection.
        curl_multi_remove_handle(multi, easy);
        return result;
    }

    // Turns a redirect answer into the next request; false when there is none to follow.
    static bool NextHop(const HttpTransportResponse& response, Hop& hop) {
        const int status = response.status;
        if (status != 301 && status != 302 && status != 303 && status != 307 && status != 308) {
            return false;
        }
        std::string location;
        std::string_view block = response.rawHeaders;
        for (std::size_t begin = 0; begin < block.size();) {
            std::size_t end = block.find("\r\n", begin);
            if (end == std::string_view::npos) {
                end = block.size();
            }
            std::string_view line = block.substr(begin, end - begin);
            if (EqualsIgnoringCase(HeaderName(line), "Location")) {
                std::string_view value = line.substr(line.find(':') + 1);
                while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
                    value.remove_prefix(1);
                }
                while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) {
                    value.remove_suffix(1);
                }
                location = value;
                break;
            }
            begin = end + 2;
        }
        if (location.empty()) {
            return false;
        }

        std::unique_ptr<CURLU, UrlDeleter> url(curl_url());
        if (!url) {
            return false;
        }
        const std::string base = Origin(hop) + PercentEscape(hop.target, true);
        const unsigned int flags = CURLU_URLENCODE | CURLU_ALLOW_SPACE | CURLU_PATH_AS_IS;
        if (curl_url_set(url.get(), CURLUPART_URL, base.c_str(), CURLU_PATH_AS_IS) != CURLUE_OK ||
            curl_url_set(url.get(), CURLUPART_URL, location.c_str(), flags) != CURLUE_OK) {
            return false;
        }
        auto part = [&url](CURLUPart which, unsigned int getFlags) -> std::optional<std::string> {
            char* raw = nullptr;
            if (curl_url_get(url.get(), which, &raw, getFlags) != CURLUE_OK || raw == nullptr) {
                return std::nullopt;
            }
            CurlString owned(raw);
            return std::string(owned.get());
        };
        auto scheme = part(CURLUPART_SCHEME, 0);
        auto host = part(CURLUPART_HOST, 0);
        auto port = part(CURLUPART_PORT, CURLU_DEFAULT_PORT);
        auto path = part(CURLUPART_PATH, 0);
        auto query = part(CURLUPART_QUERY, 0);
        if (!scheme || !host || (*scheme != "http" && *scheme != "https")) {
            return false;
        }

        hop.secure = *scheme == "https";
        hop.host = *host;
        hop.port = port ? std::atoi(port->c_str()) : 0;
        hop.target = path && !path->empty() ? *path : "/";
        if (query) {
            hop.target += '?' + *query;
        }
        // As browsers do: a 303 always, and a 301 or 302 after a POST, continue as a GET.
        const bool toGet =
            hop.method != "HEAD" &&
            (status == 303 || ((status == 301 || status == 302) && hop.method == "POST"));
        if (toGet) {
            hop.method = "GET";
            hop.body.reset();
            std::erase_if(hop.headerLines, [](const std::string& line) {
                return EqualsIgnoringCase(HeaderName(line), "Content-Type");
            });
        }
        return true;
    }

    static constexpr std::size_t kMaxIdleChannels = 4;
    static constexpr int kPollMilliseconds = 100;

    HttpTransportSettings settings_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<Channel>> idle_[2];
};

} // namespace

HttpTransport& DefaultHttpTransport() {
    // Never destroyed: another thread may still be inside an exchange while the process ends.
    static HttpTransport* transport = new CurlTransport(HttpTransportSettings{});
    return *transport;
}

std::unique_ptr<HttpTransport> CreateHttpTransport(const HttpTransportSettings& settings) {
    return std::make_unique<CurlTransport>(settings);
}

void CancelAllTransfers() {
    g_cancelled.store(true);
}

void ResumeTransfers() {
    g_cancelled.store(false);
}

void ClearCookieStore() {
    InitCurlOnce();
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy) {
        return;
    }
    curl_easy_setopt(easy.get(), CURLOPT_SHARE, SharedState(true).get());
    curl_easy_setopt(easy.get(), CURLOPT_COOKIELIST, "ALL");
}

} // namespace vexmora::platform
