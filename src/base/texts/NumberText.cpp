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
// anyone reading the display expects. Digits in the C locale, "iii.ddd". Every delivered value
// passes here, so the digits are worked on as bytes.
std::string roundedMagnitude(double magnitude, int decimals) {
    // d.ddddddddddddddde[+-]xx: 16 significant digits.
    const QString scientific = QString::number(magnitude, 'e', 15);
    const qsizetype e = scientific.indexOf(u'e');
    std::string digits;
    digits.reserve(32);
    digits += static_cast<char>(scientific.at(0).unicode());
    for (qsizetype i = 2; i < e; ++i) {
        digits += static_cast<char>(scientific.at(i).unicode());
    }
    int exponent = 0;
    for (qsizetype i = e + 2; i < scientific.size(); ++i) {
        exponent = exponent * 10 + (scientific.at(i).unicode() - u'0');
    }
    if (scientific.at(e + 1) == u'-') {
        exponent = -exponent;
    }
    // Adds one at index; true when the digits gained a leading one.
    const auto incrementFrom = [](std::string& d, std::size_t index) {
        for (std::size_t i = index + 1; i-- > 0;) {
            if (d[i] != '9') {
                ++d[i];
                return false;
            }
            d[i] = '0';
        }
        d.insert(d.begin(), '1');
        return true;
    };
    // Drop the 16th digit so 15 remain, rounded.
    const bool roundUp16 = digits.at(15) >= '5';
    digits.resize(15);
    if (roundUp16 && incrementFrom(digits, digits.size() - 1)) {
        ++exponent;
        digits.pop_back();
    }
    // Integer digits are those up to the exponent; pad with zeros as needed.
    std::size_t integerCount = 1;
    if (exponent < 0) {
        digits.insert(0, static_cast<std::size_t>(-exponent), '0');
    } else {
        integerCount = static_cast<std::size_t>(exponent) + 1;
    }
    const std::size_t kept = integerCount + static_cast<std::size_t>(decimals);
    if (digits.size() < kept + 1) {
        digits.resize(kept + 1, '0');
    }
    const bool roundUp = digits.at(kept) >= '5';
    digits.resize(kept);
    if (roundUp && incrementFrom(digits, kept - 1)) {
        ++integerCount;
    }
    digits.insert(integerCount, 1, '.');
    return digits;
}

} // namespace

QString formatWithMask(double value, const QString& mask, const QLocale& locale) {
    const qsizetype point = mask.indexOf(u'.');
    const int decimals = point < 0 ? 0 : static_cast<int>(mask.size() - point - 1);
    if (!std::isfinite(value)) {
        return locale.toString(value);
    }
    const std::string rounded = roundedMagnitude(std::fabs(value), decimals);
    // The locale's own digits, decimal separator and minus sign; a value that rounds to zero
    // shows no minus sign. A zero digit of one code unit is followed by the other nine.
    const QString zeroDigit = locale.zeroDigit();
    QString text;
    text.reserve(static_cast<qsizetype>(rounded.size()) + 2);
    bool zero = true;
    for (const char c : rounded) {
        if (c == '.') {
            if (decimals > 0) {
                text += locale.decimalPoint();
            }
            continue;
        }
        zero = zero && c == '0';
        const int digit = c - '0';
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
