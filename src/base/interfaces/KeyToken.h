#pragma once

#include <cstdint>

// One key that typing a text presses and releases: a character, which the keyboard layout
// decides how to produce, a key named in braces, or a lone modifier tap. Keys are X keysyms
// (the protocol's key numbers), so the text step needs no window system.
struct KeyToken {
    enum class Kind { Character, NamedKey, Modifier };

    Kind kind = Kind::Character;
    std::uint32_t keysym = 0;
    // The character typed, for Kind::Character.
    char32_t character = 0;
    // The keysym's name ("BackSpace", "Shift_L"), for named keys and modifiers.
    const char* keysymName = nullptr;

    // The keysym that produces a character; 0 for a control character that has no key.
    static std::uint32_t keysymOfCharacter(char32_t character);
    static KeyToken ofCharacter(char32_t character);

    bool operator==(const KeyToken& other) const {
        return kind == other.kind && keysym == other.keysym && character == other.character;
    }
};
