#pragma once

#include "base/interfaces/KeyState.h"

#include <QSet>

#include <array>
#include <memory>
#include <vector>

class QSocketNotifier;
class X11Display;

// The PC's keys on an X display, whatever window has the focus. Whether a key is down comes
// from XQueryKeymap; whether it was pressed since its last query from XInput2 raw key presses,
// selected on the root window for all master keyboards, less the presses the program types
// itself, which raw events tell by their XTest source device. The events arrive on a connection of
// their own and are read without blocking, as the Qt event loop sees them come in and before
// each update.
class X11KeyState : public KeyState {
public:
    explicit X11KeyState(std::unique_ptr<X11Display> display);
    ~X11KeyState() override;
    X11KeyState(const X11KeyState&) = delete;
    X11KeyState& operator=(const X11KeyState&) = delete;

    void update() override;
    quint16 query(int virtualKey) override;

    // False when the server has no XInput2: a press then counts only when a poll sees the key down.
    bool hasRawKeyEvents() const { return m_xiOpcode >= 0; }

    // The program itself is about to press this key through XTest: that press is no key press of
    // the user's and fires no hotkey.
    void expectOwnPress(unsigned keycode);

private:
    void readEvents();
    void rebuildKeyTable();
    bool isDown(int virtualKey, const std::array<char, 32>& keys) const;

    std::unique_ptr<X11Display> m_display;
    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_xiOpcode = -1;
    int m_xkbEventBase = -1;
    std::array<char, 32> m_down{};
    // Virtual-key codes of each keycode.
    std::array<std::vector<int>, 256> m_virtualKeys;
    QSet<int> m_pressed;
    // The XTest devices, and the presses of the program's own that are still to come from them.
    QSet<int> m_xtestDevices;
    std::array<int, 256> m_ownPresses{};
};
