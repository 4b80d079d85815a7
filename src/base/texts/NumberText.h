#pragma once

#include <QLocale>
#include <QString>

// Numbers as device records and settings write them, and as the program shows them.
namespace NumberText {

// The leading decimal number of text with "." as the decimal point, whatever the locale:
// blanks are skipped, reading stops at the first character that cannot continue the number,
// and a text that does not begin with a number gives 0.
double leadingNumber(const QString& text);

// Whether text is one number: blanks around it, an optional sign, digits with at most one
// decimal point, nothing else.
bool isPlainNumber(const QString& text);

// A format mask of decimals places and at least width characters: "######0.00".
QString buildNumberMask(int decimals, int width);

// Formats value with a mask of buildNumberMask: rounded half away from zero to the mask's
// decimals, the locale's decimal separator, no leading zeros but at least one digit, a minus
// sign in front of a negative number.
QString formatWithMask(double value, const QString& mask, const QLocale& locale = QLocale::system());

// Reads a number the way formatWithMask writes it; ok reports success.
double readFormatted(const QString& text, const QLocale& locale = QLocale::system(), bool* ok = nullptr);

} // namespace NumberText
