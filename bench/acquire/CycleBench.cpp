// One refresh cycle of each kind against the satellite simulator, and the floor it is measured
// against: the same resources fetched one after the other by a plain curl loop, plus the
// decode-only time of the tiles. Also the longest stall of a user-interface loop that keeps
// ticking the runner and reading options while a cycle runs on the worker.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "acquire/FengYunSource.h"
#include "acquire/HimawariSource.h"
#include "acquire/RefreshCycle.h"
#include "acquire/RefreshRunner.h"
#include "platform/ImageCodec.h"
#include "tools/satsim/SatelliteSimulator.h"
#include "platform/Memory.h"

namespace vexmora {
namespace {

using satsim::Endpoint;

satsim::SatelliteSimulator& Simulator() {
    static std::unique_ptr<satsim::SatelliteSimulator> simulator = [] {
        satsim::SimulatorOptions options;
        options.fixedNow = 1565583300;
        auto started = std::make_unique<satsim::SatelliteSimulator>(options);
        started->Start();
        return started;
    }();
    return *simulator;
}

Endpoints SimulatorEndpoints() {
    auto& s = Simulator();
    Endpoints e;
    e.fy4aImageServer = s.Address(Endpoint::Fy4aImage);
    e.fy4aQueryServer = s.Address(Endpoint::Fy4aQuery);
    e.fy4aTileServer = s.Address(Endpoint::Fy4aTile);
    e.himawariServer = s.Address(Endpoint::Himawari);
    return e;
}

const std::string& DataFolder() {
    static const std::string folder = [] {
        auto path = std::filesystem::temp_directory_path() / "vexmora-acquire-bench";
        std::filesystem::create_directories(path);
        return path.string();
    }();
    return folder;
}

// Options fixed, every output dropped; the calls are locked as the window's model would be.
class QuietHost : public CycleHost {
public:
    QuietHost(int quality, int source) : quality_(quality), source_(source) {}
    int Quality() override { return Read(quality_); }
    int Source() override { return Read(source_); }
    int Size() override { return Read(3); }
    int Position() override { return Read(2); }
    int Interval() override { return Read(1); }
    bool SetWallpaper() override { return Read(1) != 0; }
    bool SwitchOnFailure() override { return Read(0) != 0; }
    void AppendLog(const Text&) override { Read(0); }
    void SetPicture(const Bytes&) override { Read(0); }
    void SetControlEnabled(CycleControl, bool) override { Read(0); }
    void SetTimerPeriod(int) override { Read(0); }

private:
    int Read(int value) {
        std::lock_guard lock(mutex_);
        return value;
    }
    std::mutex mutex_;
    int quality_;
    int source_;
};

class NoWallpaper : public WallpaperActions {
public:
    void SetDesktopWallpaper(const Text&, int) override {}
    void ApplyWallpaper(const Text&) override {}
};

CycleEnvironment Environment() {
    static NoWallpaper wallpaper;
    CycleEnvironment environment;
    environment.dataFolder = DataFolder();
    environment.endpoints = SimulatorEndpoints();
    environment.wallpaper = &wallpaper;
    return environment;
}

void Cycle(benchmark::State& state) {
    int quality = static_cast<int>(state.range(0));
    int source = static_cast<int>(state.range(1));
    CycleEnvironment environment = Environment();
    QuietHost host(quality, source);
    for (auto _ : state) {
        RunRefreshCycle(quality, host, environment);
    }
    state.SetLabel(std::string(quality == 0 ? "fast " : "hd ") +
                   (source == 0 ? "FengYun-4A" : "Himawari-8"));
}
BENCHMARK(Cycle)
    ->ArgNames({"quality", "source"})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

size_t Collect(char* data, size_t size, size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

// The five resources of an HD fetch, sequentially over one reused curl handle, then the four
// tiles decoded: what any implementation has to spend.
void Floor(benchmark::State& state) {
    int source = static_cast<int>(state.range(0));
    Endpoints endpoints = SimulatorEndpoints();
    std::vector<std::string> urls;
    if (source == 0) {
        urls.push_back(FengYunQueryUrl(endpoints));
        for (const Text& url : FengYunTileUrls("20190812", "0345", endpoints)) {
            urls.push_back(url);
        }
    } else {
        urls.push_back(HimawariIndexUrl(endpoints));
        for (const Text& url : HimawariTileUrls(HimawariTileBase(endpoints))) {
            urls.push_back(url);
        }
    }
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    curl_easy_setopt(curl.get(), CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl.get(), CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &Collect);
    for (auto _ : state) {
        std::vector<std::string> bodies;
        for (const std::string& url : urls) {
            std::string body;
            curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
            curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &body);
            curl_easy_perform(curl.get());
            bodies.push_back(std::move(body));
        }
        for (size_t i = 1; i < bodies.size(); ++i) {
            auto image = platform::DecodeImage(Bytes(bodies[i].begin(), bodies[i].end()));
            benchmark::DoNotOptimize(image);
        }
    }
    state.SetLabel(source == 0 ? "FengYun-4A: query + 4 tiles, decode"
                               : "Himawari-8: index + 4 tiles, decode");
}
BENCHMARK(Floor)->ArgName("source")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A user-interface loop: every millisecond it ticks the runner, asks for a refresh and reads an
// option, as the window's timer and handlers would while a cycle runs on the worker. The
// counter is the longest single pass of that loop.
void UiStall(benchmark::State& state) {
    int source = static_cast<int>(state.range(0));
    CycleEnvironment environment = Environment();
    QuietHost host(1, source);
    double longestMs = 0;
    for (auto _ : state) {
        RefreshRunner runner(host, environment);
        runner.Tick();
        while (runner.Running()) {
            auto start = std::chrono::steady_clock::now();
            runner.Tick();
            host.Quality();
            runner.Running();
            double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
            longestMs = std::max(longestMs, ms);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    state.counters["longest_ui_pass_ms"] = longestMs;
    state.SetLabel(source == 0 ? "hd FengYun-4A on the worker" : "hd Himawari-8 on the worker");
}
BENCHMARK(UiStall)->ArgName("source")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace vexmora

// The cycles run with the allocator set up as the program sets it.
[[maybe_unused]] const bool kAllocatorLikeTheProgram =
    (vexmora::platform::KeepFreedMemoryForReuse(), true);

BENCHMARK_MAIN();
