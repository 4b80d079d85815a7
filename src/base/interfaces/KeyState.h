#pragma once

#include <QtGlobal>

#include <array>
#include <vector>

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

    // A key combination the program waits for: the keys of one hotkey row or device command row.
    struct Combination {
        enum class Kind { Hotkey, DeviceCommand };
        Kind kind = Kind::Hotkey;
        // From 0.
        int row = 0;
        // Virtual-key codes, 0 for none.
        std::array<int, 3> keys{};
        bool operator==(const Combination&) const = default;
    };
    // The combinations in use, told again whenever they change. A key state that sees only the
    // shortcuts it has registered with the desktop (not every key) registers these.
    virtual void watch(const std::vector<Combination>& /*combinations*/) {}
};
