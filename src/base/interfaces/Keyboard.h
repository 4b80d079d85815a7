#pragma once

#include "base/interfaces/KeyToken.h"

#include <vector>

// A source of synthetic key events for the window that has the keyboard focus.
class Keyboard {
public:
    virtual ~Keyboard() = default;

    // Presses and releases each key in turn, with the modifiers the current layout needs for
    // it, as one burst; returns when the last event has been issued.
    virtual void typeKeys(const std::vector<KeyToken>& keys) = 0;
};
