#include "RecordTemplate.h"

#include <cmath>

namespace {

constexpr int kMaxValueWidth = 30;
constexpr int kMaxDecimals = 9;
constexpr int kMaxSequenceWidth = 18;

bool parseWidth(const QString& text, int minimum, int maximum, int* out) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < minimum || value > maximum) {
        return false;
    }
    *out = value;
    return true;
}

QString span(qsizetype position, int width) {
    return width == 1 ? QString::number(position)
                      : QStringLiteral("%1-%2").arg(position).arg(position + width - 1);
}

} // namespace

std::optional<RecordTemplate> RecordTemplate::parse(const QString& text, int defaultDecimals,
                                                    const QByteArray& unit, bool decimalComma,
                                                    QString* error) {
    RecordTemplate result;
    result.unit_ = unit;
    result.decimalComma_ = decimalComma;
    QByteArray literal;
    const auto flushLiteral = [&] {
        if (!literal.isEmpty()) {
            Field field;
            field.literal = literal;
            field.width = static_cast<int>(literal.size());
            result.fields_.append(field);
            literal.clear();
        }
    };

    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\\') {
            if (i + 1 >= text.size()) {
                *error = QStringLiteral("the format ends with a lone backslash");
                return std::nullopt;
            }
            const QChar e = text.at(++i);
            if (e == u'r') {
                literal += '\r';
            } else if (e == u'n') {
                literal += '\n';
            } else if (e == u't') {
                literal += '\t';
            } else if (e == u'0') {
                literal += '\0';
            } else if (e == u'\\' || e == u'{' || e == u'}') {
                literal += static_cast<char>(e.unicode());
            } else if (e == u'x') {
                bool ok = false;
                const uint code = text.mid(i + 1, 2).toUInt(&ok, 16);
                if (!ok || text.mid(i + 1, 2).size() != 2) {
                    *error = QStringLiteral("\\x in the format needs two hexadecimal digits");
                    return std::nullopt;
                }
                literal += static_cast<char>(code);
                i += 2;
            } else {
                *error = QStringLiteral("unknown escape \\%1 in the format").arg(e);
                return std::nullopt;
            }
        } else if (c == u'{') {
            const qsizetype close = text.indexOf(u'}', i + 1);
            if (close < 0) {
                *error = QStringLiteral("a field in the format lacks its closing brace");
                return std::nullopt;
            }
            const auto field = parseField(text.mid(i + 1, close - i - 1), defaultDecimals, unit, error);
            if (!field) {
                return std::nullopt;
            }
            flushLiteral();
            result.fields_.append(*field);
            i = close;
        } else if (c.unicode() > 0xFF) {
            *error = QStringLiteral("the character %1 in the format does not fit in one byte").arg(c);
            return std::nullopt;
        } else {
            literal += static_cast<char>(c.unicode());
        }
    }
    flushLiteral();

    if (result.fields_.isEmpty()) {
        *error = QStringLiteral("the format is empty");
        return std::nullopt;
    }
    bool signDecimalsSet = false;
    for (Field& field : result.fields_) {
        field.position = result.length_ + 1;
        result.length_ += field.width;
        if (field.kind == Kind::Sign) {
            result.hasSign_ = true;
        }
        // The sign follows the number as the first value field shows it, so "-0.00" never appears.
        if (field.kind == Kind::Value && !signDecimalsSet) {
            result.signDecimals_ = field.decimals;
            signDecimalsSet = true;
        }
    }
    return result;
}

std::optional<RecordTemplate::Field> RecordTemplate::parseField(const QString& fieldText, int defaultDecimals,
                                                                const QByteArray& unit, QString* error) {
    const qsizetype colon = fieldText.indexOf(u':');
    const QString name = colon < 0 ? fieldText : fieldText.left(colon);
    const QString argument = colon < 0 ? QString() : fieldText.mid(colon + 1);
    const bool hasArgument = colon >= 0;
    Field field;
    const auto invalid = [&] {
        *error = QStringLiteral("invalid field {%1} in the format").arg(fieldText);
        return std::nullopt;
    };

    if (name == u"SIGN" || name == u"STATE") {
        if (hasArgument) {
            return invalid();
        }
        field.kind = name == u"SIGN" ? Kind::Sign : Kind::State;
        field.width = 1;
    } else if (name == u"SEQ") {
        field.kind = Kind::Sequence;
        if (!hasArgument || !parseWidth(argument, 1, kMaxSequenceWidth, &field.width)) {
            return invalid();
        }
    } else if (name == u"VALUE") {
        field.kind = Kind::Value;
        const qsizetype dot = argument.indexOf(u'.');
        field.decimals = defaultDecimals;
        if (!hasArgument ||
            !parseWidth(dot < 0 ? argument : argument.left(dot), 1, kMaxValueWidth, &field.width) ||
            (dot >= 0 && !parseWidth(argument.mid(dot + 1), 0, kMaxDecimals, &field.decimals))) {
            return invalid();
        }
        // Room for at least "0.", the decimals and nothing else.
        if (field.decimals > 0 && field.width < field.decimals + 2) {
            *error = QStringLiteral("the field {%1} is too narrow for %2 decimals")
                         .arg(fieldText)
                         .arg(field.decimals);
            return std::nullopt;
        }
    } else if (name == u"UNIT") {
        field.kind = Kind::Unit;
        field.width = static_cast<int>(unit.size());
        if (hasArgument && !parseWidth(argument, 1, kMaxValueWidth, &field.width)) {
            return invalid();
        }
        if (unit.size() > field.width) {
            *error = QStringLiteral("the unit \"%1\" does not fit the field {%2}")
                         .arg(QString::fromLatin1(unit), fieldText);
            return std::nullopt;
        }
        if (field.width == 0) {
            return invalid();
        }
    } else {
        *error = QStringLiteral("unknown field {%1} in the format").arg(fieldText);
        return std::nullopt;
    }
    return field;
}

bool RecordTemplate::shownNegative(double value) const {
    if (!(value < 0)) {
        return false;
    }
    const QByteArray digits = QByteArray::number(std::abs(value), 'f', signDecimals_);
    for (const char c : digits) {
        if (c >= '1' && c <= '9') {
            return true;
        }
    }
    return false;
}

QByteArray RecordTemplate::valueText(const Field& field, double value) const {
    QByteArray digits = QByteArray::number(std::abs(value), 'f', field.decimals);
    if (decimalComma_) {
        digits.replace('.', ',');
    }
    if (!hasSign_ && shownNegative(value)) {
        digits.prepend('-');
    }
    return digits;
}

QByteArray RecordTemplate::render(const Reading& reading) const {
    QByteArray record;
    record.reserve(length_);
    for (const Field& field : fields_) {
        switch (field.kind) {
        case Kind::Literal:
            record += field.literal;
            break;
        case Kind::Sign:
            record += shownNegative(reading.value) ? '-' : '+';
            break;
        case Kind::State:
            record += reading.stable ? 'S' : 'D';
            break;
        case Kind::Sequence: {
            quint64 modulus = 1;
            for (int i = 0; i < field.width; ++i) {
                modulus *= 10;
            }
            record += QByteArray::number(reading.sequence % modulus).rightJustified(field.width, '0');
            break;
        }
        case Kind::Value: {
            const QByteArray text = valueText(field, reading.value);
            // A value too large for its field is shown as overload rather than cut to a wrong number.
            record += text.size() > field.width ? QByteArray(field.width, '*')
                                                : text.rightJustified(field.width, ' ');
            break;
        }
        case Kind::Unit:
            // A balance that has not settled leaves the unit out; the receiver reads that as unstable.
            record += reading.stable ? unit_.leftJustified(field.width, ' ') : QByteArray(field.width, ' ');
            break;
        }
    }
    return record;
}

std::optional<char> RecordTemplate::endCharacter() const {
    const Field& last = fields_.constLast();
    if (last.kind != Kind::Literal) {
        return std::nullopt;
    }
    return last.literal.back();
}

bool RecordTemplate::fits(double value) const {
    for (const Field& field : fields_) {
        if (field.kind == Kind::Value && valueText(field, value).size() > field.width) {
            return false;
        }
    }
    return true;
}

QString RecordTemplate::layout() const {
    QStringList parts{QStringLiteral("length %1").arg(length_)};
    const auto end = endCharacter();
    parts << (end ? QStringLiteral("end %1").arg(static_cast<uchar>(*end)) : QStringLiteral("end none"));
    const struct {
        Kind kind;
        const char* name;
    } named[] = {{Kind::State, "state"},
                 {Kind::Sequence, "sequence"},
                 {Kind::Sign, "sign"},
                 {Kind::Value, "value"},
                 {Kind::Unit, "unit"}};
    for (const auto& entry : named) {
        for (const Field& field : fields_) {
            if (field.kind == entry.kind) {
                parts << QStringLiteral("%1 %2").arg(QLatin1String(entry.name),
                                                     span(field.position, field.width));
                break;
            }
        }
    }
    return parts.join(QStringLiteral(", "));
}
