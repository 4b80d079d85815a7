#pragma once

#include "platform/PlatformServices.h"

#include <QString>

// Picks the implementations of the desktop services. kelvane.ini may force a backend
// ([desktop] backend = x11, wayland or portal); else a Wayland session ($WAYLAND_DISPLAY) uses
// the compositor's virtual keyboard and its window list when it offers them, else the
// RemoteDesktop portal, else X11 (XWayland); $DISPLAY alone gives X11 (XTest, XKB, XInput2). Needs a
// QCoreApplication, for the socket notifiers, and the program directory set.
class PlatformFactory {
public:
    static PlatformServices create();

    // What the status bar says of the desktop services at start, in the current language:
    // which backend is in use and what is off. Empty when X11 provides everything.
    static QString statusText(const PlatformServices& services);

private:
    static bool createX11(PlatformServices& services);
    static bool createWayland(PlatformServices& services);
    static bool createPortal(PlatformServices& services);
};
