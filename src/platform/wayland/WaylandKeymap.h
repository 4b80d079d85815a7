#pragma once

#include "platform/wayland/XkbPointers.h"

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

// The keymap a virtual keyboard types with: the user's layout, plus every keysym the layout lacks
// bound to a key that the layout leaves empty, so that any character types whatever the layout.
// Each keysym is found with the key, layout and modifiers that produce it.
class WaylandKeymap {
public:
    struct Placement {
        // The key as the protocol numbers it (evdev code: XKB keycode less 8).
        std::uint32_t key = 0;
        std::uint32_t layout = 0;
        // Real modifiers (Shift, Lock, Control, Mod1 to Mod5) to hold for the key.
        std::uint32_t modifiers = 0;
    };

    // The layout from its text form, as a compositor hands it out; invalid when it does not parse.
    static WaylandKeymap fromText(const QByteArray& text);
    // The layout from XKB rule names; empty names take the XKB_DEFAULT_* environment, then the
    // system default.
    static WaylandKeymap fromNames(const QByteArray& layout, const QByteArray& variant = {});

    bool isValid() const { return m_keymap != nullptr; }
    // The keymap in text form, as the compositor takes it.
    const QByteArray& text() const { return m_text; }

    std::optional<Placement> find(std::uint32_t keysym) const;
    bool hasAll(const std::vector<std::uint32_t>& keysyms) const;

    // This layout with the keysyms it lacks added, as many as it has empty keys for; the ones
    // that did not fit stay missing (the caller types up to them and builds the next keymap).
    WaylandKeymap withKeysyms(const std::vector<std::uint32_t>& keysyms) const;
    // How many keysyms were bound to empty keys.
    int addedCount() const { return m_added; }

private:
    void index();

    XkbContextOwner m_context;
    XkbKeymapOwner m_keymap;
    QByteArray m_text;
    std::unordered_map<std::uint32_t, Placement> m_table;
    // Keycodes (XKB numbering) with a name and no symbols, lowest first.
    std::vector<std::uint32_t> m_emptyKeys;
    int m_added = 0;
};
