#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vexmora::test {

// A helper server a test runs beside itself (Xvfb, a session bus): started without a shell in
// a process group of its own, ended with everything it started when the object goes away.
class BackgroundProcess {
public:
    // Starts the program with the extra environment variables; nothing when it cannot be
    // started. When `keepOutput` is set its standard output can be read with ReadLine.
    static std::unique_ptr<BackgroundProcess>
    Start(const std::vector<std::string>& arguments,
          const std::vector<std::pair<std::string, std::string>>& environment = {},
          bool keepOutput = false, const std::vector<int>& inheritedDescriptors = {});
    ~BackgroundProcess();
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    // One line of its standard output without the line end, waiting at most `timeoutMs`;
    // nothing on time-out or end of output.
    bool ReadLine(std::string& line, int timeoutMs);
    bool Running();
    void Stop();

private:
    BackgroundProcess() = default;
    int pid_ = -1;
    int output_ = -1;
    std::string pending_;
};

// Reads one line from a descriptor, waiting at most `timeoutMs`.
bool ReadLineFrom(int fd, std::string& pending, std::string& line, int timeoutMs);

} // namespace vexmora::test
