#include "base/delivery/KeyNameTable.h"

#include <array>
#include <cstring>

namespace {

// Windows' key names mapped to the keys an X keyboard has: BREAK is Pause, WIN the left Super
// key, APPS the Menu key, PGUP and PGDN are Prior and Next.
constexpr std::array<KeyNameTable::Entry, 42> Names = {{
    {"BACKSPACE", "BackSpace", 0xff08},
    {"BS", "BackSpace", 0xff08},
    {"BKSP", "BackSpace", 0xff08},
    {"BREAK", "Pause", 0xff13},
    {"CAPSLOCK", "Caps_Lock", 0xffe5},
    {"DELETE", "Delete", 0xffff},
    {"DEL", "Delete", 0xffff},
    {"DOWN", "Down", 0xff54},
    {"UP", "Up", 0xff52},
    {"LEFT", "Left", 0xff51},
    {"RIGHT", "Right", 0xff53},
    {"END", "End", 0xff57},
    {"ENTER", "Return", 0xff0d},
    {"HOME", "Home", 0xff50},
    {"ESC", "Escape", 0xff1b},
    {"HELP", "Help", 0xff6a},
    {"INSERT", "Insert", 0xff63},
    {"INS", "Insert", 0xff63},
    {"NUMLOCK", "Num_Lock", 0xff7f},
    {"PGUP", "Prior", 0xff55},
    {"PGDN", "Next", 0xff56},
    {"SCROLLLOCK", "Scroll_Lock", 0xff14},
    {"TAB", "Tab", 0xff09},
    {"F1", "F1", 0xffbe},
    {"F2", "F2", 0xffbf},
    {"F3", "F3", 0xffc0},
    {"F4", "F4", 0xffc1},
    {"F5", "F5", 0xffc2},
    {"F6", "F6", 0xffc3},
    {"F7", "F7", 0xffc4},
    {"F8", "F8", 0xffc5},
    {"F9", "F9", 0xffc6},
    {"F10", "F10", 0xffc7},
    {"F11", "F11", 0xffc8},
    {"F12", "F12", 0xffc9},
    {"F13", "F13", 0xffca},
    {"F14", "F14", 0xffcb},
    {"F15", "F15", 0xffcc},
    {"F16", "F16", 0xffcd},
    {"WIN", "Super_L", 0xffeb},
    {"APPS", "Menu", 0xff67},
    {"PRINT", "Print", 0xff61},
}};

constexpr std::array<KeyNameTable::Entry, 3> Modifiers = {{
    {"+", "Shift_L", 0xffe1},
    {"^", "Control_L", 0xffe3},
    {"%", "Alt_L", 0xffe9},
}};

// ASCII-only comparison: the names are ASCII, and no other letter may pass for one of them.
bool equalsIgnoringAsciiCase(QChar character, char expected) {
    const char16_t c = character.unicode();
    const char16_t upper = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
    return upper == static_cast<unsigned char>(expected);
}

} // namespace

std::span<const KeyNameTable::Entry> KeyNameTable::entries() {
    return Names;
}

const KeyNameTable::Entry* KeyNameTable::match(QStringView text) {
    for (const Entry& entry : Names) {
        const auto length = static_cast<qsizetype>(std::strlen(entry.name));
        if (text.size() <= length || text.at(length) != u'}') {
            continue;
        }
        bool same = true;
        for (qsizetype i = 0; i < length && same; ++i) {
            same = equalsIgnoringAsciiCase(text.at(i), entry.name[i]);
        }
        if (same) {
            return &entry;
        }
    }
    return nullptr;
}

const KeyNameTable::Entry* KeyNameTable::modifierOf(QChar character) {
    for (const Entry& entry : Modifiers) {
        if (character == QLatin1Char(entry.name[0])) {
            return &entry;
        }
    }
    return nullptr;
}
