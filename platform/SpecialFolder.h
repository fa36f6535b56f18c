#pragma once

#include "net/Text.h"

namespace vexmora::platform {

// The system folders the program may ask for, by their old numbers.
enum SpecialFolderKind : int {
    kDesktopFolderDefault = 0, // the same as kDesktopFolder
    kDocumentsFolder = 1,
    kFavoritesFolder = 2,
    kDesktopFolder = 3,
    kFontsFolder = 4,
    kStartMenuFolder = 5,
    kProgramsFolder = 6,
    kStartupFolder = 7,
    kApplicationDataFolder = 8,
    kWindowsFolder = 9, // where the wallpaper bitmap lives
    kSystemFolder = 10,
    kTemporaryFolder = 11,
    kInternetCacheFolder = 12,
};

// The folder of a kind as a GBK path with '/' separators and exactly one trailing '/', or the
// empty text for an unknown kind or a folder that cannot be had. On Linux the kinds map to
// their XDG counterparts:
//   0, 3  desktop        XDG_DESKTOP_DIR of user-dirs.dirs, else ~/Desktop
//   1     documents      XDG_DOCUMENTS_DIR of user-dirs.dirs, else ~/Documents
//   2     favorites      none: empty
//   4     fonts          $XDG_DATA_HOME/fonts
//   5, 6  start menu     $XDG_DATA_HOME/applications
//   7     startup        $XDG_CONFIG_HOME/autostart
//   8     data           $XDG_DATA_HOME
//   9     backgrounds    $XDG_DATA_HOME/backgrounds, created when missing
//   10    system         /usr/lib
//   11    temporary      $TMPDIR, else /tmp
//   12    cache          $XDG_CACHE_HOME
// XDG_DATA_HOME, XDG_CONFIG_HOME and XDG_CACHE_HOME default to ~/.local/share, ~/.config and
// ~/.cache when unset or not absolute.
Text SpecialFolderPath(int kind);

} // namespace vexmora::platform
