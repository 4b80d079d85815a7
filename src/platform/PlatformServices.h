#pragma once

#include "platform/GlobalKeyState.h"
#include "platform/KeyboardInjector.h"
#include "platform/WindowList.h"

#include <QString>

#include <memory>

// The desktop services of this session: keystrokes, the window list and the global key state.
// Each is null when the session cannot provide it.
struct PlatformServices {
    std::unique_ptr<KeyboardInjector> keyboard;
    std::unique_ptr<WindowList> windows;
    std::unique_ptr<GlobalKeyState> keyState;

    bool available() const { return keyboard && windows && keyState; }
};
