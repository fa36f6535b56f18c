#pragma once

#include "net/Text.h"

// What the shell asks of the window layer beyond the window's state (which lives in
// WindowModel): the tray icon and the window's visibility. Called on the user-interface thread.
namespace vexmora {

class WindowHost {
public:
    virtual ~WindowHost() = default;

    // Adds the tray icon with the program's icon and this tip, or replaces it. False when the
    // desktop offers no tray.
    virtual bool AddTrayIcon(const Text& tip) = 0;
    virtual void RemoveTrayIcon() = 0;
    virtual bool HasTrayIcon() const = 0;

    virtual void SetWindowVisible(bool visible) = 0;
    virtual bool IsWindowVisible() const = 0;

    // Sets the visibility; a window made visible is restored from the minimised state and put
    // in front of the other windows without staying on top of them.
    virtual void BringForward(bool visible) = 0;

    // Opens the tray menu at the mouse position.
    virtual void PopUpTrayMenu() = 0;

    // Takes the window away at once, asking nothing: the tray icon goes, the message loop
    // ends and with it the program.
    virtual void DestroyWindow() = 0;
};

} // namespace vexmora
