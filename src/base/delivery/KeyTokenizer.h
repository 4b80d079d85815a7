#pragma once

#include "base/interfaces/KeyToken.h"

#include <QString>

#include <vector>

class Keyboard;

namespace KeyTokenizer {

// The longest text that is typed; a longer one types nothing.
inline constexpr qsizetype MaxTypedLength = 32767;

// The keys that typing text presses, left to right: "{NAME}" of the key name table is that key
// (case ignored), "+", "^" and "%" each tap Shift, Ctrl or Alt alone, every other character is
// typed as itself, including a "{" that starts no table name. Characters without a key (control
// characters other than backspace, tab, line feed, return, escape and delete) are left out.
std::vector<KeyToken> keyTokensOf(const QString& text);

// Types text into the window that has the keyboard focus.
void typeText(const QString& text, Keyboard& keyboard);

} // namespace KeyTokenizer
