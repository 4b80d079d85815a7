#include "base/interfaces/KeyToken.h"

std::uint32_t KeyToken::keysymOfCharacter(char32_t character) {
    // Latin-1 characters are their own keysyms; a few control characters have keys of their own.
    if ((character >= 0x20 && character <= 0x7e) || (character >= 0xa0 && character <= 0xff)) {
        return character;
    }
    switch (character) {
    case U'\b':
        return 0xff08; // BackSpace
    case U'\t':
        return 0xff09; // Tab
    case U'\n':
        return 0xff0a; // Linefeed
    case U'\r':
        return 0xff0d; // Return
    case 0x1b:
        return 0xff1b; // Escape
    case 0x7f:
        return 0xffff; // Delete
    case U'€':
        return 0x20ac; // EuroSign: layouts carry the old keysym, not the Unicode one
    default:
        break;
    }
    if (character < 0x100 || character > 0x10ffff || (character >= 0xd800 && character <= 0xdfff)) {
        return 0;
    }
    return 0x01000000 | character;
}

KeyToken KeyToken::ofCharacter(char32_t character) {
    KeyToken token;
    token.kind = Kind::Character;
    token.character = character;
    token.keysym = keysymOfCharacter(character);
    return token;
}
