#pragma once

// Include only from .cpp files: it brings Xlib's macros.

#include "platform/x11/X11Memory.h"

#include <array>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

// A snapshot of the core keyboard's XKB keymap and state: which key, group and modifiers give a
// keysym, which keys set each modifier, and which keycodes carry no keysym at all.
class X11Keymap {
public:
    struct Placement {
        unsigned keycode = 0;
        unsigned group = 0;
        unsigned modifiers = 0;
    };

    explicit X11Keymap(Display* display);

    bool isValid() const { return m_xkb != nullptr; }
    unsigned currentGroup() const { return m_group; }
    // The modifiers locked now (Caps Lock, Num Lock), as X modifier bits.
    unsigned lockedModifiers() const { return m_lockedModifiers; }

    // How to type keysym with the modifiers that are active now (held by the user or locked,
    // such as Caps Lock): the current group first, then the fewest modifiers.
    std::optional<Placement> find(std::uint32_t keysym) const;
    // The keys that set modifiers, in the order of the modifier bits (Shift, Lock, Control,
    // Mod1 ... Mod5); nullopt when a modifier has no key that sets it.
    std::optional<std::vector<unsigned>> modifierKeys(unsigned modifiers) const;
    // Keycodes that the layout leaves empty, free to be bound for a moment.
    const std::vector<unsigned>& unusedKeycodes() const { return m_unused; }
    // The keysym of a key's first level in the first group; 0 for none.
    std::uint32_t firstKeysym(unsigned keycode) const;

    // The form under which the table keeps a keysym: Unicode keysyms of characters that have an
    // older keysym of their own are folded to it.
    static std::uint32_t canonical(std::uint32_t keysym);

private:
    void findModifierKeys();
    void buildTable();

    XkbDescOwner m_xkb;
    unsigned m_group = 0;
    unsigned m_activeModifiers = 0;
    unsigned m_lockedModifiers = 0;
    unsigned m_typingModifiers = 0;
    std::array<unsigned, 8> m_modifierKey{};
    std::vector<unsigned> m_unused;
    std::unordered_map<std::uint32_t, Placement> m_table;
};
