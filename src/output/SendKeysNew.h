#pragma once

#include "output/KeyToken.h"

#include <QString>

#include <vector>

class KeyboardInjector;

// The longest text that is typed; a longer one types nothing.
inline constexpr qsizetype SendKeysMaxLength = 32767;

// The keys that typing text presses, left to right: "{NAME}" of the key name table is that key
// (case ignored), "+", "^" and "%" each tap Shift, Ctrl or Alt alone, every other character is
// typed as itself, including a "{" that starts no table name. Characters without a key (control
// characters other than backspace, tab, line feed, return, escape and delete) are left out.
std::vector<KeyToken> KeyTokensOf(const QString& text);

// Types text into the window that has the keyboard focus.
void SendKeysNew(const QString& text, KeyboardInjector& keyboard);
