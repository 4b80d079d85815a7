#pragma once

#include <QString>

#include <optional>
#include <vector>

// The window system the desktop services use, as kelvane.ini may force it ([desktop] backend).
enum class DesktopBackend {
    Automatic,
    X11,
    WaylandVirtualKeyboard,
    // The RemoteDesktop portal of the session bus (GNOME, KDE Plasma).
    Portal,
};

namespace DesktopBackends {

// The setting's value: "auto" (or empty), "x11", "wayland" or "portal", in any case; nullopt
// for any other.
std::optional<DesktopBackend> parse(const QString& value);

// The backends to try in turn: a forced one alone; else, when a Wayland display is named, the
// compositor's virtual keyboard, then the portal; last X11 (XWayland, or a plain X session) when
// an X display is named.
std::vector<DesktopBackend> candidates(DesktopBackend setting, bool waylandDisplay, bool x11Display);

} // namespace DesktopBackends
