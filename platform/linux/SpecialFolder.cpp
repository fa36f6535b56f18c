#include "platform/SpecialFolder.h"

#include "platform/CodePage.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace vexmora::platform {
namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string HomeFolder() {
    std::string home = Environment("HOME");
    if (!home.empty())
        return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir)
        return found->pw_dir;
    return {};
}

// An XDG base folder: the variable when it holds an absolute path, else the fallback under
// the home folder (empty when there is no home folder).
std::string BaseFolder(const char* variable, const char* underHome) {
    std::string value = Environment(variable);
    if (value.empty() || value.front() != '/') {
        const std::string home = HomeFolder();
        value = home.empty() ? std::string() : home + "/" + underHome;
    }
    while (value.size() > 1 && value.back() == '/')
        value.pop_back();
    return value;
}

// A folder named in user-dirs.dirs, e.g. XDG_DESKTOP_DIR="$HOME/Desktop".
std::string UserDirectory(const std::string& key, const char* fallback) {
    const std::string home = HomeFolder();
    const std::string config = BaseFolder("XDG_CONFIG_HOME", ".config");
    if (!config.empty()) {
        std::ifstream file(config + "/user-dirs.dirs");
        std::string line;
        while (std::getline(file, line)) {
            const std::size_t start = line.find_first_not_of(" \t");
            if (start == std::string::npos || line[start] == '#')
                continue;
            if (line.compare(start, key.size() + 1, key + "=") != 0)
                continue;
            std::string value = line.substr(start + key.size() + 1);
            while (!value.empty() && (value.back() == '\r' || value.back() == ' '))
                value.pop_back();
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            if (value.rfind("$HOME", 0) == 0 && !home.empty())
                value = home + value.substr(5);
            if (!value.empty() && value.front() == '/')
                return value;
        }
    }
    return home.empty() ? std::string() : home + "/" + fallback;
}

std::string NativeFolder(int kind) {
    switch (kind) {
    case kDesktopFolderDefault:
    case kDesktopFolder:
        return UserDirectory("XDG_DESKTOP_DIR", "Desktop");
    case kDocumentsFolder:
        return UserDirectory("XDG_DOCUMENTS_DIR", "Documents");
    case kFavoritesFolder:
        return {};
    case kFontsFolder: {
        const std::string data = BaseFolder("XDG_DATA_HOME", ".local/share");
        return data.empty() ? data : data + "/fonts";
    }
    case kStartMenuFolder:
    case kProgramsFolder: {
        const std::string data = BaseFolder("XDG_DATA_HOME", ".local/share");
        return data.empty() ? data : data + "/applications";
    }
    case kStartupFolder: {
        const std::string config = BaseFolder("XDG_CONFIG_HOME", ".config");
        return config.empty() ? config : config + "/autostart";
    }
    case kApplicationDataFolder:
        return BaseFolder("XDG_DATA_HOME", ".local/share");
    case kWindowsFolder: {
        const std::string data = BaseFolder("XDG_DATA_HOME", ".local/share");
        if (data.empty())
            return data;
        // Desktops look for user backgrounds here; the wallpaper bitmap is written into it,
        // so it must exist.
        const std::string folder = data + "/backgrounds";
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        return std::filesystem::is_directory(folder, error) ? folder : std::string();
    }
    case kSystemFolder:
        return "/usr/lib";
    case kTemporaryFolder: {
        const std::string temporary = Environment("TMPDIR");
        return !temporary.empty() && temporary.front() == '/' ? temporary : "/tmp";
    }
    case kInternetCacheFolder:
        return BaseFolder("XDG_CACHE_HOME", ".cache");
    default:
        return {};
    }
}

} // namespace

Text SpecialFolderPath(int kind) {
    std::string folder = NativeFolder(kind);
    if (folder.empty())
        return {};
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (folder != "/")
        folder += '/';
    return Utf8ToGbkBytes(folder);
}

} // namespace vexmora::platform
