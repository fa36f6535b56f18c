#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Running a helper program (gsettings, xfconf-query, xwallpaper, ...) the way a desktop tool
// must: an argument vector handed to the program directly, never through a shell, so spaces
// and quotes in paths mean nothing special; a time limit after which the program is killed;
// its output captured.
namespace vexmora::platform {

// Milliseconds. (No <chrono> here: it does not compile with the core's GBK literals.)
inline constexpr long kDefaultCommandTimeLimit = 10000;

struct CommandResult {
    // False when the program could not be started (not installed, not executable).
    bool started = false;
    // True when the time limit ran out and the program was killed.
    bool timedOut = false;
    // The exit status of a program that ended normally; -1 otherwise.
    int exitCode = -1;
    // What the program wrote, each capped at kCapturedOutputLimit bytes.
    std::string output;
    std::string errors;

    bool Succeeded() const { return started && !timedOut && exitCode == 0; }
};

inline constexpr std::size_t kCapturedOutputLimit = 1024 * 1024;

class CommandRunner {
public:
    virtual ~CommandRunner() = default;

    // Runs arguments[0] (looked up in PATH unless it holds a '/') with the whole vector as its
    // arguments, standard input empty, and waits for it to end or for the time limit.
    virtual CommandResult Run(const std::vector<std::string>& arguments,
                              long timeLimitMs = kDefaultCommandTimeLimit) = 0;

    // Whether the program can be found the way Run would find it.
    virtual bool IsInstalled(const std::string& program) = 0;
};

// Runs real processes. Safe to use from several threads at once.
CommandRunner& SystemCommandRunner();

// One line for a failure report, e.g. "gsettings is not installed", "xwallpaper timed out
// after 10 s", "dbus-send failed (exit 1): <first line it wrote on stderr>".
std::string DescribeFailure(const std::string& program, const CommandResult& result,
                            long timeLimitMs = kDefaultCommandTimeLimit);

} // namespace vexmora::platform
