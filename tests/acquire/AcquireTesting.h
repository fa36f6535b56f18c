#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "acquire/CycleHost.h"
#include "acquire/Endpoints.h"
#include "acquire/WallpaperActions.h"
#include "net/Text.h"
#include "tools/satsim/SatelliteSimulator.h"

namespace vexmora::test {

// The simulator shared by every test of the program, started on first use. Each test resets
// it with ResetSimulator().
satsim::SatelliteSimulator& Simulator();
void ResetSimulator();
Endpoints SimulatorEndpoints();

// The fixed time the simulator's answers are built from: 2019-08-12 04:15:00 UTC.
inline constexpr const char kHimawariDate[] = "2019-08-12 03:50:00";
inline constexpr const char kFy4aDate[] = "20190812";
inline constexpr const char kFy4aTime[] = "034500";

// Pixels of an uncompressed 24- or 32-bit BMP file image, read here without the program's
// imaging code. Empty (width 0) when the bytes are no such BMP.
struct BmpPixels {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::vector<std::uint32_t> rgb; // R | G<<8 | B<<16, rows from the top

    std::uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};
BmpPixels ReadBmp(const Bytes& bytes);

// The quadrant (0 top left .. 3 bottom right) whose colour the average of the 7 x 7 block
// around (x, y) is close to; -1 for none of them (black, white, anything else).
int QuadrantAt(const BmpPixels& pixels, int x, int y);

// %XX escapes decoded ('+' kept): the simulator's server library hands header values over so.
std::string PercentDecoded(const std::string& text);

bool IsBlack(std::uint32_t rgb);
bool IsWhite(std::uint32_t rgb);

// A host whose options a test sets and which records everything the cycle does to it, in order.
class RecordedHost : public CycleHost {
public:
    struct Options {
        int quality = 0;
        int source = 0;
        int size = 0;
        int position = 2;
        int interval = 1;
        bool setWallpaper = true;
        bool switchOnFailure = true;
    };

    RecordedHost() = default;
    explicit RecordedHost(Options options) : options_(options) {}

    int Quality() override { return Get(&Options::quality); }
    int Source() override { return Get(&Options::source); }
    int Size() override { return Get(&Options::size); }
    int Position() override { return Get(&Options::position); }
    int Interval() override { return Get(&Options::interval); }
    bool SetWallpaper() override { return Get(&Options::setWallpaper); }
    bool SwitchOnFailure() override { return Get(&Options::switchOnFailure); }

    void AppendLog(const Text& line) override;
    void SetPicture(const Bytes& picture) override;
    void SetControlEnabled(CycleControl control, bool enabled) override;
    void SetTimerPeriod(int milliseconds) override;

    void Change(const std::function<void(Options&)>& change);
    // Runs `hook` (outside the host's lock) after a log line whose message is `message`.
    void OnLog(const Text& message, std::function<void()> hook);

    // The log lines' messages (without the clock text and CR LF), the raw lines, and every
    // event as text: "log <message>", "picture <bytes>", "enable <control> 0|1", "timer <ms>".
    std::vector<Text> Messages() const;
    std::vector<Text> Lines() const;
    std::vector<std::string> Events() const;
    std::vector<int> TimerPeriods() const;
    std::vector<Bytes> Pictures() const;

private:
    template <typename T> T Get(T Options::*field) const {
        std::lock_guard lock(mutex_);
        return options_.*field;
    }

    mutable std::mutex mutex_;
    Options options_;
    std::vector<Text> lines_;
    std::vector<std::string> events_;
    std::vector<int> timerPeriods_;
    std::vector<Bytes> pictures_;
    std::vector<std::pair<Text, std::function<void()>>> hooks_;
};

// Records the wallpaper calls: "set <path> <position>" and "apply <path>".
class RecordedWallpaper : public WallpaperActions {
public:
    void SetDesktopWallpaper(const Text& path, int position) override;
    void ApplyWallpaper(const Text& path) override;
    std::vector<std::string> Calls() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};

} // namespace vexmora::test
