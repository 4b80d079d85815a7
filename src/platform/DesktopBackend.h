#pragma once

#include <QString>

#include <optional>
#include <vector>

// The window system the desktop services use, as kelvane.ini may force it ([desktop] backend).
enum class DesktopBackend {
    Automatic,
    X11,
    WaylandVirtualKeyboard,
};

namespace DesktopBackends {

// The setting's value: "auto" (or empty), "x11" or "wayland", in any case; nullopt for any
// other.
std::optional<DesktopBackend> parse(const QString& value);

// The backends to try in turn: a forced one alone; else the Wayland virtual keyboard when a
// Wayland display is named, then X11 (XWayland) when an X display is named.
std::vector<DesktopBackend> candidates(DesktopBackend setting, bool waylandDisplay, bool x11Display);

} // namespace DesktopBackends
