#pragma once

#include "base/config/Settings.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// A device record as the record layout window shows it, and the rules of marking its fields.
// Records are bytes: every byte becomes one character, so a character position in the shown
// text is the byte position in the record.
namespace RecordText {

// Latin-1, with the control bytes 0-31 and 127 shown as their Unicode control pictures
// (U+2400 + code, U+2421), so that CR and LF stay visible and take one column each.
QString display(const QByteArray& record);
// The inverse of display(); a character outside Latin-1 that is no control picture becomes '?'.
QByteArray bytes(const QString& shown);

// length characters from the 1-based position first. Nothing when first is below 1 or the
// length is negative; a field reaching past the end gives the part that exists.
std::optional<QString> cut(const QString& text, int first, int length);

// A whole number in the 16-bit range, blanks around it allowed; nothing otherwise.
std::optional<std::int16_t> wholeNumber16(const QString& text);

// The field that a selection of length characters from the 0-based position start marks;
// nullopt when it marks none: nothing selected, or positions that do not fit in 16 bits.
std::optional<FieldRange> markedField(int start, int length);

// The code of the sample's last byte, which ends the record; nullopt for an empty sample.
std::optional<int> endCharacterOf(const QString& shown);

} // namespace RecordText
