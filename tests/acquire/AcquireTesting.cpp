#include "tests/acquire/AcquireTesting.h"

#include <cctype>
#include <cstring>
#include <ctime>
#include <memory>

#include "net/TextHelpers.h"
#include "tools/satsim/Pictures.h"

namespace vexmora::test {

satsim::SatelliteSimulator& Simulator() {
    static std::unique_ptr<satsim::SatelliteSimulator> simulator = [] {
        satsim::SimulatorOptions options;
        options.fixedNow = 1565583300; // 2019-08-12 04:15:00 UTC
        options.fy4aThumbnailSize = 700;
        options.slowDelayMs = 300;
        options.closeConnections = true;
        auto started = std::make_unique<satsim::SatelliteSimulator>(options);
        started->Start();
        return started;
    }();
    return *simulator;
}

void ResetSimulator() {
    satsim::SatelliteSimulator& simulator = Simulator();
    simulator.ClearFaults();
    simulator.ResetAnswers();
    simulator.SetBadTile(2);
    simulator.ClearRequests();
}

Endpoints SimulatorEndpoints() {
    using satsim::Endpoint;
    satsim::SatelliteSimulator& simulator = Simulator();
    Endpoints endpoints;
    endpoints.fy4aImageServer = simulator.Address(Endpoint::Fy4aImage);
    endpoints.fy4aQueryServer = simulator.Address(Endpoint::Fy4aQuery);
    endpoints.fy4aTileServer = simulator.Address(Endpoint::Fy4aTile);
    endpoints.himawariServer = simulator.Address(Endpoint::Himawari);
    endpoints.fy4aSite = simulator.Address(Endpoint::Site) + "/fy4a";
    endpoints.himawariSite = simulator.Address(Endpoint::Site) + "/himawari";
    endpoints.updatePage = simulator.Address(Endpoint::Site) + "/update.html";
    return endpoints;
}

namespace {

std::uint32_t Le32(const Bytes& bytes, size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

} // namespace

BmpPixels ReadBmp(const Bytes& bytes) {
    BmpPixels out;
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') {
        return out;
    }
    std::uint32_t offset = Le32(bytes, 10);
    auto width = static_cast<std::int32_t>(Le32(bytes, 18));
    auto height = static_cast<std::int32_t>(Le32(bytes, 22));
    int bits = bytes[28] | bytes[29] << 8;
    if ((bits != 24 && bits != 32) || width < 0) {
        return out;
    }
    bool bottomUp = height > 0;
    int rows = bottomUp ? height : -height;
    size_t stride = (static_cast<size_t>(width) * (bits / 8) + 3) / 4 * 4;
    if (offset + stride * rows > bytes.size()) {
        return out;
    }
    out.width = width;
    out.height = rows;
    out.bitsPerPixel = bits;
    out.rgb.resize(static_cast<size_t>(width) * rows);
    for (int y = 0; y < rows; ++y) {
        size_t row = offset + stride * (bottomUp ? rows - 1 - y : y);
        for (int x = 0; x < width; ++x) {
            size_t p = row + static_cast<size_t>(x) * (bits / 8);
            out.rgb[static_cast<size_t>(y) * width + x] =
                bytes[p + 2] | bytes[p + 1] << 8 | bytes[p] << 16;
        }
    }
    return out;
}

int QuadrantAt(const BmpPixels& pixels, int x, int y) {
    long sum[3] = {0, 0, 0};
    int count = 0;
    for (int dy = -3; dy <= 3; ++dy) {
        for (int dx = -3; dx <= 3; ++dx) {
            int px = x + dx;
            int py = y + dy;
            if (px < 0 || py < 0 || px >= pixels.width || py >= pixels.height) {
                continue;
            }
            std::uint32_t c = pixels.At(px, py);
            sum[0] += c & 0xFF;
            sum[1] += c >> 8 & 0xFF;
            sum[2] += c >> 16 & 0xFF;
            ++count;
        }
    }
    if (count == 0) {
        return -1;
    }
    const auto& colours = satsim::QuadrantColours();
    for (int q = 0; q < 4; ++q) {
        long dr = sum[0] / count - colours[q].r;
        long dg = sum[1] / count - colours[q].g;
        long db = sum[2] / count - colours[q].b;
        if (dr * dr + dg * dg + db * db < 40 * 40) {
            return q;
        }
    }
    return -1;
}

std::string PercentDecoded(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool IsBlack(std::uint32_t rgb) {
    return (rgb & 0xFF) < 16 && (rgb >> 8 & 0xFF) < 16 && (rgb >> 16 & 0xFF) < 16;
}

bool IsWhite(std::uint32_t rgb) {
    return (rgb & 0xFF) > 240 && (rgb >> 8 & 0xFF) > 240 && (rgb >> 16 & 0xFF) > 240;
}

void RecordedHost::AppendLog(const Text& line) {
    std::vector<std::function<void()>> run;
    Text message;
    {
        std::lock_guard lock(mutex_);
        lines_.push_back(line);
        int space = FindText(line, " ");
        message = space > 0 ? line.substr(static_cast<size_t>(space - 1)) : line;
        if (message.size() >= 2 && message.compare(message.size() - 2, 2, "\r\n") == 0) {
            message.resize(message.size() - 2);
        }
        events_.push_back("log" + message);
        for (auto& [when, hook] : hooks_) {
            if (when == message) {
                run.push_back(hook);
            }
        }
    }
    for (auto& hook : run) {
        hook();
    }
}

void RecordedHost::SetPicture(const Bytes& picture) {
    std::lock_guard lock(mutex_);
    pictures_.push_back(picture);
    events_.push_back("picture " + std::to_string(picture.size()));
}

void RecordedHost::SetControlEnabled(CycleControl control, bool enabled) {
    static const char* names[] = {"group", "button", "tray"};
    std::lock_guard lock(mutex_);
    events_.push_back(std::string("enable ") + names[static_cast<int>(control)] +
                      (enabled ? " 1" : " 0"));
}

void RecordedHost::SetTimerPeriod(int milliseconds) {
    std::lock_guard lock(mutex_);
    timerPeriods_.push_back(milliseconds);
    events_.push_back("timer " + std::to_string(milliseconds));
}

void RecordedHost::Change(const std::function<void(Options&)>& change) {
    std::lock_guard lock(mutex_);
    change(options_);
}

void RecordedHost::OnLog(const Text& message, std::function<void()> hook) {
    std::lock_guard lock(mutex_);
    hooks_.emplace_back(message, std::move(hook));
}

std::vector<Text> RecordedHost::Messages() const {
    std::lock_guard lock(mutex_);
    std::vector<Text> out;
    for (const std::string& event : events_) {
        if (event.rfind("log ", 0) == 0) {
            out.push_back(event.substr(3));
        }
    }
    return out;
}

std::vector<Text> RecordedHost::Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::vector<std::string> RecordedHost::Events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

std::vector<int> RecordedHost::TimerPeriods() const {
    std::lock_guard lock(mutex_);
    return timerPeriods_;
}

std::vector<Bytes> RecordedHost::Pictures() const {
    std::lock_guard lock(mutex_);
    return pictures_;
}

void RecordedWallpaper::SetDesktopWallpaper(const Text& path, int position) {
    std::lock_guard lock(mutex_);
    calls_.push_back("set " + path + " " + std::to_string(position));
}

void RecordedWallpaper::ApplyWallpaper(const Text& path) {
    std::lock_guard lock(mutex_);
    calls_.push_back("apply " + path);
}

std::vector<std::string> RecordedWallpaper::Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

} // namespace vexmora::test
