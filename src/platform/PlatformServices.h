#pragma once

#include "base/interfaces/KeyState.h"
#include "base/interfaces/Keyboard.h"
#include "base/interfaces/WindowList.h"

#include <QString>

#include <memory>

// The desktop services of this session: keystrokes, the window list and the global key state.
// Each is null when the session cannot provide it.
struct PlatformServices {
    // What the session's desktop services run on, for the status bar.
    enum class Backend {
        // No display, or none that answers: everything is off.
        Unavailable,
        X11,
        WaylandVirtualKeyboard,
        // The desktop's RemoteDesktop portal: keystrokes into the focused window only.
        Portal,
        // A Wayland compositor without a virtual keyboard or portal, and no X display to fall
        // back to.
        WaylandWithoutVirtualKeyboard,
    };

    std::unique_ptr<Keyboard> keyboard;
    std::unique_ptr<WindowList> windows;
    std::unique_ptr<KeyState> keyState;
    Backend backend = Backend::Unavailable;
    // X11 inside a Wayland session: only XWayland windows take the keys.
    bool throughXWayland = false;
    // kelvane.ini named a backend that does not exist; it is shown in the status.
    QString unknownBackendSetting;

    bool available() const { return keyboard && windows && keyState; }
};
