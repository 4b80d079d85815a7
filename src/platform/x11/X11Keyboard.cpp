#include "platform/x11/X11Keyboard.h"

#include "platform/x11/X11Display.h"
#include "platform/x11/X11ErrorTrap.h"
#include "platform/x11/X11Keymap.h"

#include <X11/extensions/XTest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

// Reads the events that arrived on the connection; only a changed keyboard mapping matters here.
void drainEvents(Display* display) {
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
        }
    }
}

} // namespace

X11Keyboard::X11Keyboard(std::shared_ptr<X11Display> display) : m_display(std::move(display)) {
    m_restoreTimer.setSingleShot(true);
    m_restoreTimer.setInterval(BindingHoldMilliseconds);
    QObject::connect(&m_restoreTimer, &QTimer::timeout, &m_restoreTimer, [this] { restoreBoundKeycodes(); });
}

X11Keyboard::~X11Keyboard() {
    restoreBoundKeycodes();
}

void X11Keyboard::issue(Event::Kind kind, unsigned value) {
    Display* display = m_display->get();
    switch (kind) {
    case Event::Kind::Press:
    case Event::Kind::Release:
        if (kind == Event::Kind::Press && m_pressObserver) {
            m_pressObserver(value);
        }
        XTestFakeKeyEvent(display, value, kind == Event::Kind::Press ? True : False, CurrentTime);
        break;
    case Event::Kind::LockGroup:
        XkbLockGroup(display, XkbUseCoreKbd, value);
        break;
    case Event::Kind::CapsLock:
        XkbLockModifiers(display, XkbUseCoreKbd, LockMask, value != 0 ? LockMask : 0);
        break;
    case Event::Kind::Bind:
        break;
    }
    m_lastBurst.push_back({kind, value});
}

unsigned X11Keyboard::bindKeysym(std::uint32_t keysym, const X11Keymap& keymap) {
    Display* display = m_display->get();
    for (Binding& binding : m_bindings) {
        if (binding.keysym == keysym) {
            binding.lastUse = ++m_useCounter;
            return binding.keycode;
        }
    }
    unsigned keycode = 0;
    for (const unsigned candidate : keymap.unusedKeycodes()) {
        const bool taken = std::any_of(m_bindings.begin(), m_bindings.end(),
                                       [candidate](const Binding& b) { return b.keycode == candidate; });
        if (!taken) {
            keycode = candidate;
            break;
        }
    }
    if (keycode == 0) {
        if (m_bindings.empty()) {
            return 0;
        }
        // Every unused keycode is bound: take the one used longest ago. Applications read a
        // changed mapping only when they handle the key, so they get a moment to catch up.
        auto oldest =
            std::min_element(m_bindings.begin(), m_bindings.end(),
                             [](const Binding& a, const Binding& b) { return a.lastUse < b.lastUse; });
        keycode = oldest->keycode;
        m_bindings.erase(oldest);
        XSync(display, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    // The same keysym on both levels, so that a held Shift cannot turn it into another.
    KeySym keysyms[2] = {keysym, keysym};
    XChangeKeyboardMapping(display, static_cast<int>(keycode), 2, keysyms, 1);
    m_bindings.push_back({keycode, keysym, ++m_useCounter});
    m_lastBurst.push_back({Event::Kind::Bind, keycode});
    return keycode;
}

void X11Keyboard::typeKeys(const std::vector<KeyToken>& keys) {
    Display* display = m_display->get();
    if (!display) {
        return;
    }
    m_lastBurst.clear();
    drainEvents(display);
    X11ErrorTrap trap(display);
    const X11Keymap keymap(display);
    if (!keymap.isValid()) {
        return;
    }
    // A keycode bound earlier still serves, unless a new layout has replaced its mapping.
    std::erase_if(m_bindings,
                  [&keymap](const Binding& b) { return keymap.firstKeysym(b.keycode) != b.keysym; });
    const unsigned homeGroup = keymap.currentGroup();
    for (const KeyToken& key : keys) {
        std::optional<X11Keymap::Placement> placement = keymap.find(key.keysym);
        std::optional<std::vector<unsigned>> modifiers;
        if (placement) {
            modifiers = keymap.modifierKeys(placement->modifiers);
        }
        if (!placement || !modifiers) {
            const unsigned keycode = bindKeysym(key.keysym, keymap);
            if (keycode == 0) {
                continue;
            }
            placement = X11Keymap::Placement{keycode, homeGroup, 0};
            modifiers.emplace();
        }
        // Applications upper-case a bound letter under Caps Lock, as its key has no case levels
        // that would take the lock in: the lock is off for that keystroke.
        const bool releaseCapsLock =
            (keymap.lockedModifiers() & LockMask) != 0 &&
            std::any_of(m_bindings.begin(), m_bindings.end(),
                        [&placement](const Binding& b) { return b.keycode == placement->keycode; });
        if (placement->group != homeGroup) {
            issue(Event::Kind::LockGroup, placement->group);
        }
        if (releaseCapsLock) {
            issue(Event::Kind::CapsLock, 0);
        }
        for (const unsigned modifier : *modifiers) {
            issue(Event::Kind::Press, modifier);
        }
        issue(Event::Kind::Press, placement->keycode);
        issue(Event::Kind::Release, placement->keycode);
        // Released in the order they were pressed.
        for (const unsigned modifier : *modifiers) {
            issue(Event::Kind::Release, modifier);
        }
        if (releaseCapsLock) {
            issue(Event::Kind::CapsLock, 1);
        }
        if (placement->group != homeGroup) {
            issue(Event::Kind::LockGroup, homeGroup);
        }
    }
    XFlush(display);
    if (!m_bindings.empty()) {
        m_restoreTimer.start();
    }
}

void X11Keyboard::restoreBoundKeycodes() {
    m_restoreTimer.stop();
    Display* display = m_display ? m_display->get() : nullptr;
    if (!display || m_bindings.empty()) {
        m_bindings.clear();
        return;
    }
    X11ErrorTrap trap(display);
    for (const Binding& binding : m_bindings) {
        // Only a mapping that is still ours is undone; a new layout may have replaced it.
        int perKeycode = 0;
        XFreePtr<KeySym> current(
            XGetKeyboardMapping(display, static_cast<KeyCode>(binding.keycode), 1, &perKeycode));
        if (!current || perKeycode < 1 || current.get()[0] != binding.keysym) {
            continue;
        }
        KeySym empty = NoSymbol;
        XChangeKeyboardMapping(display, static_cast<int>(binding.keycode), 1, &empty, 1);
    }
    m_bindings.clear();
    XFlush(display);
}
