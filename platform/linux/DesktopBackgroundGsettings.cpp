// GNOME and the desktops that share its settings (Unity, Budgie, Pantheon), Cinnamon and MATE:
// the background is a pair of keys in GSettings, set through the gsettings tool.

#include "platform/linux/DesktopBackgroundLinux.h"

namespace vexmora::platform::desktop {
namespace {

// A GVariant string literal, so that gsettings takes the value exactly as given.
std::string GVariantString(const std::string& text) {
    std::string literal = "'";
    for (const char c : text) {
        if (c == '\'' || c == '\\')
            literal += '\\';
        literal += c;
    }
    literal += '\'';
    return literal;
}

const char* PictureOptions(WallpaperStyle style) {
    switch (style) {
    case WallpaperStyle::Tiled:
        return "wallpaper";
    case WallpaperStyle::Stretched:
        return "stretched";
    case WallpaperStyle::Centred:
        break;
    }
    return "centered";
}

class GsettingsSetter final : public DesktopSetter {
public:
    GsettingsSetter(ToolSession& session, Desktop desktop) : session_(session) {
        switch (desktop) {
        case Desktop::Cinnamon:
            schema_ = "org.cinnamon.desktop.background";
            break;
        case Desktop::Mate:
            schema_ = "org.mate.background";
            pictureKey_ = "picture-filename";
            asUri_ = false;
            break;
        default:
            schema_ = "org.gnome.desktop.background";
            darkKey_ = true;
            break;
        }
    }

    bool ShowPicture(const std::string& file) override {
        const std::string value = GVariantString(asUri_ ? FileUri(file) : file);
        if (!session_.Run({"gsettings", "set", schema_, pictureKey_, value}))
            return false;
        if (!darkKey_)
            return true;
        // GNOME 42 and later show this one in the dark style; older ones lack the key.
        const std::vector<std::string> dark = {"gsettings", "set", schema_, "picture-uri-dark",
                                               value};
        const CommandResult result = session_.Query(dark);
        if (result.Succeeded() ||
            (result.started && result.errors.find("No such key") != std::string::npos))
            return true;
        return session_.Fail(DescribeFailure("gsettings", result));
    }

    bool ApplyStyle(WallpaperStyle style, const std::string&) override {
        return session_.Run(
            {"gsettings", "set", schema_, "picture-options", PictureOptions(style)});
    }

private:
    ToolSession& session_;
    std::string schema_;
    std::string pictureKey_ = "picture-uri";
    bool asUri_ = true;
    bool darkKey_ = false;
};

} // namespace

std::unique_ptr<DesktopSetter> MakeGsettingsSetter(Desktop desktop, ToolSession& session) {
    return std::make_unique<GsettingsSetter>(session, desktop);
}

} // namespace vexmora::platform::desktop
