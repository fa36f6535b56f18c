// Sequential requests to one loopback host, as a high-definition refresh makes them (five in a
// row to one server), with and without keeping the connection between requests, over HTTP and
// HTTPS.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "net/HttpRequest.h"
#include "platform/HttpTransport.h"
#include "tests/support/LoopbackServer.h"

namespace {

using vexmora::test::RawHttpServer;
using vexmora::test::RawReply;
using vexmora::test::RecordedRequest;

RawHttpServer& Server(bool tls, std::size_t bodySize) {
    auto make = [bodySize](bool secure) {
        const std::string body(bodySize, 'b');
        return new RawHttpServer(
            [body](const RecordedRequest&) { return RawReply::Http(200, body); }, secure);
    };
    // Left running until the process ends.
    static RawHttpServer* small[2] = {make(false), make(true)};
    static RawHttpServer* large[2] = {nullptr, nullptr};
    if (bodySize <= 1024) {
        return *small[tls ? 1 : 0];
    }
    if (large[tls ? 1 : 0] == nullptr) {
        large[tls ? 1 : 0] = make(tls);
    }
    return *large[tls ? 1 : 0];
}

// Arguments: reuse (0/1), TLS (0/1), body bytes.
void SequentialRequests(benchmark::State& state) {
    const bool reuse = state.range(0) != 0;
    const bool tls = state.range(1) != 0;
    const auto bodySize = static_cast<std::size_t>(state.range(2));
    RawHttpServer& server = Server(tls, bodySize);
    vexmora::platform::HttpTransportSettings settings;
    settings.reuseConnections = reuse;
    auto transport = vexmora::platform::CreateHttpTransport(settings);
    const std::string url = server.Origin() + "/tile.png";

    const int before = server.ConnectionCount();
    for (auto _ : state) {
        vexmora::HttpRequestOptions options;
        options.transport = transport.get();
        auto body = vexmora::HttpRequest(url, options);
        if (body.size() != bodySize) {
            state.SkipWithError("wrong body");
            break;
        }
        benchmark::DoNotOptimize(body.data());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bodySize));
    state.counters["connections"] = server.ConnectionCount() - before;
    state.SetLabel(std::string(tls ? "https" : "http") + (reuse ? " reuse" : " fresh"));
}

BENCHMARK(SequentialRequests)
    ->ArgNames({"reuse", "tls", "bytes"})
    ->ArgsProduct({{0, 1}, {0, 1}, {1024, 1 << 20}})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
