#pragma once

// The pieces of the Linux desktop background: which desktop runs, and one setter per desktop
// that drives that desktop's own tools.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/CommandRunner.h"
#include "platform/DesktopBackground.h"

namespace vexmora::platform::desktop {

enum class Desktop { None, Gnome, Cinnamon, Mate, Kde, Xfce, Lxde, Lxqt, Sway, PlainX11 };

// "GNOME", "KDE Plasma", "plain X11", ... for the report line.
std::string DesktopName(Desktop desktop);

using Environment = std::function<std::optional<std::string>(const std::string&)>;

// The desktop from XDG_CURRENT_DESKTOP (its first name that is known), then DESKTOP_SESSION,
// then SWAYSOCK or WAYLAND_DISPLAY (sway and other wlroots compositors), then DISPLAY (a plain
// X11 window manager); None when nothing says.
Desktop DetectDesktop(const Environment& environment);

// Runs one desktop's tools for one call and reports its first failure as the one line the
// user sees: "<desktop> desktop detected, but <what went wrong>".
class ToolSession {
public:
    ToolSession(CommandRunner& runner, Desktop desktop,
                std::function<void(const std::string&)> report);

    // Runs the command; on failure reports it and returns false.
    bool Run(const std::vector<std::string>& arguments);
    // Runs a query whose failure the caller judges itself.
    CommandResult Query(const std::vector<std::string>& arguments);
    // Reports a failure in the session's words; always false.
    bool Fail(const std::string& what);

    CommandRunner& runner() { return runner_; }
    Desktop desktop() const { return desktop_; }

private:
    CommandRunner& runner_;
    Desktop desktop_;
    std::function<void(const std::string&)> report_;
};

class DesktopSetter {
public:
    virtual ~DesktopSetter() = default;
    // Shows the file (an absolute UTF-8 path) in the desktop's current style.
    virtual bool ShowPicture(const std::string& file) = 0;
    // Records the style; `currentPicture` is the file shown last, empty when none is known.
    virtual bool ApplyStyle(WallpaperStyle style, const std::string& currentPicture) = 0;
};

// The setter of a detected desktop (not None). `styleFile` keeps the style for desktops that
// keep none themselves.
std::unique_ptr<DesktopSetter> MakeDesktopSetter(Desktop desktop, ToolSession& session,
                                                 const std::string& styleFile);

std::unique_ptr<DesktopSetter> MakeGsettingsSetter(Desktop desktop, ToolSession& session);
std::unique_ptr<DesktopSetter> MakeKdeSetter(ToolSession& session);
std::unique_ptr<DesktopSetter> MakeXfceSetter(ToolSession& session);
std::unique_ptr<DesktopSetter> MakePcmanfmSetter(Desktop desktop, ToolSession& session);
std::unique_ptr<DesktopSetter> MakeSwaySetter(ToolSession& session, const std::string& styleFile);
std::unique_ptr<DesktopSetter> MakePlainX11Setter(ToolSession& session,
                                                  const std::string& styleFile);

// "file:///..." with every byte outside the unreserved characters and '/' percent-encoded.
std::string FileUri(const std::string& path);

// The style kept for desktops that keep none; Stretched (filling the screen) when nothing
// was recorded yet.
WallpaperStyle ReadStyleFile(const std::string& path);
bool WriteStyleFile(const std::string& path, WallpaperStyle style);

// The file-name extension (".png", ".jpg", ".bmp", ".gif", ".tiff") of encoded image bytes,
// empty when they are not one of those.
std::string PictureExtension(const Bytes& picture);

} // namespace vexmora::platform::desktop
