#include "platform/FileSystem.h"

#include "platform/CodePage.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexmora::platform {
namespace {

// Owns a file descriptor.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    bool close() {
        if (fd_ < 0) {
            return true;
        }
        int rc = ::close(fd_);
        fd_ = -1;
        return rc == 0;
    }

private:
    int fd_;
};

bool WriteAll(int fd, const std::uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Deletes the temporary file unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
    ~TemporaryFile() {
        if (!path_.empty()) {
            ::unlink(path_.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    std::string& path() { return path_; }
    void release() { path_.clear(); }

private:
    std::string path_;
};

bool WriteBytes(const Text& path, const std::uint8_t* data, size_t size) {
    const std::string target = NativePath(path);
    if (target.empty()) {
        return false;
    }
    TemporaryFile temporary(target + ".XXXXXX");
    FileDescriptor fd(::mkstemp(temporary.path().data()));
    if (!fd.valid()) {
        temporary.release();
        return false;
    }
    // mkstemp makes the file private; a settings file or a picture is the user's ordinary file.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd.get(), 0666 & ~mask);
    if (!WriteAll(fd.get(), data, size) || ::fsync(fd.get()) != 0 || !fd.close()) {
        return false;
    }
    if (::rename(temporary.path().c_str(), target.c_str()) != 0) {
        return false;
    }
    temporary.release();
    return true;
}

} // namespace

std::string NativePath(const Text& path) {
    return GbkToUtf8(path);
}

std::optional<Bytes> ReadWholeFile(const Text& path) {
    FileDescriptor fd(::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) {
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    Bytes content;
    content.reserve(static_cast<size_t>(info.st_size));
    std::uint8_t buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        content.insert(content.end(), buffer, buffer + got);
    }
    return content;
}

bool WriteWholeFile(const Text& path, const Bytes& content) {
    return WriteBytes(path, content.data(), content.size());
}

bool WriteWholeFile(const Text& path, const Text& content) {
    return WriteBytes(path, reinterpret_cast<const std::uint8_t*>(content.data()), content.size());
}

bool DeleteFile(const Text& path) {
    return ::unlink(NativePath(path).c_str()) == 0;
}

bool FileExists(const Text& path) {
    struct stat info {};
    return ::stat(NativePath(path).c_str(), &info) == 0;
}

bool IsDirectory(const Text& path) {
    struct stat info {};
    return ::stat(NativePath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool MakeDirectories(const Text& path) {
    std::string native = NativePath(path);
    if (native.empty()) {
        return false;
    }
    // Create each prefix that ends before a '/', then the whole path.
    for (size_t slash = native.find('/', 1); slash != std::string::npos;
         slash = native.find('/', slash + 1)) {
        std::string prefix = native.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) {
            return false;
        }
    }
    if (::mkdir(native.c_str(), 0777) != 0 && errno != EEXIST) {
        return false;
    }
    struct stat info {};
    return ::stat(native.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

Text ExecutableDirectory() {
    char buffer[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) {
        return {};
    }
    std::string native(buffer, static_cast<size_t>(length));
    size_t slash = native.rfind('/');
    native = slash == 0 ? std::string() : native.substr(0, slash);
    return Utf8ToGbkBytes(native);
}

Text TempDirectory() {
    const char* env = std::getenv("TMPDIR");
    std::string folder = env && *env ? env : "/tmp";
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    if (folder != "/") {
        folder += '/';
    }
    return Utf8ToGbkBytes(folder);
}

} // namespace vexmora::platform
