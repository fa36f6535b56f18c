// XFCE: xfdesktop keeps one picture and style per monitor and workspace in the xfconf channel
// xfce4-desktop, under /backdrop/screen0/monitor<NAME>/workspace<N>/.

#include "platform/linux/DesktopBackgroundLinux.h"

#include <cctype>
#include <set>
#include <sstream>

namespace vexmora::platform::desktop {
namespace {

constexpr const char kScreenPrefix[] = "/backdrop/screen0/monitor";

// xfdesktop's image-style values: 1 centred, 2 tiled, 3 stretched.
int ImageStyle(WallpaperStyle style) {
    switch (style) {
    case WallpaperStyle::Tiled:
        return 2;
    case WallpaperStyle::Stretched:
        return 3;
    case WallpaperStyle::Centred:
        break;
    }
    return 1;
}

std::optional<int> ParseCount(const std::string& text) {
    std::istringstream in(text);
    int value = 0;
    if (!(in >> value) || value < 1 || value > 64)
        return std::nullopt;
    return value;
}

class XfceSetter final : public DesktopSetter {
public:
    explicit XfceSetter(ToolSession& session) : session_(session) {}

    bool ShowPicture(const std::string& file) override {
        return SetEverywhere("last-image", "string", file);
    }

    bool ApplyStyle(WallpaperStyle style, const std::string&) override {
        return SetEverywhere("image-style", "int", std::to_string(ImageStyle(style)));
    }

private:
    bool SetEverywhere(const std::string& property, const std::string& type,
                       const std::string& value) {
        std::set<std::string> workspaces;
        if (!Workspaces(workspaces))
            return false;
        for (const std::string& workspace : workspaces) {
            // -n creates the property where xfdesktop has not written it yet.
            if (!session_.Run({"xfconf-query", "-c", "xfce4-desktop", "-p",
                               workspace + "/" + property, "-n", "-t", type, "-s", value}))
                return false;
        }
        return true;
    }

    // Every workspace entry of every monitor: the ones the channel holds, and the ones of
    // each monitor for each workspace of the window manager, so that a fresh session, a new
    // monitor or a new workspace shows the picture too.
    bool Workspaces(std::set<std::string>& workspaces) {
        const CommandResult listing = session_.Query({"xfconf-query", "-c", "xfce4-desktop", "-l"});
        if (!listing.Succeeded() &&
            !(listing.started && listing.errors.find("does not exist") != std::string::npos))
            return session_.Fail(DescribeFailure("xfconf-query", listing));

        std::set<std::string> monitors;
        std::set<int> numbers;
        std::istringstream lines(listing.output);
        std::string line;
        const std::string prefix = kScreenPrefix;
        while (std::getline(lines, line)) {
            if (line.rfind(prefix, 0) != 0)
                continue;
            const std::size_t slash = line.find('/', prefix.size());
            if (slash == std::string::npos)
                continue;
            monitors.insert(line.substr(0, slash));
            const std::string rest = line.substr(slash + 1);
            if (rest.rfind("workspace", 0) != 0)
                continue;
            std::size_t end = 9;
            while (end < rest.size() && std::isdigit(static_cast<unsigned char>(rest[end])))
                ++end;
            if (end == 9 || end > 11)
                continue;
            numbers.insert(std::stoi(rest.substr(9, end - 9)));
            workspaces.insert(line.substr(0, slash + 1 + end));
        }

        if (monitors.empty()) {
            // xfdesktop names monitors by their output, as xrandr does.
            const CommandResult outputs = session_.Query({"xrandr", "--listmonitors"});
            if (outputs.Succeeded()) {
                std::istringstream rows(outputs.output);
                while (std::getline(rows, line)) {
                    std::istringstream words(line);
                    std::string first;
                    std::string name;
                    std::string word;
                    words >> first;
                    // " 0: +*DP-1 1920/527x1080/296+0+0  DP-1", under a "Monitors: 2" line.
                    if (first.size() < 2 || first.back() != ':' ||
                        first.find_first_not_of("0123456789") != first.size() - 1)
                        continue;
                    while (words >> word)
                        name = word;
                    if (!name.empty())
                        monitors.insert(prefix + name);
                }
            }
            if (monitors.empty())
                monitors.insert(prefix + "0");
        }

        const CommandResult count =
            session_.Query({"xfconf-query", "-c", "xfwm4", "-p", "/general/workspace_count"});
        const int workspaceCount = count.Succeeded() ? ParseCount(count.output).value_or(1) : 1;
        for (int i = 0; i < workspaceCount; ++i)
            numbers.insert(i);
        for (const std::string& monitor : monitors) {
            for (const int number : numbers)
                workspaces.insert(monitor + "/workspace" + std::to_string(number));
        }
        return true;
    }

    ToolSession& session_;
};

} // namespace

std::unique_ptr<DesktopSetter> MakeXfceSetter(ToolSession& session) {
    return std::make_unique<XfceSetter>(session);
}

} // namespace vexmora::platform::desktop
