// The real program against the satellite simulator: one high-definition FengYun-4A refresh
// with the wallpaper on, under a private X server with a tray host, in a temporary folder.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>

#include "platform/CodePage.h"
#include "platform/CommandRunner.h"
#include "tests/support/BackgroundProcess.h"
#include "tests/support/FengYunRequests.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempDir.h"
#include "tests/support/Xvfb.h"
#include "tools/satsim/SatelliteSimulator.h"

namespace vexmora {
namespace {

namespace fs = std::filesystem;
using satsim::Endpoint;
using Clock = std::chrono::steady_clock;

constexpr int kScreenWidth = 640; // the picture of size index 0 fills it when centred
constexpr int kScreenHeight = 480;
constexpr int kTrayHeight = 40;

constexpr const char* kQueryTarget = test::kFengYunQueryTarget;
constexpr const auto& kBoxes = test::kFengYunTileBoxes;
using test::FengYunTileTarget;

std::string PercentDecoded(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// An uncompressed BMP of 24 or 32 bits a pixel, pixels as R | G << 8 | B << 16 from the top.
struct Bitmap {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

std::optional<Bitmap> ReadBitmap(const std::string& data) {
    auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(data[at])) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(data[at + 1])) << 8 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(data[at + 2])) << 16 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(data[at + 3])) << 24;
    };
    if (data.size() < 54 || data[0] != 'B' || data[1] != 'M')
        return std::nullopt;
    Bitmap bitmap;
    const std::uint32_t offset = u32(10);
    bitmap.width = static_cast<int>(u32(18));
    const int rawHeight = static_cast<int>(u32(22));
    bitmap.bitsPerPixel = static_cast<unsigned char>(data[28]) | data[29] << 8;
    const bool topDown = rawHeight < 0;
    bitmap.height = topDown ? -rawHeight : rawHeight;
    if (bitmap.width <= 0 || bitmap.height <= 0 ||
        (bitmap.bitsPerPixel != 24 && bitmap.bitsPerPixel != 32))
        return std::nullopt;
    const std::size_t bytes = static_cast<std::size_t>(bitmap.bitsPerPixel / 8);
    const std::size_t stride = (bitmap.width * bytes + 3) / 4 * 4;
    if (data.size() < offset + stride * bitmap.height)
        return std::nullopt;
    bitmap.pixels.resize(static_cast<std::size_t>(bitmap.width) * bitmap.height);
    for (int y = 0; y < bitmap.height; ++y) {
        const std::size_t row = offset + stride * (topDown ? y : bitmap.height - 1 - y);
        for (int x = 0; x < bitmap.width; ++x) {
            const std::size_t at = row + x * bytes;
            bitmap.pixels[static_cast<std::size_t>(y) * bitmap.width + x] =
                static_cast<unsigned char>(data[at + 2]) |
                static_cast<unsigned char>(data[at + 1]) << 8 |
                static_cast<unsigned char>(data[at]) << 16;
        }
    }
    return bitmap;
}

// Width and height from a JPEG's frame header; nothing when there is none.
std::optional<std::pair<int, int>> JpegSize(const std::string& data) {
    auto byte = [&](std::size_t at) { return static_cast<unsigned char>(data[at]); };
    std::size_t at = 2;
    while (at + 9 < data.size() && byte(at) == 0xFF) {
        const int marker = byte(at + 1);
        const std::size_t length = byte(at + 2) << 8 | byte(at + 3);
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            return std::make_pair(byte(at + 7) << 8 | byte(at + 8),
                                  byte(at + 5) << 8 | byte(at + 6));
        at += 2 + length;
    }
    return std::nullopt;
}

bool Near(std::uint32_t a, std::uint32_t b, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (d > tolerance || d < -tolerance)
            return false;
    }
    return true;
}

// Polls `done` every 100 ms until it holds or `limit` has passed.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

platform::CommandResult RunTool(const std::vector<std::string>& arguments) {
    return platform::SystemCommandRunner().Run(arguments, 10000);
}

class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"Xvfb", "import", "xdotool", "xprop"}) {
            if (!platform::SystemCommandRunner().IsInstalled(tool))
                GTEST_SKIP() << tool << " is not installed";
        }
        if (!platform::SystemCommandRunner().IsInstalled("xwallpaper") &&
            !platform::SystemCommandRunner().IsInstalled("hsetroot"))
            GTEST_SKIP() << "neither xwallpaper nor hsetroot is installed";
        // Plain X11 must be detected, whatever desktop runs the test.
        for (const char* name :
             {"XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP", "DESKTOP_SESSION", "WAYLAND_DISPLAY",
              "XDG_SESSION_TYPE", "GNOME_DESKTOP_SESSION_ID", "KDE_FULL_SESSION",
              "KDE_SESSION_VERSION", "MATE_DESKTOP_SESSION_ID", "DBUS_SESSION_BUS_ADDRESS",
              "QT_QPA_PLATFORMTHEME"})
            environment_.Unset(name);
        artifacts_ = VEXMORA_E2E_ARTIFACTS;
        fs::create_directories(artifacts_);
    }

    // The app's own environment: its user folders inside the temporary folder.
    std::vector<std::pair<std::string, std::string>> AppEnvironment(const std::string& display) {
        const fs::path home = run_.path() / "home";
        const fs::path runtime = run_.path() / "runtime";
        fs::create_directories(home);
        fs::create_directories(runtime);
        ::chmod(runtime.c_str(), 0700);
        return {{"DISPLAY", display},
                {"HOME", home.string()},
                {"XDG_DATA_HOME", (home / ".local/share").string()},
                {"XDG_CONFIG_HOME", (home / ".config").string()},
                {"XDG_CACHE_HOME", (home / ".cache").string()},
                {"XDG_RUNTIME_DIR", runtime.string()},
                {"QT_QPA_PLATFORM", "xcb"},
                {"TMPDIR", run_.path().string()}};
    }

    test::ScopedEnvironment environment_;
    test::TempDir run_;
    fs::path artifacts_;
};

TEST_F(EndToEndTest, FirstRefreshDownloadsFramesAndSetsTheWallpaper) {
    const auto started = Clock::now();
    satsim::SimulatorOptions options;
    options.portBase = VEXMORA_E2E_PORT_BASE;
    options.fixedNow = 1565582400; // 2019-08-12 04:00 UTC: the answers stay the same
    options.logPath = (run_.path() / "requests.jsonl").string();
    satsim::SatelliteSimulator simulator(options);
    ASSERT_NO_THROW(simulator.Start()) << "ports " << VEXMORA_E2E_PORT_BASE << ".. are taken";

    auto xvfb = test::Xvfb::Start(kScreenWidth, kScreenHeight);
    ASSERT_TRUE(xvfb) << "Xvfb did not start";
    const std::string display = xvfb->display();
    environment_.Set("DISPLAY", display); // xdotool knows no other way
    std::unique_ptr<test::BackgroundProcess> tray;
    if (platform::SystemCommandRunner().IsInstalled("trayer")) {
        tray = test::BackgroundProcess::Start(
            {"trayer", "--edge", "bottom", "--align", "right", "--widthtype", "request", "--height",
             std::to_string(kTrayHeight), "--SetDockType", "true"},
            {{"DISPLAY", display}});
        // The tray selection is taken when trayer has mapped its window.
        WaitFor(
            [&] {
                return RunTool({"xdotool", "search", "--onlyvisible", "--class", "trayer"})
                    .Succeeded();
            },
            std::chrono::seconds(5));
    }

    // The program as a user has it: a folder of its own, its data folder beside it.
    const fs::path app = run_.path() / "vexmora";
    fs::copy_file(VEXMORA_E2E_APP, app);
    const fs::path data = run_.path() / "data";
    fs::create_directories(data);
    {
        std::ofstream ini(data / "vxmr.ini", std::ios::binary);
        // Wallpaper on, high definition; FengYun-4A, centred, 640x480 are the defaults.
        ini << platform::Utf8ToGbkBytes("[设置]\r\n设置壁纸=真\r\n图片画质=1\r\n");
    }
    const fs::path appLog = artifacts_ / "e2e-vexmora.log";
    auto program = test::BackgroundProcess::Start(
        {"/bin/sh", "-c", "exec \"$0\" >\"$1\" 2>&1", app.string(), appLog.string()},
        AppEnvironment(display));
    ASSERT_TRUE(program);

    const fs::path raw = data / "vxmr_1.png";
    const fs::path framed = data / "vxmr.png";
    // Both are replaced atomically, so a file that exists is whole.
    const bool written =
        WaitFor([&] { return !program->Running() || (fs::exists(raw) && fs::exists(framed)); },
                std::chrono::seconds(60));
    ASSERT_TRUE(program->Running()) << "the program ended; its output: " << appLog;
    ASSERT_TRUE(written) << "no pictures after 60 s; the program's output: " << appLog;

    std::optional<Bitmap> picture = ReadBitmap(ReadFile(raw));
    ASSERT_TRUE(picture) << "vxmr_1.png is not the joined bitmap";
    const auto tile = JpegSize(simulator.Fy4aTile(1));
    ASSERT_TRUE(tile);
    EXPECT_EQ(picture->width, 2 * tile->first);
    EXPECT_EQ(picture->height, 2 * tile->second);
    EXPECT_EQ(picture->bitsPerPixel, 32);
    std::optional<Bitmap> wallpaper = ReadBitmap(ReadFile(framed));
    ASSERT_TRUE(wallpaper) << "vxmr.png is not a BMP";
    EXPECT_EQ(wallpaper->width, 640);
    EXPECT_EQ(wallpaper->height, 480);
    EXPECT_EQ(wallpaper->bitsPerPixel, 24);

    // The plain-X11 setters leave the root pixmap's id on the root window.
    const bool rootSet = WaitFor(
        [&] {
            const auto result = RunTool({"xprop", "-display", display, "-root", "_XROOTPMAP_ID"});
            return result.Succeeded() && result.output.find("PIXMAP") != std::string::npos &&
                   result.output.find("# 0x") != std::string::npos;
        },
        std::chrono::seconds(20));
    EXPECT_TRUE(rootSet) << "no root pixmap was set; the program's output: " << appLog;

    // The requests of one HD fetch, one after the other, each with the default header block.
    std::vector<std::string> expected = {std::string("fy4a-query ") + kQueryTarget};
    const std::string date = simulator.Fy4aLatestDate();
    const std::string time = simulator.Fy4aLatestTime().substr(0, 4);
    for (const char* box : kBoxes)
        expected.push_back("fy4a-tile " + FengYunTileTarget(date, time, box));
    std::vector<std::string> seen;
    for (const auto& request : simulator.Requests()) {
        if (request.endpoint == "site")
            continue; // the pages and the update check are not part of a refresh
        seen.push_back(request.endpoint + " " + request.target);
        EXPECT_EQ(request.method, "GET");
        const std::string server = request.endpoint == "fy4a-tile"
                                       ? simulator.Address(Endpoint::Fy4aTile)
                                       : simulator.Address(Endpoint::Fy4aQuery);
        std::set<std::string> names;
        for (const auto& header : request.headers)
            names.insert(header.first);
        EXPECT_EQ(names, (std::set<std::string>{"Accept", "Accept-Language", "Host", "Referer",
                                                "User-Agent"}))
            << request.target;
        EXPECT_EQ(request.Header("Accept"), "*/*");
        EXPECT_EQ(request.Header("Accept-Language"), "zh-cn");
        EXPECT_EQ(request.Header("User-Agent"),
                  "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
        EXPECT_EQ(request.Header("Referer"), PercentDecoded(server + request.target));
        EXPECT_EQ(request.Header("Host"), server.substr(server.find("//") + 2));
    }
    EXPECT_EQ(seen, expected);

    // The window with its picture and log lines, kept for a person to look at.
    std::this_thread::sleep_for(std::chrono::milliseconds(500)); // the last log line painted
    const fs::path screenshot = artifacts_ / "e2e-window.png";
    fs::remove(screenshot);
    std::string window;
    long largest = 0;
    const auto found = RunTool({"xdotool", "search", "--onlyvisible", "--class", "vexmora"});
    std::istringstream ids(found.output);
    for (std::string id; ids >> id;) {
        const auto geometry = RunTool({"xwininfo", "-display", display, "-id", id});
        long w = 0, h = 0;
        std::istringstream lines(geometry.output);
        for (std::string line; std::getline(lines, line);) {
            std::sscanf(line.c_str(), "  Width: %ld", &w);
            std::sscanf(line.c_str(), "  Height: %ld", &h);
        }
        if (w * h > largest) {
            largest = w * h;
            window = id;
        }
    }
    EXPECT_FALSE(window.empty()) << "no visible window of the program";
    const auto shot = RunTool({"import", "-display", display, "-window",
                               window.empty() ? std::string("root") : window, screenshot.string()});
    EXPECT_TRUE(shot.Succeeded()) << shot.errors;
    std::printf("[ screenshot ] %s\n[ app output ] %s\n", screenshot.c_str(), appLog.c_str());

    // Ended the way a session ends it; then nothing covers the root window but the tray.
    program->Stop();
    EXPECT_FALSE(program->Running());
    std::optional<test::Screenshot> root = xvfb->GrabRoot();
    ASSERT_TRUE(root);
    ASSERT_EQ(root->width, kScreenWidth);
    ASSERT_EQ(root->height, kScreenHeight);
    // Centred, the 640x480 picture covers the screen exactly: every visible pixel is its own.
    int compared = 0;
    int mismatched = 0;
    std::set<std::uint32_t> colours;
    for (int y = 8; y < kScreenHeight - kTrayHeight - 8; y += 16) {
        for (int x = 4; x < kScreenWidth; x += 16) {
            ++compared;
            colours.insert(wallpaper->At(x, y));
            if (!Near(root->Pixel(x, y), wallpaper->At(x, y), 2))
                ++mismatched;
        }
    }
    EXPECT_EQ(mismatched, 0) << "of " << compared << " sampled root pixels";
    EXPECT_GT(colours.size(), 4u) << "the wallpaper is one flat colour";
    // The black strips beside the disk reach the screen's edges.
    EXPECT_EQ(root->Pixel(2, kScreenHeight / 2) & 0xFFFFFF, 0u);
    EXPECT_EQ(root->Pixel(kScreenWidth - 3, kScreenHeight / 2) & 0xFFFFFF, 0u);

    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    std::printf("[ e2e ] %.1f s from the simulator's start to the end\n", seconds);
}

} // namespace
} // namespace vexmora
