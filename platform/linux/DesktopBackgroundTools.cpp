// Desktops whose background is set by one command: pcmanfm for LXDE and LXQt, swaymsg for
// sway, and for a bare X11 window manager a root-window setter. The last two keep no style of
// their own, so the style lives in a small file of ours and is used for every later picture.

#include "platform/linux/DesktopBackgroundLinux.h"

namespace vexmora::platform::desktop {
namespace {

const char* CommonMode(WallpaperStyle style) {
    switch (style) {
    case WallpaperStyle::Tiled:
        return "tile";
    case WallpaperStyle::Stretched:
        return "stretch";
    case WallpaperStyle::Centred:
        break;
    }
    return "center";
}

class PcmanfmSetter final : public DesktopSetter {
public:
    PcmanfmSetter(ToolSession& session, std::string program)
        : session_(session), program_(std::move(program)) {}

    bool ShowPicture(const std::string& file) override {
        return session_.Run({program_, "--set-wallpaper=" + file});
    }

    bool ApplyStyle(WallpaperStyle style, const std::string&) override {
        return session_.Run({program_, std::string("--wallpaper-mode=") + CommonMode(style)});
    }

private:
    ToolSession& session_;
    std::string program_;
};

// A setter that is told picture and style together every time.
class StatelessSetter : public DesktopSetter {
public:
    StatelessSetter(ToolSession& session, std::string styleFile)
        : session_(session), styleFile_(std::move(styleFile)) {}

    bool ShowPicture(const std::string& file) override {
        return Draw(file, ReadStyleFile(styleFile_));
    }

    bool ApplyStyle(WallpaperStyle style, const std::string& currentPicture) override {
        if (!WriteStyleFile(styleFile_, style))
            return session_.Fail("the style could not be kept in " + styleFile_);
        return currentPicture.empty() || Draw(currentPicture, style);
    }

protected:
    virtual bool Draw(const std::string& file, WallpaperStyle style) = 0;

    ToolSession& session_;

private:
    std::string styleFile_;
};

// sway joins its arguments into one command and splits it again, so the path is quoted.
std::string SwayQuoted(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

class SwaySetter final : public StatelessSetter {
public:
    using StatelessSetter::StatelessSetter;

protected:
    bool Draw(const std::string& file, WallpaperStyle style) override {
        return session_.Run({"swaymsg", "output", "*", "bg", SwayQuoted(file), CommonMode(style)});
    }
};

struct RootSetterTool {
    const char* program;
    const char* centred;
    const char* tiled;
    const char* stretched;
};

// In order of preference: the first one installed is used.
constexpr RootSetterTool kRootSetters[] = {
    {"xwallpaper", "--center", "--tile", "--stretch"},
    {"hsetroot", "-center", "-tile", "-fill"},
    {"feh", "--bg-center", "--bg-tile", "--bg-scale"},
};

class PlainX11Setter final : public StatelessSetter {
public:
    using StatelessSetter::StatelessSetter;

protected:
    bool Draw(const std::string& file, WallpaperStyle style) override {
        for (const RootSetterTool& tool : kRootSetters) {
            if (!session_.runner().IsInstalled(tool.program))
                continue;
            const char* option = style == WallpaperStyle::Tiled       ? tool.tiled
                                 : style == WallpaperStyle::Stretched ? tool.stretched
                                                                      : tool.centred;
            return session_.Run({tool.program, option, file});
        }
        return session_.Fail("none of xwallpaper, hsetroot and feh is installed");
    }
};

} // namespace

std::unique_ptr<DesktopSetter> MakePcmanfmSetter(Desktop desktop, ToolSession& session) {
    return std::make_unique<PcmanfmSetter>(session,
                                           desktop == Desktop::Lxqt ? "pcmanfm-qt" : "pcmanfm");
}

std::unique_ptr<DesktopSetter> MakeSwaySetter(ToolSession& session, const std::string& styleFile) {
    return std::make_unique<SwaySetter>(session, styleFile);
}

std::unique_ptr<DesktopSetter> MakePlainX11Setter(ToolSession& session,
                                                  const std::string& styleFile) {
    return std::make_unique<PlainX11Setter>(session, styleFile);
}

} // namespace vexmora::platform::desktop
