#pragma once

#include <QStringView>

#include <cstdint>
#include <span>

// The names recognised between "{" and "}" in an output text, in the order they are tried,
// with the X keysym each presses.
class KeyNameTable {
public:
    struct Entry {
        const char* name;
        const char* keysymName;
        std::uint32_t keysym;
    };

    static std::span<const Entry> entries();

    // The entry whose name, followed by "}", starts text (case ignored); nullptr for none.
    static const Entry* match(QStringView text);

    // The modifier key that a modifier character ("+", "^", "%") taps; nullptr for others.
    static const Entry* modifierOf(QChar character);
};
