// KDE Plasma: plasmashell runs a script over every desktop (one per screen and activity) that
// sets the image plugin's picture and fill mode, reached over the session bus.

#include "platform/linux/DesktopBackgroundLinux.h"

#include <cstdio>

namespace vexmora::platform::desktop {
namespace {

// A JavaScript string literal.
std::string ScriptString(const std::string& text) {
    std::string literal = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            literal += '\\';
            literal += c;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            literal += escape;
        } else {
            literal += c;
        }
    }
    literal += '"';
    return literal;
}

// Plasma's FillMode values: 6 centred, 3 tiled, 0 stretched.
int FillMode(WallpaperStyle style) {
    switch (style) {
    case WallpaperStyle::Tiled:
        return 3;
    case WallpaperStyle::Stretched:
        return 0;
    case WallpaperStyle::Centred:
        break;
    }
    return 6;
}

std::string OverEveryDesktop(const std::string& body) {
    return "var all = desktops();\n"
           "for (var i = 0; i < all.length; ++i) {\n"
           "    var d = all[i];\n" +
           body + "}\n";
}

class KdeSetter final : public DesktopSetter {
public:
    explicit KdeSetter(ToolSession& session) : session_(session) {}

    bool ShowPicture(const std::string& file) override {
        return Evaluate(OverEveryDesktop("    d.wallpaperPlugin = \"org.kde.image\";\n"
                                         "    d.currentConfigGroup = [\"Wallpaper\", "
                                         "\"org.kde.image\", \"General\"];\n"
                                         "    d.writeConfig(\"Image\", " +
                                         ScriptString(FileUri(file)) + ");\n"));
    }

    bool ApplyStyle(WallpaperStyle style, const std::string&) override {
        return Evaluate(OverEveryDesktop("    d.currentConfigGroup = [\"Wallpaper\", "
                                         "\"org.kde.image\", \"General\"];\n"
                                         "    d.writeConfig(\"FillMode\", " +
                                         std::to_string(FillMode(style)) + ");\n"));
    }

private:
    bool Evaluate(const std::string& script) {
        return session_.Run({"dbus-send", "--session", "--print-reply",
                             "--dest=org.kde.plasmashell", "/PlasmaShell",
                             "org.kde.PlasmaShell.evaluateScript", "string:" + script});
    }

    ToolSession& session_;
};

} // namespace

std::unique_ptr<DesktopSetter> MakeKdeSetter(ToolSession& session) {
    return std::make_unique<KdeSetter>(session);
}

} // namespace vexmora::platform::desktop
