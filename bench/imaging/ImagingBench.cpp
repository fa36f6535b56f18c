// The refresh cycle's pixel work on Earth-like fixtures made here:
//   DecodeFloor   the four 550 x 550 PNG tiles decoded once (what no pipeline can beat);
//   HdPipeline    three joins into 1100 x 1100, two strip joins into 1466 x 1100, and
//                 ScaleImage to 1280 x 960;
//   FastPipeline  ScaleImage of the 550 x 550 JPEG to 550 x 550, two strip joins into
//                 732 x 550, ScaleImage to 640 x 480.
// Each reports the peak of heap bytes taken by operator new during one run beyond what was held
// before it ("peak_MiB"; the codec libraries' own small malloc buffers are not counted). At the
// end the medians and the ratio of the HD pipeline to the floor are printed.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <string>

#include <benchmark/benchmark.h>

#include "imaging/BmpCodec.h"
#include "imaging/JoinImages.h"
#include "imaging/ScaleImage.h"
#include "platform/ImageCodec.h"
#include "platform/Memory.h"

// Counting allocator: every block carries its size in a 16-byte prefix.
namespace {
std::atomic<std::int64_t> heapNow{0};
std::atomic<std::int64_t> heapPeak{0};

void* CountedAllocate(std::size_t size) {
    void* block = std::malloc(size + 16);
    if (!block) {
        throw std::bad_alloc();
    }
    *static_cast<std::size_t*>(block) = size;
    const std::int64_t now = heapNow += static_cast<std::int64_t>(size);
    std::int64_t peak = heapPeak.load();
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
    }
    return static_cast<char*>(block) + 16;
}

void CountedFree(void* p) noexcept {
    if (p) {
        void* block = static_cast<char*>(p) - 16;
        heapNow -= static_cast<std::int64_t>(*static_cast<std::size_t*>(block));
        std::free(block);
    }
}
} // namespace

void* operator new(std::size_t size) {
    return CountedAllocate(size);
}
void* operator new[](std::size_t size) {
    return CountedAllocate(size);
}
void operator delete(void* p) noexcept {
    CountedFree(p);
}
void operator delete[](void* p) noexcept {
    CountedFree(p);
}
void operator delete(void* p, std::size_t) noexcept {
    CountedFree(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    CountedFree(p);
}

namespace vexmora {
namespace {

// A round Earth on black: ocean, land and cloud noise, a bright limb, shaded towards the edge.
platform::DecodedImage EarthTile(int tileX, int tileY) {
    platform::DecodedImage image;
    image.width = image.height = 550;
    image.pixels.resize(550 * 550 * 4);
    std::uint32_t seed = 12345u + static_cast<std::uint32_t>(tileX * 7 + tileY * 13);
    for (int y = 0; y < 550; ++y) {
        for (int x = 0; x < 550; ++x) {
            const double gx = tileX * 550 + x - 549.5, gy = tileY * 550 + y - 549.5;
            const double r = std::sqrt(gx * gx + gy * gy) / 540.0;
            seed = seed * 1664525u + 1013904223u;
            const int noise = static_cast<int>(seed >> 27); // 0..31
            std::uint8_t* p = image.pixels.data() + (static_cast<std::size_t>(y) * 550 + x) * 4;
            p[3] = 255;
            if (r > 1.0) {
                p[0] = p[1] = p[2] = static_cast<std::uint8_t>(noise < 1 ? 20 : 0);
                continue;
            }
            const double shade = std::sqrt(1.0 - r * r) * 0.8 + 0.2;
            const double land =
                std::sin(gx * 0.013) * std::cos(gy * 0.017) + 0.5 * std::sin((gx + gy) * 0.041);
            const double cloud =
                std::sin(gx * 0.05 + gy * 0.031) * std::sin(gy * 0.043 - gx * 0.011);
            double red = 20, green = 40, blue = 110;
            if (land > 0.6) {
                red = 110, green = 100, blue = 60;
            }
            if (cloud > 0.55) {
                red = green = blue = 230;
            }
            p[0] = static_cast<std::uint8_t>(std::min(255.0, blue * shade + noise));
            p[1] = static_cast<std::uint8_t>(std::min(255.0, green * shade + noise));
            p[2] = static_cast<std::uint8_t>(std::min(255.0, red * shade + noise));
        }
    }
    return image;
}

struct Fixtures {
    Bytes tiles[4];
    Bytes thumbnail; // JPEG
    Bytes hdStrip;   // 183 x 1100 black PNG
    Bytes fastStrip; // 91 x 550 black PNG

    Fixtures() {
        for (int i = 0; i < 4; ++i) {
            tiles[i] = *platform::EncodePng(EarthTile(i % 2, i / 2));
        }
        // The thumbnail: the whole disk at half size, made from the four tiles.
        platform::DecodedImage whole;
        whole.width = whole.height = 550;
        whole.pixels.resize(550 * 550 * 4);
        for (int y = 0; y < 550; ++y) {
            for (int x = 0; x < 550; ++x) {
                const auto tile = EarthTileCache(x * 2 / 550 + (y * 2 / 550) * 2);
                const int sx = (x * 2) % 550, sy = (y * 2) % 550;
                std::copy_n(tile->pixels.data() + (static_cast<std::size_t>(sy) * 550 + sx) * 4, 4,
                            whole.pixels.data() + (static_cast<std::size_t>(y) * 550 + x) * 4);
            }
        }
        thumbnail = *platform::EncodeJpeg(whole, 85);
        hdStrip = *platform::EncodePng(Black(183, 1100));
        fastStrip = *platform::EncodePng(Black(91, 550));
        cache.clear();
    }

    static platform::DecodedImage Black(int width, int height) {
        platform::DecodedImage image;
        image.width = width;
        image.height = height;
        image.pixels.assign(static_cast<std::size_t>(width) * height * 4, 0);
        for (std::size_t i = 3; i < image.pixels.size(); i += 4) {
            image.pixels[i] = 255;
        }
        return image;
    }

    const platform::DecodedImage* EarthTileCache(int index) {
        auto it = cache.find(index);
        if (it == cache.end()) {
            it = cache.emplace(index, EarthTile(index % 2, index / 2)).first;
        }
        return &it->second;
    }

    std::map<int, platform::DecodedImage> cache;
};

const Fixtures& TheFixtures() {
    static const Fixtures fixtures;
    return fixtures;
}

Bytes HdPipeline(const Fixtures& f) {
    const Bytes top = JoinImages(f.tiles[0], f.tiles[1], false);
    const Bytes bottom = JoinImages(f.tiles[2], f.tiles[3], false);
    Bytes whole = JoinImages(top, bottom, true);
    Bytes padded = JoinImages(JoinImages(f.hdStrip, whole, false), f.hdStrip, false);
    whole = Bytes();
    return ScaleImage(padded, 1280, 960, true);
}

Bytes FastPipeline(const Fixtures& f) {
    Bytes picture = ScaleImage(f.thumbnail, 550, 550, true);
    Bytes padded = JoinImages(JoinImages(f.fastStrip, picture, false), f.fastStrip, false);
    picture = Bytes();
    return ScaleImage(padded, 640, 480, true);
}

std::size_t DecodeFloor(const Fixtures& f) {
    std::size_t pixels = 0;
    for (const Bytes& tile : f.tiles) {
        const auto image = DecodeAnyImage(tile);
        pixels += image ? image->pixels.size() : 0;
    }
    return pixels;
}

template <typename Work> void Measure(benchmark::State& state, Work work) {
    const Fixtures& f = TheFixtures();
    std::int64_t peak = 0;
    for (auto _ : state) {
        const std::int64_t before = heapNow.load();
        heapPeak = before;
        benchmark::DoNotOptimize(work(f));
        peak = std::max(peak, heapPeak.load() - before);
    }
    state.counters["peak_MiB"] = static_cast<double>(peak) / (1024.0 * 1024.0);
}

void BM_DecodeFloor(benchmark::State& state) {
    Measure(state, DecodeFloor);
}
void BM_HdPipeline(benchmark::State& state) {
    Measure(state, HdPipeline);
}
void BM_FastPipeline(benchmark::State& state) {
    Measure(state, FastPipeline);
}

BENCHMARK(BM_DecodeFloor)->Unit(benchmark::kMillisecond)->Repetitions(9);
BENCHMARK(BM_HdPipeline)->Unit(benchmark::kMillisecond)->Repetitions(9);
BENCHMARK(BM_FastPipeline)->Unit(benchmark::kMillisecond)->Repetitions(9);

// Keeps the medians to print the ratio at the end.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.aggregate_name == "median") {
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
                const auto peak = run.counters.find("peak_MiB");
                if (peak != run.counters.end()) {
                    peaks[run.run_name.function_name] = peak->second.value;
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> medians;
    std::map<std::string, double> peaks;
};

} // namespace
} // namespace vexmora

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    // The pipeline runs with the allocator set up as the program sets it.
    vexmora::platform::KeepFreedMemoryForReuse();
    vexmora::TheFixtures();
    vexmora::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& m = reporter.medians;
    if (m.count("BM_DecodeFloor") && m.count("BM_HdPipeline") && m.count("BM_FastPipeline")) {
        std::printf("\nmedians (ms): floor %.2f, HD %.2f, fast %.2f\n", m["BM_DecodeFloor"],
                    m["BM_HdPipeline"], m["BM_FastPipeline"]);
        std::printf("HD pipeline / decode floor: %.2f (goal: at most 2)\n",
                    m["BM_HdPipeline"] / m["BM_DecodeFloor"]);
        std::printf("peak extra heap (MiB): floor %.1f, HD %.1f, fast %.1f (goal: under 64)\n",
                    reporter.peaks["BM_DecodeFloor"], reporter.peaks["BM_HdPipeline"],
                    reporter.peaks["BM_FastPipeline"]);
    }
    benchmark::Shutdown();
    return 0;
}
