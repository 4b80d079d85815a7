#pragma once

#include "base/interfaces/KeyState.h"
#include "base/interfaces/Keyboard.h"
#include "base/interfaces/WindowList.h"

#include <QString>

#include <memory>

// The desktop services of this session: keystrokes, the window list and the global key state.
// Each is null when the session cannot provide it.
struct PlatformServices {
    std::unique_ptr<Keyboard> keyboard;
    std::unique_ptr<WindowList> windows;
    std::unique_ptr<KeyState> keyState;

    bool available() const { return keyboard && windows && keyState; }
};
