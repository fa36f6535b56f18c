#include "acquire/RefreshRunner.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "tests/acquire/AcquireTesting.h"
#include "tests/support/TempDir.h"

namespace vexmora {
namespace {

using satsim::Endpoint;
using satsim::Fault;
using test::RecordedHost;
using test::Simulator;

const Text kStart = " 正在更新地球图片……";
constexpr std::chrono::seconds kPatience(20);

class RefreshRunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::ResetSimulator();
        environment_.dataFolder = platform::Utf8ToGbkBytes(folder_.path().string());
        environment_.endpoints = test::SimulatorEndpoints();
        environment_.wallpaper = &wallpaper_;
        environment_.pause = [](std::chrono::milliseconds) {};
    }

    static int Count(const std::vector<Text>& messages, const Text& message) {
        return static_cast<int>(std::count(messages.begin(), messages.end(), message));
    }

    // Every cycle's events lie between its disabling and its re-arming, never interleaved.
    static void ExpectNoOverlap(const RecordedHost& host) {
        int open = 0;
        for (const std::string& event : host.Events()) {
            if (event == "enable group 0") {
                ++open;
                EXPECT_EQ(open, 1) << "a cycle started while another ran";
            } else if (event == "enable group 1") {
                --open;
            }
        }
        EXPECT_EQ(open, 0);
    }

    test::TempDir folder_;
    CycleEnvironment environment_;
    test::RecordedWallpaper wallpaper_;
};

TEST_F(RefreshRunnerTest, RefreshNowWhileIdleArmsTheTimerSoon) {
    RecordedHost host;
    RefreshRunner runner(host, environment_);
    runner.RefreshNow();
    EXPECT_EQ(host.TimerPeriods(), std::vector<int>{100});
    EXPECT_FALSE(runner.Running());
}

TEST_F(RefreshRunnerTest, ATickRunsOneCycleOnTheWorkerAndTicksMeanwhileAreIgnored) {
    Simulator().SetFault(Endpoint::Himawari, Fault::Slow);
    RecordedHost::Options options;
    options.source = 1;
    options.interval = 1;
    RecordedHost host(options);
    RefreshRunner runner(host, environment_);
    std::thread::id worker;
    host.OnLog(kStart, [&] { worker = std::this_thread::get_id(); });

    EXPECT_TRUE(runner.Tick());
    EXPECT_TRUE(runner.Running());
    // The ticks that arrive before the cycle has stopped the timer, or while it runs.
    EXPECT_FALSE(runner.Tick());
    EXPECT_FALSE(runner.Tick());
    ASSERT_TRUE(runner.WaitUntilIdle(kPatience));
    EXPECT_NE(worker, std::this_thread::get_id());
    EXPECT_EQ(Count(host.Messages(), kStart), 1);
    EXPECT_EQ(host.TimerPeriods().back(), 600000);

    EXPECT_TRUE(runner.Tick()); // after the cycle a tick starts the next one
    ASSERT_TRUE(runner.WaitUntilIdle(kPatience));
    EXPECT_EQ(Count(host.Messages(), kStart), 2);
    ExpectNoOverlap(host);
}

TEST_F(RefreshRunnerTest, ARefreshAskedForDuringACycleRunsRightAfterIt) {
    RecordedHost::Options options;
    options.source = 1;
    options.interval = 2;
    RecordedHost host(options);
    RefreshRunner runner(host, environment_);
    // A change of quality from the tray while the download runs.
    bool asked = false;
    host.OnLog(kStart, [&] {
        if (!asked) {
            asked = true;
            host.Change([](auto& o) { o.quality = 1; });
            runner.RefreshNow();
        }
    });
    ASSERT_TRUE(runner.Tick());
    ASSERT_TRUE(runner.WaitUntilIdle(kPatience));
    // The cycle ends by arming the timer for the next one at once, not after the interval.
    EXPECT_EQ(host.TimerPeriods(), (std::vector<int>{0, 100}));
    // The next tick reads the new quality: a high-definition cycle of four tiles.
    Simulator().ClearRequests();
    ASSERT_TRUE(runner.Tick());
    ASSERT_TRUE(runner.WaitUntilIdle(kPatience));
    EXPECT_EQ(Simulator().Requests(Endpoint::Himawari).size(), 5u);
    // That cycle asked for nothing more: it arms the timer from the interval.
    EXPECT_EQ(host.TimerPeriods().back(), 2 * 600000);
}

TEST_F(RefreshRunnerTest, TicksAndRequestsFromManyThreadsNeverOverlapCycles) {
    Simulator().SetFault(Endpoint::Himawari, Fault::MissingMarkers); // short cycles
    RecordedHost::Options options;
    options.source = 1;
    options.switchOnFailure = false;
    RecordedHost host(options);
    std::atomic<int> started{0};
    {
        RefreshRunner runner(host, environment_);
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&, t] {
                for (int i = 0; i < 30; ++i) {
                    if (runner.Tick()) {
                        ++started;
                    }
                    if (i % 3 == t % 3) {
                        runner.RefreshNow();
                    }
                    host.Change([i](auto& o) { o.interval = i % 4; });
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        ASSERT_TRUE(runner.WaitUntilIdle(kPatience));
    }
    EXPECT_GE(started.load(), 1);
    EXPECT_EQ(Count(host.Messages(), kStart), started.load());
    ExpectNoOverlap(host);
}

TEST_F(RefreshRunnerTest, DestroyingTheRunnerWaitsForTheCycleItRuns) {
    Simulator().SetFault(Endpoint::Himawari, Fault::Slow);
    RecordedHost::Options options;
    options.source = 1;
    options.setWallpaper = false;
    RecordedHost host(options);
    std::atomic<bool> begun{false};
    host.OnLog(kStart, [&] { begun = true; });
    {
        RefreshRunner runner(host, environment_);
        ASSERT_TRUE(runner.Tick());
        while (!begun) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    std::vector<std::string> events = host.Events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().rfind("timer ", 0), 0u);
}

} // namespace
} // namespace vexmora
