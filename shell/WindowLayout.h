#pragma once

#include <optional>
#include <vector>

#include "net/Text.h"
#include "shell/WindowIds.h"

// The fixed look of the main window and its tray menu: object names, texts, list items and
// positions. Every text is GBK; the window layer converts it at its edge. The texts live in
// the .cpp so that every user of this header sees the same bytes.
namespace vexmora {

struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

enum class ControlKind { PictureBox, EditBox, GroupBox, Button, CheckBox, Label, DropDownList };

struct ControlLayout {
    ControlId id;
    Text objectName;
    ControlKind kind;
    // Inside the group box 分组框1; the position is then relative to the group box.
    bool inSettingsGroup;
    // Relative to the window's client area, or to the group box.
    PixelRect position;
    Text text;
    std::vector<Text> items;
};

// Every control, in the order of creation (the group box before the controls inside it).
const std::vector<ControlLayout>& WindowControls();
const ControlLayout& LayoutOf(ControlId id);

struct WindowFrame {
    Text title;
    // The outer frame: where the window's top-left corner is and its size, borders included.
    PixelRect outer;
};
const WindowFrame& MainWindowFrame();

// The object name of the refresh timer.
const Text& RefreshTimerName();

// One line of the tray menu: an item, a separator, or a submenu with its items.
struct MenuEntry {
    enum class Kind { Command, CheckItem, Separator, Submenu };
    Kind kind;
    std::optional<MenuItemId> item;  // for commands and check items
    Text text;                       // empty for separators
    std::vector<MenuEntry> children; // for submenus
};

// The name of the tray menu and its entries, top to bottom.
const Text& TrayMenuName();
const std::vector<MenuEntry>& TrayMenuEntries();

// The text of an item wherever it sits in the menu.
const Text& MenuItemText(MenuItemId id);

// The tip text of the tray icon.
const Text& TrayTipText();

} // namespace vexmora
