#pragma once

#include "base/interfaces/Keyboard.h"

#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class X11Display;
class X11Keymap;

// Keyboard injection with XTest: every key is looked up in the current XKB keymap and pressed
// with the modifiers (Shift, AltGr) and group that produce it. A keysym that the layout lacks
// is bound to an unused keycode for the keystroke; the binding is undone once no key has needed
// it for a while, so that the receiving application has read the key before it goes.
class X11Keyboard : public Keyboard {
public:
    // One event of the last burst, for checks of what was pressed.
    struct Event {
        enum class Kind { Press, Release, Bind, LockGroup, CapsLock };
        Kind kind;
        unsigned value; // keycode, group for LockGroup, 1 or 0 for CapsLock on or off
        bool operator==(const Event&) const = default;
    };

    // How long a bound keycode stays bound after its last keystroke.
    static constexpr int BindingHoldMilliseconds = 1000;

    explicit X11Keyboard(std::shared_ptr<X11Display> display);
    ~X11Keyboard() override;
    X11Keyboard(const X11Keyboard&) = delete;
    X11Keyboard& operator=(const X11Keyboard&) = delete;

    void typeKeys(const std::vector<KeyToken>& keys) override;

    const std::vector<Event>& lastBurst() const { return m_lastBurst; }
    // Told of every key this keyboard presses, before the press goes out.
    void setPressObserver(std::function<void(unsigned keycode)> observer) {
        m_pressObserver = std::move(observer);
    }
    // Gives the keycodes bound for missing keysyms back their empty mapping now.
    void restoreBoundKeycodes();
    bool hasBoundKeycodes() const { return !m_bindings.empty(); }

private:
    struct Binding {
        unsigned keycode;
        std::uint32_t keysym;
        quint64 lastUse;
    };

    unsigned bindKeysym(std::uint32_t keysym, const X11Keymap& keymap);
    void issue(Event::Kind kind, unsigned value);

    std::shared_ptr<X11Display> m_display;
    std::vector<Binding> m_bindings;
    std::vector<Event> m_lastBurst;
    quint64 m_useCounter = 0;
    QTimer m_restoreTimer;
    std::function<void(unsigned keycode)> m_pressObserver;
};
