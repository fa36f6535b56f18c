#include "platform/CommandRunner.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vexmora::platform {
namespace {

using Clock = std::chrono::steady_clock;

// A file descriptor that closes itself.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { Close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor(Descriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Descriptor& operator=(Descriptor&& other) noexcept {
        if (this != &other) {
            Close();
            fd_ = other.fd_;
            other.fd_ = -1;
        }
        return *this;
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void Close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

struct Pipe {
    Descriptor read;
    Descriptor write;
    bool Open() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return false;
        read = Descriptor(fds[0]);
        write = Descriptor(fds[1]);
        return true;
    }
};

class SpawnActions {
public:
    SpawnActions() { ok_ = ::posix_spawn_file_actions_init(&actions_) == 0; }
    ~SpawnActions() {
        if (ok_)
            ::posix_spawn_file_actions_destroy(&actions_);
    }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    bool ok() const { return ok_; }
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_{};
    bool ok_ = false;
};

class SpawnAttributes {
public:
    SpawnAttributes() { ok_ = ::posix_spawnattr_init(&attributes_) == 0; }
    ~SpawnAttributes() {
        if (ok_)
            ::posix_spawnattr_destroy(&attributes_);
    }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    bool ok() const { return ok_; }
    posix_spawnattr_t* get() { return &attributes_; }

private:
    posix_spawnattr_t attributes_{};
    bool ok_ = false;
};

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// Reads what is available; false at end of file or on an error.
bool ReadSome(int fd, std::string& into) {
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            const std::size_t room =
                into.size() < kCapturedOutputLimit ? kCapturedOutputLimit - into.size() : 0;
            into.append(buffer, std::min<std::size_t>(room, static_cast<std::size_t>(got)));
            return true;
        }
        if (got < 0 && errno == EINTR)
            continue;
        return false;
    }
}

int ExitCodeOf(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class ProcessRunner final : public CommandRunner {
public:
    CommandResult Run(const std::vector<std::string>& arguments, long timeLimitMs) override {
        CommandResult result;
        if (arguments.empty() || arguments.front().empty())
            return result;

        Pipe out;
        Pipe err;
        SpawnActions actions;
        SpawnAttributes attributes;
        if (!out.Open() || !err.Open() || !actions.ok() || !attributes.ok())
            return result;
        ::posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        ::posix_spawn_file_actions_adddup2(actions.get(), out.write.get(), STDOUT_FILENO);
        ::posix_spawn_file_actions_adddup2(actions.get(), err.write.get(), STDERR_FILENO);

        // The child leads a process group of its own so that a time-out ends whatever it
        // started too; it gets the default signal dispositions and an empty signal mask
        // whatever this process has set up for itself.
        sigset_t defaults;
        sigemptyset(&defaults);
        for (int signal : {SIGPIPE, SIGCHLD, SIGINT, SIGTERM, SIGHUP, SIGQUIT})
            sigaddset(&defaults, signal);
        sigset_t empty;
        sigemptyset(&empty);
        ::posix_spawnattr_setsigdefault(attributes.get(), &defaults);
        ::posix_spawnattr_setsigmask(attributes.get(), &empty);
        ::posix_spawnattr_setpgroup(attributes.get(), 0);
        ::posix_spawnattr_setflags(attributes.get(), POSIX_SPAWN_SETSIGDEF |
                                                         POSIX_SPAWN_SETSIGMASK |
                                                         POSIX_SPAWN_SETPGROUP);

        std::vector<char*> argv;
        argv.reserve(arguments.size() + 1);
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);

        pid_t pid = -1;
        if (::posix_spawnp(&pid, argv[0], actions.get(), attributes.get(), argv.data(), environ) !=
            0)
            return result;
        result.started = true;
        out.write.Close();
        err.write.Close();

        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeLimitMs);
        bool exited = false;
        int status = 0;
        Descriptor* streams[2] = {&out.read, &err.read};
        std::string* sinks[2] = {&result.output, &result.errors};

        for (;;) {
            if (!exited) {
                const pid_t done = ::waitpid(pid, &status, WNOHANG);
                exited = done == pid;
            }
            pollfd fds[2];
            nfds_t count = 0;
            int which[2];
            for (int i = 0; i < 2; ++i) {
                if (streams[i]->valid()) {
                    fds[count] = {streams[i]->get(), POLLIN, 0};
                    which[count++] = i;
                }
            }
            if (count == 0 && exited)
                break;
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0 && !exited) {
                result.timedOut = true;
                break;
            }
            // Once the program has ended only what is already in the pipes is read: a
            // daemon it left behind may keep them open for ever.
            const int wait = exited ? 0 : static_cast<int>(std::min<long long>(left.count(), 20));
            if (count == 0) {
                ::poll(nullptr, 0, wait);
                continue;
            }
            const int ready = ::poll(fds, count, wait);
            if (ready < 0 && errno != EINTR)
                break;
            if (ready == 0 && exited)
                break;
            for (nfds_t k = 0; k < count; ++k) {
                if (fds[k].revents & (POLLIN | POLLHUP | POLLERR)) {
                    const int i = which[k];
                    if (!ReadSome(streams[i]->get(), *sinks[i]))
                        streams[i]->Close();
                }
            }
        }

        if (!exited) {
            ::kill(-pid, SIGKILL);
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            result.exitCode = -1;
            return result;
        }
        result.exitCode = ExitCodeOf(status);
        return result;
    }

    bool IsInstalled(const std::string& program) override {
        if (program.empty())
            return false;
        if (program.find('/') != std::string::npos)
            return IsExecutableFile(program);
        const char* path = std::getenv("PATH");
        const std::string folders = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = folders.find(':', start);
            std::string folder = folders.substr(start, end - start);
            if (folder.empty())
                folder = ".";
            if (IsExecutableFile(folder + "/" + program))
                return true;
            if (end == std::string::npos)
                return false;
            start = end + 1;
        }
    }
};

} // namespace

CommandRunner& SystemCommandRunner() {
    static ProcessRunner runner;
    return runner;
}

std::string DescribeFailure(const std::string& program, const CommandResult& result,
                            long timeLimitMs) {
    if (!result.started)
        return program + " is not installed";
    if (result.timedOut) {
        const double seconds = static_cast<double>(timeLimitMs) / 1000.0;
        char text[32];
        std::snprintf(text, sizeof text, "%g", seconds);
        return program + " timed out after " + text + " s";
    }
    std::string line = program + " failed";
    line += result.exitCode >= 0 ? " (exit " + std::to_string(result.exitCode) + ")"
                                 : std::string(" (killed by a signal)");
    std::string detail = result.errors.empty() ? result.output : result.errors;
    const std::size_t begin = detail.find_first_not_of(" \t\r\n");
    if (begin != std::string::npos) {
        detail = detail.substr(begin);
        detail = detail.substr(0, detail.find_first_of("\r\n"));
        if (detail.size() > 200)
            detail = detail.substr(0, 200) + "...";
        line += ": " + detail;
    }
    return line;
}

} // namespace vexmora::platform
