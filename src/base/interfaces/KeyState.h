#pragma once

#include <QtGlobal>

// The state of the PC's keys, pressed in any application, by Windows virtual-key code
// (16 Shift, 17 Ctrl, 18 Alt, 27 Escape, 44 Print, 112 to 123 F1 to F12).
class KeyState {
public:
    static constexpr quint16 DownBit = 0x8000;
    static constexpr quint16 PressedBit = 0x0001;

    virtual ~KeyState() = default;

    // Takes in what happened on the keyboard since the last update; queries answer from it.
    virtual void update() = 0;
    // DownBit while the key is down, PressedBit when it was pressed since the previous query
    // of the same key. Each query clears PressedBit for that key.
    virtual quint16 query(int virtualKey) = 0;
};
