#include "platform/CommandRunner.h"

#include "tests/support/TempDir.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vexmora::platform {
namespace {

using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

TEST(CommandRunnerTest, ArgumentsReachTheProgramUnchangedWithoutAShell) {
    const std::vector<std::string> tricky = {
        "with space", "it's", "\"quoted\"", "$HOME", "`id`", "a;b", "*", "", "桌面背景图片.bmp"};
    std::vector<std::string> command = {"printf", "[%s]\\n"};
    command.insert(command.end(), tricky.begin(), tricky.end());

    const CommandResult result = SystemCommandRunner().Run(command);

    ASSERT_TRUE(result.Succeeded()) << result.errors;
    std::string expected;
    for (const std::string& argument : tricky)
        expected += "[" + argument + "]\n";
    EXPECT_EQ(result.output, expected);
}

TEST(CommandRunnerTest, ReportsExitStatusAndBothStreams) {
    const CommandResult result =
        SystemCommandRunner().Run({"sh", "-c", "echo out; echo err >&2; exit 3"});
    EXPECT_TRUE(result.started);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.output, "out\n");
    EXPECT_EQ(result.errors, "err\n");
    EXPECT_FALSE(result.Succeeded());
    EXPECT_EQ(DescribeFailure("sh", result), "sh failed (exit 3): err");
}

TEST(CommandRunnerTest, StandardInputIsEmpty) {
    const CommandResult result = SystemCommandRunner().Run({"cat"}, 5000);
    EXPECT_TRUE(result.Succeeded());
    EXPECT_EQ(result.output, "");
}

TEST(CommandRunnerTest, AMissingProgramIsNotStarted) {
    CommandRunner& runner = SystemCommandRunner();
    const CommandResult result = runner.Run({"vexmora-no-such-program"});
    EXPECT_FALSE(result.started);
    EXPECT_FALSE(result.Succeeded());
    EXPECT_EQ(DescribeFailure("vexmora-no-such-program", result),
              "vexmora-no-such-program is not installed");
    EXPECT_FALSE(runner.Run({}).started);
    EXPECT_FALSE(runner.IsInstalled("vexmora-no-such-program"));
    EXPECT_TRUE(runner.IsInstalled("sh"));
    EXPECT_TRUE(runner.IsInstalled("/bin/sh"));
    EXPECT_FALSE(runner.IsInstalled("/etc/passwd"));
}

TEST(CommandRunnerTest, TheTimeLimitKillsTheProgramAndWhatItStarted) {
    test::TempDir dir;
    const std::string marker = (dir.path() / "survived").string();
    const auto start = Clock::now();
    // The child's own child would write the marker after a second unless it dies too.
    const CommandResult result = SystemCommandRunner().Run(
        {"sh", "-c", "(sleep 1; touch '" + marker + "') & sleep 30"}, 300);
    EXPECT_TRUE(result.started);
    EXPECT_TRUE(result.timedOut);
    EXPECT_FALSE(result.Succeeded());
    EXPECT_LT(ElapsedMs(start), 3000);
    EXPECT_EQ(DescribeFailure("sh", result, 300), "sh timed out after 0.3 s");
    std::this_thread::sleep_for(std::chrono::milliseconds(1300));
    EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST(CommandRunnerTest, AChildLeftRunningWithThePipesOpenDoesNotHoldTheCaller) {
    const auto start = Clock::now();
    const CommandResult result =
        SystemCommandRunner().Run({"sh", "-c", "sleep 5 & echo started"}, 10000);
    EXPECT_TRUE(result.Succeeded());
    EXPECT_EQ(result.output, "started\n");
    EXPECT_LT(ElapsedMs(start), 3000);
}

TEST(CommandRunnerTest, LargeOutputIsReadWhileTheProgramRunsAndCapped) {
    // More than a pipe holds: a runner that waited first and read later would hang here.
    const CommandResult result =
        SystemCommandRunner().Run({"head", "-c", "3000000", "/dev/zero"}, 10000);
    EXPECT_TRUE(result.Succeeded());
    EXPECT_EQ(result.output.size(), kCapturedOutputLimit);
}

TEST(CommandRunnerTest, ManyThreadsRunAtOnce) {
    std::vector<std::thread> threads;
    std::vector<std::string> outputs(8);
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([i, &outputs] {
            outputs[i] = SystemCommandRunner().Run({"echo", std::to_string(i)}).output;
        });
    for (std::thread& thread : threads)
        thread.join();
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(outputs[i], std::to_string(i) + "\n");
}

} // namespace
} // namespace vexmora::platform
