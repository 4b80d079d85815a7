#pragma once

#include "platform/PlatformServices.h"

#include <QString>

// Picks the implementations of the desktop services: X11 when an X display is reachable
// ($DISPLAY set and answering, with XTest and XKB), none otherwise (no display, or a Wayland
// session without XWayland). Needs a QCoreApplication, for the key state's socket notifier.
class PlatformFactory {
public:
    static PlatformServices create();

    // Tells the user why keystrokes, the window list and hotkeys are off.
    static QString unavailableText();
};
