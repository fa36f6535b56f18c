#pragma once

#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
// <thread> brings the clocks; <chrono> itself is left out so that code compiled with GBK
// literals can include this header (its "µs" has no GBK form).
#include <thread>
#include <utility>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

// A local stand-in for every server the program talks to: the FengYun-4A thumbnail, data-time
// query and map-tile servers, the Himawari-8 download server, and one server for the update page
// and the two web sites. All listen on loopback; the tile server speaks HTTPS with a certificate
// made at start, the others plain HTTP.
namespace vexmora::satsim {

class SelfSignedCertificate;

enum class Endpoint { Fy4aImage, Fy4aQuery, Fy4aTile, Himawari, Site };
inline constexpr Endpoint kAllEndpoints[] = {Endpoint::Fy4aImage, Endpoint::Fy4aQuery,
                                             Endpoint::Fy4aTile, Endpoint::Himawari,
                                             Endpoint::Site};

// Failure modes, switched per endpoint; several may be on at once (Slow adds to any other).
enum class Fault {
    Down,           // nothing listens: connections are refused
    EmptyBody,      // 200 with an empty body
    ErrorPage,      // 500 with an HTML error page
    GarbageImage,   // pictures are bytes that no decoder accepts
    MissingMarkers, // the query answer, the index and the update page lack what is read from them
    BadTile,        // one tile of the four (see SetBadTile) is garbage
    Slow,           // every answer waits (see SetSlowDelay) before it is sent
};

// "fy4a-image", "fy4a-query", "fy4a-tile", "himawari", "site"; "down", "empty", "error-page",
// "garbage-image", "missing-markers", "bad-tile", "slow".
const char* EndpointName(Endpoint endpoint);
const char* FaultName(Fault fault);
bool ParseEndpoint(const std::string& name, Endpoint& out);
bool ParseFault(const std::string& name, Fault& out);

struct RecordedRequest {
    std::string endpoint; // EndpointName
    std::string method;
    std::string target; // path and query as on the request line
    // Names as sent, sorted by name; values with %XX escapes decoded, as the server library
    // hands them over.
    std::vector<std::pair<std::string, std::string>> headers;
    std::chrono::system_clock::time_point received;

    std::string Header(const std::string& name) const; // first value, case-insensitive name
};

struct SimulatorOptions {
    std::string host = "127.0.0.1";
    // 0: every server gets a free port. Otherwise the servers take portBase .. portBase + 4 in
    // the order of kAllEndpoints, so a program built against them keeps working after a restart.
    int portBase = 0;
    std::string logPath;          // one JSON line per request; empty: no file
    std::time_t fixedNow = 0;     // the "current" UTC time of the answers; 0: the clock
    int fy4aThumbnailSize = 1000; // pixels of the square FengYun-4A thumbnail
    int slowDelayMs = 1500;
    // Answer every request with "Connection: close", so that taking a server down never waits
    // for an idle kept-alive connection (tests switch servers down and up often).
    bool closeConnections = false;
};

class SatelliteSimulator {
public:
    explicit SatelliteSimulator(SimulatorOptions options = {});
    ~SatelliteSimulator();
    SatelliteSimulator(const SatelliteSimulator&) = delete;
    SatelliteSimulator& operator=(const SatelliteSimulator&) = delete;

    // Renders the pictures, makes the certificate, binds and starts every server. Throws
    // std::runtime_error when a port cannot be bound.
    void Start();
    void Stop();

    // "http://127.0.0.1:port" (https for the tile server), no trailing slash.
    std::string Address(Endpoint endpoint);
    int Port(Endpoint endpoint);
    // The build's endpoint variables (VEXMORA_FY4A_IMAGE_SERVER, ...) with this simulator's values.
    std::vector<std::pair<std::string, std::string>> Variables();

    void SetFault(Endpoint endpoint, Fault fault, bool on = true);
    bool HasFault(Endpoint endpoint, Fault fault) const;
    void ClearFaults();
    void
    SetBadTile(int tile); // 1..4 in fetch order (top left, top right, bottom left, bottom right)
    void SetSlowDelay(std::chrono::milliseconds delay);

    // Replace the generated answers with bodies sent as given; ResetAnswers restores them.
    void SetQueryAnswer(const std::string& body);
    void SetHimawariIndex(const std::string& body);
    void SetUpdatePage(const std::string& version, const std::string& notice,
                       const std::string& link);
    // Answers `path` (without query) of the endpoint with this body, before any other rule;
    // only Down and Slow still apply.
    void SetAnswer(Endpoint endpoint, const std::string& path, const std::string& body,
                   int status = 200, const std::string& contentType = "application/octet-stream");
    void ResetAnswers();

    // What the generated answers announce as the latest image.
    std::string Fy4aLatestDate() const;     // "YYYYMMDD"
    std::string Fy4aLatestTime() const;     // "hhmmss"
    std::string HimawariLatestDate() const; // "YYYY-MM-DD hh:mm:ss"

    // Every request so far, in the order received (control requests under /satsim/ excluded).
    std::vector<RecordedRequest> Requests() const;
    std::vector<RecordedRequest> Requests(Endpoint endpoint) const;
    void ClearRequests();

    // The pictures served, encoded.
    const std::string& Fy4aThumbnail() const { return fy4aThumbnail_; }
    const std::string& Fy4aTile(int tile) const { return fy4aTiles_.at(tile - 1); }
    const std::string& HimawariThumbnail() const { return himawariThumbnail_; }
    const std::string& HimawariTile(int tile) const { return himawariTiles_.at(tile - 1); }

private:
    struct Listener;

    void Render();
    void BringUp(Endpoint endpoint);
    void TakeDown(Endpoint endpoint);
    void Record(Endpoint endpoint, const httplib::Request& request);
    void Handle(Endpoint endpoint, const httplib::Request& request, httplib::Response& response);
    bool Control(const httplib::Request& request, httplib::Response& response);
    void WaitSlow();
    std::time_t Now() const;

    void ServeFy4aImage(const httplib::Request&, httplib::Response&, const std::set<Fault>&);
    void ServeFy4aQuery(const httplib::Request&, httplib::Response&, const std::set<Fault>&);
    void ServeFy4aTile(const httplib::Request&, httplib::Response&, const std::set<Fault>&);
    void ServeHimawari(const httplib::Request&, httplib::Response&, const std::set<Fault>&);
    void ServeSite(const httplib::Request&, httplib::Response&, const std::set<Fault>&);

    std::string GeneratedQueryAnswer() const;
    std::string GeneratedHimawariIndex() const;
    std::string UpdatePage() const;

    SimulatorOptions options_;
    std::string fy4aThumbnail_;
    std::vector<std::string> fy4aTiles_;
    std::string himawariThumbnail_;
    std::vector<std::string> himawariTiles_;
    std::string blackTile_;
    std::unique_ptr<SelfSignedCertificate> certificate_;

    std::mutex listenersMutex_; // guards listeners_ and ports_
    std::map<Endpoint, std::unique_ptr<Listener>> listeners_;
    std::map<Endpoint, int> ports_;

    mutable std::mutex mutex_; // guards everything below
    std::condition_variable stopping_;
    bool started_ = false;
    bool stopped_ = false;
    std::map<Endpoint, std::set<Fault>> faults_;
    int badTile_ = 2;
    std::chrono::milliseconds slowDelay_;
    std::string queryAnswer_;
    std::string himawariIndex_;
    std::string updateVersion_ = "2.0";
    std::string updateNotice_;
    std::string updateLink_;
    struct FixedAnswer {
        std::string body;
        int status;
        std::string contentType;
    };
    std::map<std::pair<Endpoint, std::string>, FixedAnswer> fixedAnswers_;
    std::vector<RecordedRequest> requests_;
    std::ofstream log_;
};

} // namespace vexmora::satsim
