#include "tools/satsim/SatelliteSimulator.h"

#include <httplib.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <regex>
#include <stdexcept>

#include "tools/satsim/Pictures.h"
#include "tools/satsim/SelfSignedCertificate.h"

namespace vexmora::satsim {

struct SatelliteSimulator::Listener {
    std::unique_ptr<httplib::Server> server;
    std::thread thread;
};

namespace {

constexpr const char* kFy4aThumbnailPath = "/CLOUDIMAGE/FY4A/THUMBNAIL/FY4A_AGRI_DISK_MTCC.jpg";
constexpr const char* kFy4aQueryPath = "/nsmc/v1/nsmc/image/animation/datatime/mongodb";
constexpr const char* kFy4aTilePath = "/mongoTile_DSS/NOM/TileServer.php";
constexpr const char* kFy4aDataCode =
    "FY4A-_AGRI--_N_DISK_1047E_L1C_MTCC_MULT_NOM_YYYYMMDDhhmmss_YYYYMMDDhhmmss_4000M_V0001.JPG";
constexpr const char* kHimawariIndexPath = "/himawari8/img/FULL_24h/latest.json";

// The four bounding boxes of the tile server, decoded, in the order of the tiles.
constexpr const char* kFy4aBoxes[] = {"-5500,0,0,5500", "0,0,5500,5500", "-5500,-5500,0,0",
                                      "0,-5500,5500,0"};

const char* kNotFoundPage =
    "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML 2.0//EN\">\n<html><head>\n<title>404 Not "
    "Found</title>\n</head><body>\n<h1>Not Found</h1>\n<p>The requested URL was not found on "
    "this server.</p>\n</body></html>\n";

const char* kServerErrorPage =
    "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML 2.0//EN\">\n<html><head>\n<title>500 Internal "
    "Server Error</title>\n</head><body>\n<h1>Internal Server Error</h1>\n<p>The server "
    "encountered an internal error or misconfiguration and was unable to complete your "
    "request.</p>\n</body></html>\n";

std::string Format(std::time_t when, const char* pattern) {
    std::tm parts{};
    gmtime_r(&when, &parts);
    char buffer[64];
    std::strftime(buffer, sizeof buffer, pattern, &parts);
    return buffer;
}

// The FengYun-4A disk is scanned every 15 minutes and published about half an hour later.
std::time_t Fy4aLatest(std::time_t now) {
    std::time_t t = now - 30 * 60;
    return t - t % (15 * 60);
}

// Himawari-8 every 10 minutes, published about 20 minutes later.
std::time_t HimawariLatest(std::time_t now) {
    std::time_t t = now - 20 * 60;
    return t - t % (10 * 60);
}

std::string JsonEscape(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            // One escape per byte, so bytes that are not UTF-8 (GBK in a URL) stay readable.
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool IsControl(const httplib::Request& request) {
    return request.path.rfind("/satsim/", 0) == 0;
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

const char* EndpointName(Endpoint endpoint) {
    switch (endpoint) {
    case Endpoint::Fy4aImage:
        return "fy4a-image";
    case Endpoint::Fy4aQuery:
        return "fy4a-query";
    case Endpoint::Fy4aTile:
        return "fy4a-tile";
    case Endpoint::Himawari:
        return "himawari";
    case Endpoint::Site:
        return "site";
    }
    return "?";
}

const char* FaultName(Fault fault) {
    switch (fault) {
    case Fault::Down:
        return "down";
    case Fault::EmptyBody:
        return "empty";
    case Fault::ErrorPage:
        return "error-page";
    case Fault::GarbageImage:
        return "garbage-image";
    case Fault::MissingMarkers:
        return "missing-markers";
    case Fault::BadTile:
        return "bad-tile";
    case Fault::Slow:
        return "slow";
    }
    return "?";
}

bool ParseEndpoint(const std::string& name, Endpoint& out) {
    for (Endpoint endpoint : kAllEndpoints) {
        if (name == EndpointName(endpoint)) {
            out = endpoint;
            return true;
        }
    }
    return false;
}

bool ParseFault(const std::string& name, Fault& out) {
    for (Fault fault : {Fault::Down, Fault::EmptyBody, Fault::ErrorPage, Fault::GarbageImage,
                        Fault::MissingMarkers, Fault::BadTile, Fault::Slow}) {
        if (name == FaultName(fault)) {
            out = fault;
            return true;
        }
    }
    return false;
}

std::string RecordedRequest::Header(const std::string& name) const {
    for (const auto& [key, value] : headers) {
        if (SameName(key, name)) {
            return value;
        }
    }
    return {};
}

SatelliteSimulator::SatelliteSimulator(SimulatorOptions options)
    : options_(std::move(options)), slowDelay_(options_.slowDelayMs),
      updateNotice_("卫星模拟器在线，一切正常。") {}

SatelliteSimulator::~SatelliteSimulator() {
    Stop();
}

std::time_t SatelliteSimulator::Now() const {
    return options_.fixedNow != 0 ? options_.fixedNow : std::time(nullptr);
}

void SatelliteSimulator::Render() {
    RgbImage fy4a = RenderEarthDisk(options_.fy4aThumbnailSize);
    fy4aThumbnail_ = EncodeJpeg(fy4a);
    RgbImage fy4aTiled = RenderEarthDisk(512);
    fy4aTiles_.clear();
    for (int tile = 0; tile < 4; ++tile) {
        fy4aTiles_.push_back(EncodeJpeg(Crop(fy4aTiled, tile % 2 * 256, tile / 2 * 256, 256, 256)));
    }
    blackTile_ = EncodeJpeg(Solid(256, 256, Rgb{0, 0, 0}));
    himawariThumbnail_ = EncodePng(RenderEarthDisk(550));
    RgbImage himawari = RenderEarthDisk(1100);
    himawariTiles_.clear();
    for (int tile = 0; tile < 4; ++tile) {
        himawariTiles_.push_back(
            EncodePng(Crop(himawari, tile % 2 * 550, tile / 2 * 550, 550, 550)));
    }
}

void SatelliteSimulator::Start() {
    {
        std::lock_guard lock(mutex_);
        if (started_) {
            return;
        }
        started_ = true;
        stopped_ = false;
        if (!options_.logPath.empty()) {
            log_.open(options_.logPath, std::ios::out | std::ios::app);
            if (!log_) {
                throw std::runtime_error("cannot open the request log " + options_.logPath);
            }
        }
    }
    Render();
    certificate_ = std::make_unique<SelfSignedCertificate>();
    for (size_t i = 0; i < std::size(kAllEndpoints); ++i) {
        Endpoint endpoint = kAllEndpoints[i];
        {
            std::lock_guard lock(listenersMutex_);
            ports_[endpoint] = options_.portBase == 0 ? 0 : options_.portBase + static_cast<int>(i);
        }
        // Bound even when it starts down, so that its address is known and stays the same.
        BringUp(endpoint);
        if (HasFault(endpoint, Fault::Down)) {
            TakeDown(endpoint);
        }
    }
}

void SatelliteSimulator::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (!started_ || stopped_) {
            return;
        }
        stopped_ = true;
    }
    stopping_.notify_all();
    for (Endpoint endpoint : kAllEndpoints) {
        TakeDown(endpoint);
    }
    std::lock_guard lock(mutex_);
    started_ = false;
    log_.close();
}

void SatelliteSimulator::BringUp(Endpoint endpoint) {
    std::lock_guard lock(listenersMutex_);
    if (listeners_.count(endpoint)) {
        return;
    }
    std::unique_ptr<httplib::Server> server;
    if (endpoint == Endpoint::Fy4aTile) {
        server =
            std::make_unique<httplib::SSLServer>(certificate_->certificate(), certificate_->key());
    } else {
        server = std::make_unique<httplib::Server>();
    }
    if (!server->is_valid()) {
        throw std::runtime_error(std::string("cannot set up the server ") + EndpointName(endpoint));
    }
    server->new_task_queue = [] { return new httplib::ThreadPool(4); };
    server->set_keep_alive_timeout(1);
    server->set_pre_routing_handler(
        [this, endpoint](const httplib::Request& request, httplib::Response& response) {
            if (IsControl(request)) {
                return endpoint == Endpoint::Site && Control(request, response)
                           ? httplib::Server::HandlerResponse::Handled
                           : httplib::Server::HandlerResponse::Unhandled;
            }
            Record(endpoint, request);
            return httplib::Server::HandlerResponse::Unhandled;
        });
    server->Get(".*",
                [this, endpoint](const httplib::Request& request, httplib::Response& response) {
                    Handle(endpoint, request, response);
                });
    int& port = ports_[endpoint];
    if (port == 0) {
        port = server->bind_to_any_port(options_.host);
        if (port <= 0) {
            port = 0;
            throw std::runtime_error(std::string("cannot bind ") + EndpointName(endpoint));
        }
    } else if (!server->bind_to_port(options_.host, port)) {
        throw std::runtime_error(std::string("cannot bind ") + EndpointName(endpoint) + " to " +
                                 options_.host + ":" + std::to_string(port));
    }
    auto listener = std::make_unique<Listener>();
    httplib::Server* raw = server.get();
    listener->server = std::move(server);
    listener->thread = std::thread([raw] { raw->listen_after_bind(); });
    // stop() only takes effect once the loop runs; wait for it so a quick Stop cannot hang.
    while (!raw->is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    listeners_[endpoint] = std::move(listener);
}

void SatelliteSimulator::TakeDown(Endpoint endpoint) {
    std::unique_ptr<Listener> listener;
    {
        std::lock_guard lock(listenersMutex_);
        auto it = listeners_.find(endpoint);
        if (it == listeners_.end()) {
            return;
        }
        listener = std::move(it->second);
        listeners_.erase(it);
    }
    listener->server->stop();
    listener->thread.join();
}

std::string SatelliteSimulator::Address(Endpoint endpoint) {
    std::string scheme = endpoint == Endpoint::Fy4aTile ? "https://" : "http://";
    return scheme + options_.host + ":" + std::to_string(Port(endpoint));
}

int SatelliteSimulator::Port(Endpoint endpoint) {
    std::lock_guard lock(listenersMutex_);
    auto it = ports_.find(endpoint);
    if (it != ports_.end()) {
        return it->second;
    }
    // Not started: the fixed port it will take, or 0.
    size_t index = static_cast<size_t>(endpoint);
    return options_.portBase == 0 ? 0 : options_.portBase + static_cast<int>(index);
}

std::vector<std::pair<std::string, std::string>> SatelliteSimulator::Variables() {
    std::string site = Address(Endpoint::Site);
    return {
        {"VEXMORA_FY4A_IMAGE_SERVER", Address(Endpoint::Fy4aImage)},
        {"VEXMORA_FY4A_QUERY_SERVER", Address(Endpoint::Fy4aQuery)},
        {"VEXMORA_FY4A_TILE_SERVER", Address(Endpoint::Fy4aTile)},
        {"VEXMORA_HIMAWARI_SERVER", Address(Endpoint::Himawari)},
        {"VEXMORA_FY4A_SITE", site + "/fy4a"},
        {"VEXMORA_HIMAWARI_SITE", site + "/himawari"},
        {"VEXMORA_UPDATE_PAGE", site + "/update.html"},
    };
}

void SatelliteSimulator::SetFault(Endpoint endpoint, Fault fault, bool on) {
    bool running;
    {
        std::lock_guard lock(mutex_);
        if (on) {
            faults_[endpoint].insert(fault);
        } else {
            faults_[endpoint].erase(fault);
        }
        running = started_ && !stopped_;
    }
    if (fault == Fault::Down && running) {
        if (on) {
            TakeDown(endpoint);
        } else {
            BringUp(endpoint);
        }
    }
}

bool SatelliteSimulator::HasFault(Endpoint endpoint, Fault fault) const {
    std::lock_guard lock(mutex_);
    auto it = faults_.find(endpoint);
    return it != faults_.end() && it->second.count(fault) > 0;
}

void SatelliteSimulator::ClearFaults() {
    for (Endpoint endpoint : kAllEndpoints) {
        SetFault(endpoint, Fault::Down, false);
    }
    std::lock_guard lock(mutex_);
    faults_.clear();
}

void SatelliteSimulator::SetBadTile(int tile) {
    std::lock_guard lock(mutex_);
    badTile_ = std::clamp(tile, 1, 4);
}

void SatelliteSimulator::SetSlowDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(mutex_);
    slowDelay_ = delay;
}

void SatelliteSimulator::SetQueryAnswer(const std::string& body) {
    std::lock_guard lock(mutex_);
    queryAnswer_ = body;
}

void SatelliteSimulator::SetHimawariIndex(const std::string& body) {
    std::lock_guard lock(mutex_);
    himawariIndex_ = body;
}

void SatelliteSimulator::SetUpdatePage(const std::string& version, const std::string& notice,
                                       const std::string& link) {
    std::lock_guard lock(mutex_);
    updateVersion_ = version;
    updateNotice_ = notice;
    updateLink_ = link;
}

void SatelliteSimulator::SetAnswer(Endpoint endpoint, const std::string& path,
                                   const std::string& body, int status,
                                   const std::string& contentType) {
    std::lock_guard lock(mutex_);
    fixedAnswers_[{endpoint, path}] = FixedAnswer{body, status, contentType};
}

void SatelliteSimulator::ResetAnswers() {
    std::lock_guard lock(mutex_);
    fixedAnswers_.clear();
    queryAnswer_.clear();
    himawariIndex_.clear();
}

std::string SatelliteSimulator::Fy4aLatestDate() const {
    return Format(Fy4aLatest(Now()), "%Y%m%d");
}

std::string SatelliteSimulator::Fy4aLatestTime() const {
    return Format(Fy4aLatest(Now()), "%H%M%S");
}

std::string SatelliteSimulator::HimawariLatestDate() const {
    return Format(HimawariLatest(Now()), "%Y-%m-%d %H:%M:%S");
}

std::vector<RecordedRequest> SatelliteSimulator::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<RecordedRequest> SatelliteSimulator::Requests(Endpoint endpoint) const {
    std::vector<RecordedRequest> out;
    for (RecordedRequest& request : Requests()) {
        if (request.endpoint == EndpointName(endpoint)) {
            out.push_back(std::move(request));
        }
    }
    return out;
}

void SatelliteSimulator::ClearRequests() {
    std::lock_guard lock(mutex_);
    requests_.clear();
}

void SatelliteSimulator::Record(Endpoint endpoint, const httplib::Request& request) {
    RecordedRequest record;
    record.endpoint = EndpointName(endpoint);
    record.method = request.method;
    record.target = request.target;
    record.received = std::chrono::system_clock::now();
    for (const auto& [name, value] : request.headers) {
        // The library adds the peer's and its own address as pseudo headers.
        if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
            name == "LOCAL_PORT") {
            continue;
        }
        record.headers.emplace_back(name, value);
    }
    std::lock_guard lock(mutex_);
    if (log_.is_open()) {
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      record.received.time_since_epoch())
                      .count();
        log_ << "{\"time\":" << ms << ",\"endpoint\":\"" << record.endpoint << "\",\"method\":\""
             << JsonEscape(record.method) << "\",\"target\":\"" << JsonEscape(record.target)
             << "\",\"headers\":[";
        bool first = true;
        for (const auto& [name, value] : record.headers) {
            log_ << (first ? "" : ",") << "[\"" << JsonEscape(name) << "\",\"" << JsonEscape(value)
                 << "\"]";
            first = false;
        }
        log_ << "]}\n" << std::flush;
    }
    requests_.push_back(std::move(record));
}

void SatelliteSimulator::WaitSlow() {
    std::unique_lock lock(mutex_);
    stopping_.wait_for(lock, slowDelay_, [this] { return stopped_; });
}

void SatelliteSimulator::Handle(Endpoint endpoint, const httplib::Request& request,
                                httplib::Response& response) {
    std::set<Fault> faults;
    std::optional<FixedAnswer> fixed;
    {
        std::lock_guard lock(mutex_);
        faults = faults_[endpoint];
        auto it = fixedAnswers_.find({endpoint, request.path});
        if (it != fixedAnswers_.end()) {
            fixed = it->second;
        }
    }
    if (faults.count(Fault::Slow)) {
        WaitSlow();
    }
    if (fixed) {
        response.status = fixed->status;
        response.set_content(fixed->body, fixed->contentType.c_str());
        return;
    }
    if (faults.count(Fault::EmptyBody)) {
        response.status = 200;
        response.set_content("", "application/octet-stream");
        return;
    }
    if (faults.count(Fault::ErrorPage)) {
        response.status = 500;
        response.set_content(kServerErrorPage, "text/html; charset=iso-8859-1");
        return;
    }
    switch (endpoint) {
    case Endpoint::Fy4aImage:
        return ServeFy4aImage(request, response, faults);
    case Endpoint::Fy4aQuery:
        return ServeFy4aQuery(request, response, faults);
    case Endpoint::Fy4aTile:
        return ServeFy4aTile(request, response, faults);
    case Endpoint::Himawari:
        return ServeHimawari(request, response, faults);
    case Endpoint::Site:
        return ServeSite(request, response, faults);
    }
}

namespace {

void NotFound(httplib::Response& response) {
    response.status = 404;
    response.set_content(kNotFoundPage, "text/html; charset=iso-8859-1");
}

} // namespace

void SatelliteSimulator::ServeFy4aImage(const httplib::Request& request,
                                        httplib::Response& response,
                                        const std::set<Fault>& faults) {
    if (request.path != kFy4aThumbnailPath) {
        return NotFound(response);
    }
    response.set_content(faults.count(Fault::GarbageImage) ? GarbageJpeg() : fy4aThumbnail_,
                         "image/jpeg");
}

std::string SatelliteSimulator::GeneratedQueryAnswer() const {
    std::time_t latest = Fy4aLatest(Now());
    std::string out = "{\"status\":200,\"message\":\"成功\",\"ds\":[";
    constexpr int kEntries = 12;
    for (int i = kEntries - 1; i >= 0; --i) {
        std::time_t start = latest - i * 15 * 60;
        std::time_t end = start + 15 * 60 - 1;
        std::string fileName = std::string("FY4A-_AGRI--_N_DISK_1047E_L1C_MTCC_MULT_NOM_") +
                               Format(start, "%Y%m%d%H%M%S") + "_" + Format(end, "%Y%m%d%H%M%S") +
                               "_4000M_V0001.JPG";
        out += "{\"dataDate\":\"" + Format(start, "%Y%m%d") + "\",\"dataTime\":\"" +
               Format(start, "%H%M%S") + "\",\"fileName\":\"" + fileName +
               "\",\"filePath\":\"/FY4A/AGRI/L1C/MTCC/" + Format(start, "%Y/%m/%d/") + fileName +
               "\",\"satellite\":\"FY4A\",\"instrument\":\"AGRI\"}";
        if (i > 0) {
            out += ",";
        }
    }
    out += "],\"count\":" + std::to_string(kEntries) + "}";
    return out;
}

void SatelliteSimulator::ServeFy4aQuery(const httplib::Request& request,
                                        httplib::Response& response,
                                        const std::set<Fault>& faults) {
    if (request.path != kFy4aQueryPath) {
        return NotFound(response);
    }
    std::string body;
    if (faults.count(Fault::MissingMarkers)) {
        body = "{\"status\":200,\"message\":\"成功\",\"ds\":[],\"count\":0}";
    } else if (request.get_param_value("dataCode") != kFy4aDataCode) {
        body = "{\"status\":400,\"message\":\"参数错误：dataCode\",\"ds\":[],\"count\":0}";
    } else {
        std::lock_guard lock(mutex_);
        body = queryAnswer_.empty() ? GeneratedQueryAnswer() : queryAnswer_;
    }
    response.set_content(body, "application/json;charset=UTF-8");
}

void SatelliteSimulator::ServeFy4aTile(const httplib::Request& request, httplib::Response& response,
                                       const std::set<Fault>& faults) {
    if (request.path != kFy4aTilePath) {
        return NotFound(response);
    }
    static const std::regex date("[0-9]{8}");
    static const std::regex time("[0-9]{4}");
    int tile = 0;
    std::string box = request.get_param_value("BBOX");
    for (int i = 0; i < 4; ++i) {
        if (box == kFy4aBoxes[i]) {
            tile = i + 1;
        }
    }
    std::string timeValue = request.get_param_value("TIME");
    bool known = tile != 0 && request.get_param_value("REQUEST") == "GetMap" &&
                 request.get_param_value("PRODUCT") == kFy4aDataCode &&
                 std::regex_match(request.get_param_value("DATE"), date) &&
                 std::regex_match(timeValue, time) &&
                 request.get_param_value("ENDTIME") == timeValue;
    if (!known) {
        // NOTILE=BLACK: the map server answers a request it cannot place with a black tile.
        response.set_content(blackTile_, "image/jpeg");
        return;
    }
    int badTile;
    {
        std::lock_guard lock(mutex_);
        badTile = badTile_;
    }
    bool garbage =
        faults.count(Fault::GarbageImage) || (faults.count(Fault::BadTile) && tile == badTile);
    response.set_content(garbage ? GarbageJpeg() : fy4aTiles_[tile - 1], "image/jpeg");
}

std::string SatelliteSimulator::GeneratedHimawariIndex() const {
    std::time_t latest = HimawariLatest(Now());
    return "{\"date\":\"" + Format(latest, "%Y-%m-%d %H:%M:%S") + "\",\"file\":\"PI_H08_" +
           Format(latest, "%Y%m%d_%H%M") + "_TRC_FLDK_R10_PGPFD.png\"}";
}

void SatelliteSimulator::ServeHimawari(const httplib::Request& request, httplib::Response& response,
                                       const std::set<Fault>& faults) {
    static const std::regex thumbnail(
        "/himawari8/img/D531106/thumbnail/550/[0-9]{4}/[0-9]{2}/[0-9]{2}/[0-9]{6}_0_0\\.png");
    static const std::regex tilePath(
        "/himawari8/img/D531106/2d/550/[0-9]{4}/[0-9]{2}/[0-9]{2}/[0-9]{6}_([01])_([01])\\.png");
    std::smatch match;
    if (request.path == kHimawariIndexPath) {
        std::string body;
        if (faults.count(Fault::MissingMarkers)) {
            body = "{\"date\":null,\"file\":null}";
        } else {
            std::lock_guard lock(mutex_);
            body = himawariIndex_.empty() ? GeneratedHimawariIndex() : himawariIndex_;
        }
        response.set_content(body, "application/json");
    } else if (std::regex_match(request.path, thumbnail)) {
        response.set_content(faults.count(Fault::GarbageImage) ? GarbagePng() : himawariThumbnail_,
                             "image/png");
    } else if (std::regex_match(request.path, match, tilePath)) {
        int tile = 1 + (match[1] == "1" ? 1 : 0) + (match[2] == "1" ? 2 : 0);
        int badTile;
        {
            std::lock_guard lock(mutex_);
            badTile = badTile_;
        }
        bool garbage =
            faults.count(Fault::GarbageImage) || (faults.count(Fault::BadTile) && tile == badTile);
        response.set_content(garbage ? GarbagePng() : himawariTiles_[tile - 1], "image/png");
    } else {
        NotFound(response);
    }
}

std::string SatelliteSimulator::UpdatePage() const {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Vexmora "
           "更新</title></head>\n<body>\n<p>最新版本：（" +
           updateVersion_ + "）</p>\n<p>公告：（" + updateNotice_ + "）</p>\n<p>看看：（" +
           updateLink_ + "）</p>\n</body></html>\n";
}

void SatelliteSimulator::ServeSite(const httplib::Request& request, httplib::Response& response,
                                   const std::set<Fault>& faults) {
    if (request.path == "/update.html") {
        std::string page;
        if (faults.count(Fault::MissingMarkers)) {
            page = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"></head><body><p>"
                   "最新版本: (2.9) 公告: (markers written with ASCII signs)</p></body></html>\n";
        } else {
            std::lock_guard lock(mutex_);
            page = UpdatePage();
        }
        response.set_content(page, "text/html; charset=utf-8");
    } else if (request.path == "/fy4a" || request.path == "/himawari") {
        std::string name = request.path == "/fy4a" ? "FengYun-4A" : "Himawari-8";
        response.set_content("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + name +
                                 " (simulated)</title></head><body><h1>" + name +
                                 "</h1><p>This page stands in for the satellite operator's web "
                                 "site.</p></body></html>\n",
                             "text/html; charset=utf-8");
    } else {
        NotFound(response);
    }
}

// /satsim/fault?endpoint=NAME&fault=NAME&on=1|0, /satsim/clear, /satsim/requests: lets a script
// switch failure modes of a running simulator and read what it saw.
bool SatelliteSimulator::Control(const httplib::Request& request, httplib::Response& response) {
    if (request.path == "/satsim/fault") {
        Endpoint endpoint;
        Fault fault;
        if (!ParseEndpoint(request.get_param_value("endpoint"), endpoint) ||
            !ParseFault(request.get_param_value("fault"), fault) ||
            (endpoint == Endpoint::Site && fault == Fault::Down)) {
            response.status = 400;
            response.set_content("unknown endpoint or fault\n", "text/plain");
            return true;
        }
        SetFault(endpoint, fault, request.get_param_value("on") != "0");
        response.set_content("ok\n", "text/plain");
        return true;
    }
    if (request.path == "/satsim/clear") {
        // Bringing the site server down from its own handler cannot work; it is never down.
        for (Endpoint endpoint : kAllEndpoints) {
            if (endpoint != Endpoint::Site) {
                SetFault(endpoint, Fault::Down, false);
            }
        }
        {
            std::lock_guard lock(mutex_);
            faults_.clear();
        }
        ClearRequests();
        response.set_content("ok\n", "text/plain");
        return true;
    }
    if (request.path == "/satsim/requests") {
        std::string out;
        for (const RecordedRequest& r : Requests()) {
            out += r.endpoint + " " + r.method + " " + r.target + "\n";
        }
        response.set_content(out, "text/plain");
        return true;
    }
    return false;
}

} // namespace vexmora::satsim
