#include "tests/support/BackgroundProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace vexmora::test {

bool ReadLineFrom(int fd, std::string& pending, std::string& line, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const std::size_t end = pending.find('\n');
        if (end != std::string::npos) {
            line = pending.substr(0, end);
            pending.erase(0, end + 1);
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0)
            return false;
        pollfd poller{fd, POLLIN, 0};
        const int ready = ::poll(&poller, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        char buffer[512];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0)
            return false;
        pending.append(buffer, static_cast<std::size_t>(got));
    }
}

std::unique_ptr<BackgroundProcess>
BackgroundProcess::Start(const std::vector<std::string>& arguments,
                         const std::vector<std::pair<std::string, std::string>>& environment,
                         bool keepOutput, const std::vector<int>& inheritedDescriptors) {
    if (arguments.empty())
        return nullptr;
    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        bool replaced = false;
        for (const auto& [name, value] : environment)
            replaced = replaced || text.rfind(name + "=", 0) == 0;
        if (!replaced)
            variables.push_back(text);
    }
    for (const auto& [name, value] : environment)
        variables.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    int fds[2] = {-1, -1};
    if (keepOutput && ::pipe2(fds, O_CLOEXEC) != 0)
        return nullptr;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (keepOutput)
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // A descriptor dup2'ed onto itself loses its close-on-exec flag, so the child keeps it.
    for (const int fd : inheritedDescriptors)
        posix_spawn_file_actions_adddup2(&actions, fd, fd);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t empty;
    sigemptyset(&empty);
    posix_spawnattr_setsigmask(&attributes, &empty);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);

    pid_t pid = -1;
    const int error =
        ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (keepOutput)
        ::close(fds[1]);
    if (error != 0) {
        if (keepOutput)
            ::close(fds[0]);
        return nullptr;
    }
    std::unique_ptr<BackgroundProcess> process(new BackgroundProcess());
    process->pid_ = pid;
    process->output_ = keepOutput ? fds[0] : -1;
    return process;
}

BackgroundProcess::~BackgroundProcess() {
    Stop();
}

bool BackgroundProcess::ReadLine(std::string& line, int timeoutMs) {
    return output_ >= 0 && ReadLineFrom(output_, pending_, line, timeoutMs);
}

bool BackgroundProcess::Running() {
    if (pid_ < 0)
        return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

void BackgroundProcess::Stop() {
    if (pid_ > 0) {
        ::kill(-pid_, SIGTERM);
        int status = 0;
        bool ended = false;
        for (int i = 0; i < 100 && !ended; ++i) {
            ended = ::waitpid(pid_, &status, WNOHANG) == pid_;
            if (!ended)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (!ended) {
            ::kill(-pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
        }
        pid_ = -1;
    }
    if (output_ >= 0) {
        ::close(output_);
        output_ = -1;
    }
}

} // namespace vexmora::test
