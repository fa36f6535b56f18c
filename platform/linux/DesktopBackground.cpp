#include "platform/DesktopBackground.h"

#include "platform/linux/DesktopBackgroundLinux.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <system_error>
#include <unistd.h>

namespace vexmora::platform {
namespace desktop {
namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

struct KnownName {
    const char* prefix;
    Desktop desktop;
};

// Names as desktops give them in XDG_CURRENT_DESKTOP ("ubuntu:GNOME", "X-Cinnamon",
// "Budgie:GNOME") and DESKTOP_SESSION ("gnome-xorg", "plasmawayland", "LXDE-pi"), lower
// case, matched as prefixes. Window managers without a desktop of their own draw nothing
// behind the windows: the root window is the background.
constexpr KnownName kDesktopNames[] = {
    {"gnome", Desktop::Gnome},       {"ubuntu", Desktop::Gnome},
    {"unity", Desktop::Gnome},       {"budgie", Desktop::Gnome},
    {"pantheon", Desktop::Gnome},    {"x-cinnamon", Desktop::Cinnamon},
    {"cinnamon", Desktop::Cinnamon}, {"mate", Desktop::Mate},
    {"kde", Desktop::Kde},           {"plasma", Desktop::Kde},
    {"xfce", Desktop::Xfce},         {"lxde", Desktop::Lxde},
    {"lxqt", Desktop::Lxqt},         {"sway", Desktop::Sway},
    {"i3", Desktop::PlainX11},       {"openbox", Desktop::PlainX11},
    {"fluxbox", Desktop::PlainX11},  {"awesome", Desktop::PlainX11},
    {"bspwm", Desktop::PlainX11},    {"dwm", Desktop::PlainX11},
    {"icewm", Desktop::PlainX11},    {"herbstluftwm", Desktop::PlainX11},
    {"xmonad", Desktop::PlainX11},   {"windowmaker", Desktop::PlainX11},
};

Desktop DesktopOfName(const std::string& name) {
    const std::string lower = Lower(name);
    if (lower.empty())
        return Desktop::None;
    for (const KnownName& known : kDesktopNames) {
        if (lower.rfind(known.prefix, 0) == 0)
            return known.desktop;
    }
    return Desktop::None;
}

std::string Variable(const Environment& environment, const char* name) {
    const std::optional<std::string> value = environment(name);
    return value ? *value : std::string();
}

} // namespace

std::string DesktopName(Desktop desktop) {
    switch (desktop) {
    case Desktop::Gnome:
        return "GNOME";
    case Desktop::Cinnamon:
        return "Cinnamon";
    case Desktop::Mate:
        return "MATE";
    case Desktop::Kde:
        return "KDE Plasma";
    case Desktop::Xfce:
        return "XFCE";
    case Desktop::Lxde:
        return "LXDE";
    case Desktop::Lxqt:
        return "LXQt";
    case Desktop::Sway:
        return "sway/wlroots";
    case Desktop::PlainX11:
        return "plain X11";
    case Desktop::None:
        break;
    }
    return "no";
}

Desktop DetectDesktop(const Environment& environment) {
    const std::string current = Variable(environment, "XDG_CURRENT_DESKTOP");
    std::size_t start = 0;
    while (start <= current.size()) {
        const std::size_t end = std::min(current.find(':', start), current.size());
        const Desktop found = DesktopOfName(current.substr(start, end - start));
        if (found != Desktop::None)
            return found;
        start = end + 1;
    }
    std::string session = Variable(environment, "DESKTOP_SESSION");
    session = session.substr(session.find_last_of('/') + 1);
    if (const Desktop found = DesktopOfName(session); found != Desktop::None)
        return found;
    if (!Variable(environment, "SWAYSOCK").empty() ||
        !Variable(environment, "WAYLAND_DISPLAY").empty())
        return Desktop::Sway;
    if (!Variable(environment, "DISPLAY").empty())
        return Desktop::PlainX11;
    return Desktop::None;
}

ToolSession::ToolSession(CommandRunner& runner, Desktop desktop,
                         std::function<void(const std::string&)> report)
    : runner_(runner), desktop_(desktop), report_(std::move(report)) {}

bool ToolSession::Run(const std::vector<std::string>& arguments) {
    const CommandResult result = runner_.Run(arguments);
    if (result.Succeeded())
        return true;
    return Fail(DescribeFailure(arguments.front(), result));
}

CommandResult ToolSession::Query(const std::vector<std::string>& arguments) {
    return runner_.Run(arguments);
}

bool ToolSession::Fail(const std::string& what) {
    if (report_)
        report_("vexmora: desktop background not changed: " + DesktopName(desktop_) +
                " desktop detected, but " + what);
    return false;
}

std::unique_ptr<DesktopSetter> MakeDesktopSetter(Desktop desktop, ToolSession& session,
                                                 const std::string& styleFile) {
    switch (desktop) {
    case Desktop::Gnome:
    case Desktop::Cinnamon:
    case Desktop::Mate:
        return MakeGsettingsSetter(desktop, session);
    case Desktop::Kde:
        return MakeKdeSetter(session);
    case Desktop::Xfce:
        return MakeXfceSetter(session);
    case Desktop::Lxde:
    case Desktop::Lxqt:
        return MakePcmanfmSetter(desktop, session);
    case Desktop::Sway:
        return MakeSwaySetter(session, styleFile);
    case Desktop::PlainX11:
        return MakePlainX11Setter(session, styleFile);
    case Desktop::None:
        break;
    }
    return nullptr;
}

std::string FileUri(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 15];
        }
    }
    return uri;
}

WallpaperStyle ReadStyleFile(const std::string& path) {
    std::ifstream file(path);
    std::string line;
    if (std::getline(file, line) && line.size() >= 1) {
        if (line[0] == '0')
            return WallpaperStyle::Centred;
        if (line[0] == '1')
            return WallpaperStyle::Tiled;
        if (line[0] == '2')
            return WallpaperStyle::Stretched;
    }
    return WallpaperStyle::Stretched;
}

bool WriteStyleFile(const std::string& path, WallpaperStyle style) {
    std::error_code error;
    const std::filesystem::path target(path);
    if (target.has_parent_path())
        std::filesystem::create_directories(target.parent_path(), error);
    // Written beside and renamed over, so a reader never sees half a file.
    const std::string temporary = path + ".new";
    {
        std::ofstream file(temporary, std::ios::trunc);
        file << static_cast<int>(style) << '\n';
        if (!file.flush())
            return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

std::string PictureExtension(const Bytes& picture) {
    auto starts = [&](std::initializer_list<int> signature) {
        if (picture.size() < signature.size())
            return false;
        std::size_t i = 0;
        for (const int byte : signature) {
            if (picture[i++] != byte)
                return false;
        }
        return true;
    };
    if (starts({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}))
        return ".png";
    if (starts({0xFF, 0xD8, 0xFF}))
        return ".jpg";
    if (starts({'B', 'M'}) && picture.size() >= 26)
        return ".bmp";
    if (starts({'G', 'I', 'F', '8'}))
        return ".gif";
    if (starts({'I', 'I', 0x2A, 0x00}) || starts({'M', 'M', 0x00, 0x2A}))
        return ".tiff";
    return {};
}

namespace {

constexpr const char kPicturePrefix[] = "vexmora-wallpaper-";
// The newest pictures kept in the folder; the one shown is always the newest.
constexpr std::size_t kPicturesKept = 3;

// The serial number of a picture file of ours, 0 for any other name.
unsigned long long PictureSerial(const std::string& name) {
    const std::string prefix = kPicturePrefix;
    if (name.rfind(prefix, 0) != 0)
        return 0;
    std::size_t end = prefix.size();
    while (end < name.size() && std::isdigit(static_cast<unsigned char>(name[end])))
        ++end;
    if (end == prefix.size() || end - prefix.size() > 18 || end >= name.size() || name[end] != '.')
        return 0;
    return std::stoull(name.substr(prefix.size(), end - prefix.size()));
}

struct PictureFile {
    unsigned long long serial;
    std::filesystem::path path;
};

// Ours in the folder, newest first.
std::vector<PictureFile> PictureFiles(const std::string& folder) {
    std::vector<PictureFile> files;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (const unsigned long long serial = PictureSerial(name); serial > 0)
            files.push_back({serial, it->path()});
    }
    std::sort(files.begin(), files.end(),
              [](const PictureFile& a, const PictureFile& b) { return a.serial > b.serial; });
    return files;
}

bool WriteNewFile(const std::string& path, const Bytes& content) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    bool ok = true;
    while (done < content.size()) {
        const ssize_t wrote = ::write(fd, content.data() + done, content.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0) {
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(wrote);
    }
    if (::close(fd) != 0)
        ok = false;
    if (!ok)
        ::unlink(path.c_str());
    return ok;
}

// Desktop settings are shared by the whole session; one change at a time.
std::mutex& ChangeLock() {
    static std::mutex lock;
    return lock;
}

class LinuxDesktopBackground final : public DesktopBackground {
public:
    explicit LinuxDesktopBackground(DesktopBackgroundSetup setup)
        : setup_(std::move(setup)), desktop_(DetectDesktop(setup_.environment)),
          session_(*setup_.runner, desktop_, setup_.report),
          setter_(MakeDesktopSetter(desktop_, session_, setup_.styleFile)) {}

    bool SetPicture(const Bytes& picture) override {
        std::lock_guard<std::mutex> hold(ChangeLock());
        if (!setter_)
            return ReportNoDesktop();
        const std::string extension = PictureExtension(picture);
        if (extension.empty())
            return session_.Fail("the picture is not a PNG, JPEG, BMP, GIF or TIFF image");
        std::string file = StagePicture(picture, extension);
        if (file.empty())
            return session_.Fail("the picture could not be written into " + setup_.pictureFolder);
        if (!setter_->ShowPicture(file))
            return false;
        Prune(file);
        return true;
    }

    bool SetStyle(WallpaperStyle style) override {
        std::lock_guard<std::mutex> hold(ChangeLock());
        if (!setter_)
            return ReportNoDesktop();
        const std::vector<PictureFile> files = PictureFiles(setup_.pictureFolder);
        return setter_->ApplyStyle(style,
                                   files.empty() ? std::string() : files.front().path.string());
    }

private:
    bool ReportNoDesktop() {
        if (setup_.report)
            setup_.report("vexmora: desktop background not changed: no desktop detected "
                          "(XDG_CURRENT_DESKTOP, DESKTOP_SESSION, WAYLAND_DISPLAY and DISPLAY "
                          "name none)");
        return false;
    }

    // A fresh name for every picture: GNOME and KDE ignore a setting set to the value it
    // already has, and would keep showing the old content of a rewritten file.
    std::string StagePicture(const Bytes& picture, const std::string& extension) {
        std::error_code error;
        std::filesystem::create_directories(setup_.pictureFolder, error);
        const std::vector<PictureFile> files = PictureFiles(setup_.pictureFolder);
        unsigned long long serial = files.empty() ? 1 : files.front().serial + 1;
        for (int attempt = 0; attempt < 100; ++attempt, ++serial) {
            const std::string path =
                setup_.pictureFolder + kPicturePrefix + std::to_string(serial) + extension;
            if (WriteNewFile(path, picture))
                return path;
            if (errno != EEXIST)
                return {};
        }
        return {};
    }

    void Prune(const std::string& shown) {
        const std::vector<PictureFile> files = PictureFiles(setup_.pictureFolder);
        for (std::size_t i = kPicturesKept; i < files.size(); ++i) {
            if (files[i].path != shown) {
                std::error_code error;
                std::filesystem::remove(files[i].path, error);
            }
        }
    }

    DesktopBackgroundSetup setup_;
    Desktop desktop_;
    ToolSession session_;
    std::unique_ptr<DesktopSetter> setter_;
};

std::optional<std::string> ProcessVariable(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (!value)
        return std::nullopt;
    return std::string(value);
}

// An XDG base folder with a trailing '/', from the setup's environment.
std::string BaseFolder(const Environment& environment, const char* variable,
                       const char* underHome) {
    std::string value = environment(variable).value_or("");
    if (value.empty() || value.front() != '/') {
        const std::string home = environment("HOME").value_or("");
        value = (home.empty() ? std::string("/tmp") : home) + "/" + underHome;
    }
    while (value.size() > 1 && value.back() == '/')
        value.pop_back();
    return value + "/";
}

} // namespace
} // namespace desktop

std::unique_ptr<DesktopBackground> MakeDesktopBackground(DesktopBackgroundSetup setup) {
    using namespace desktop;
    if (!setup.runner)
        setup.runner = &SystemCommandRunner();
    if (!setup.environment)
        setup.environment = ProcessVariable;
    if (!setup.report)
        setup.report = [](const std::string& line) { std::cerr << line << std::endl; };
    if (setup.pictureFolder.empty())
        setup.pictureFolder =
            BaseFolder(setup.environment, "XDG_DATA_HOME", ".local/share") + "vexmora/wallpaper/";
    else if (setup.pictureFolder.back() != '/')
        setup.pictureFolder += '/';
    if (setup.styleFile.empty())
        setup.styleFile =
            BaseFolder(setup.environment, "XDG_CONFIG_HOME", ".config") + "vexmora/wallpaper-style";
    return std::make_unique<LinuxDesktopBackground>(std::move(setup));
}

} // namespace vexmora::platform
