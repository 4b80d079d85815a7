#include "base/texts/NumberText.h"

#include <charconv>
#include <string>

#include <cmath>

namespace NumberText {

double leadingNumber(const QString& text) {
    // Read for every value of a device: the characters go into a small buffer and are read by
    // the C++ library, in no locale.
    std::string number;
    bool negative = false;
    bool seenSign = false;
    bool seenDigit = false;
    bool seenPoint = false;
    for (const QChar c : text) {
        if (c == u' ' || c == u'\t') {
            continue;
        }
        if ((c == u'+' || c == u'-') && !seenSign && number.empty()) {
            seenSign = true;
            negative = c == u'-';
        } else if ((c.unicode() >= u'0' && c.unicode() <= u'9') || (c == u'.' && !seenPoint)) {
            seenDigit = seenDigit || c != u'.';
            seenPoint = seenPoint || c == u'.';
            number += static_cast<char>(c.unicode());
        } else {
            break;
        }
    }
    double value = 0.0;
    if (!seenDigit ||
        std::from_chars(number.data(), number.data() + number.size(), value).ec != std::errc()) {
        return 0.0;
    }
    return negative ? -value : value;
}

bool isPlainNumber(const QString& input) {
    const QString text = input.trimmed();
    qsizetype i = 0;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-')) {
        ++i;
        while (i < text.size() && text.at(i) == u' ') {
            ++i;
        }
    }
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() >= u'0' && c.unicode() <= u'9') {
            digits = true;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digits;
}

QString buildNumberMask(int decimals, int width) {
    if (width < decimals + 3) {
        width = decimals + 3;
    }
    if (decimals < 1) {
        return QString(width - 1, u'#') + u'0';
    }
    return QString(width - decimals - 2, u'#') + QStringLiteral("0.") + QString(decimals, u'0');
}

namespace {

// The magnitude rounded half away from zero to the decimals, from the decimal digits the value
// shows with 15 significant digits rather than its binary approximation: 2.675 becomes 2.68 as
// anyone reading the display expects. Digits in the C locale.
QString roundedMagnitude(double magnitude, int decimals) {
    // d.ddddddddddddddde[+-]xx: 16 significant digits.
    const QString scientific = QString::number(magnitude, 'e', 15);
    QString digits = scientific.left(1) + scientific.mid(2, 15);
    int exponent = scientific.mid(scientific.indexOf(u'e') + 1).toInt();
    const auto incrementFrom = [](QString& d, qsizetype index) {
        for (qsizetype i = index; i >= 0; --i) {
            if (d[i] != u'9') {
                d[i] = QChar(d[i].unicode() + 1);
                return false;
            }
            d[i] = u'0';
        }
        d.prepend(u'1');
        return true;
    };
    // Drop the 16th digit so 15 remain, rounded.
    const bool roundUp16 = digits.at(15).unicode() >= u'5';
    digits.truncate(15);
    if (roundUp16 && incrementFrom(digits, digits.size() - 1)) {
        ++exponent;
        digits.chop(1);
    }
    // Integer digits are those up to the exponent; pad with zeros as needed.
    qsizetype integerCount = exponent + 1;
    if (integerCount <= 0) {
        digits.prepend(QString(-integerCount + 1, u'0'));
        integerCount = 1;
    }
    const qsizetype needed = integerCount + decimals + 1;
    if (digits.size() < needed) {
        digits.append(QString(needed - digits.size(), u'0'));
    }
    const bool roundUp = digits.at(integerCount + decimals).unicode() >= u'5';
    digits.truncate(integerCount + decimals);
    if (roundUp && incrementFrom(digits, digits.size() - 1)) {
        ++integerCount;
    }
    return digits.left(integerCount) + u'.' + digits.mid(integerCount);
}

} // namespace

QString formatWithMask(double value, const QString& mask, const QLocale& locale) {
    const qsizetype point = mask.indexOf(u'.');
    const int decimals = point < 0 ? 0 : static_cast<int>(mask.size() - point - 1);
    if (!std::isfinite(value)) {
        return locale.toString(value);
    }
    const QString rounded = roundedMagnitude(std::fabs(value), decimals);
    // The locale's own digits, decimal separator and minus sign; a value that rounds to zero
    // shows no minus sign. A zero digit of one code unit is followed by the other nine.
    const QString zeroDigit = locale.zeroDigit();
    QString text;
    bool zero = true;
    for (const QChar c : rounded) {
        if (c == u'.') {
            if (decimals > 0) {
                text += locale.decimalPoint();
            }
            continue;
        }
        zero = zero && c == u'0';
        const int digit = c.digitValue();
        if (zeroDigit.size() == 1) {
            text += QChar(zeroDigit.front().unicode() + digit);
        } else {
            text += locale.toString(digit);
        }
    }
    return value < 0 && !zero ? locale.negativeSign() + text : text;
}

double readFormatted(const QString& text, const QLocale& locale, bool* ok) {
    QLocale reader(locale);
    reader.setNumberOptions(QLocale::RejectGroupSeparator);
    bool converted = false;
    const double value = reader.toDouble(text.trimmed(), &converted);
    if (ok) {
        *ok = converted;
    }
    return converted ? value : 0.0;
}

} // namespace NumberText
