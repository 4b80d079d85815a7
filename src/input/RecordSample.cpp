#include "input/RecordSample.h"

#include <limits>

namespace {

constexpr char16_t ControlPictures = 0x2400;
constexpr char16_t DeletePicture = 0x2421;
constexpr unsigned char Delete = 0x7f;

} // namespace

namespace RecordSample {

QString display(const QByteArray& record) {
    QString shown;
    shown.reserve(record.size());
    for (const char c : record) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20) {
            shown.append(QChar(static_cast<char16_t>(ControlPictures + byte)));
        } else if (byte == Delete) {
            shown.append(QChar(DeletePicture));
        } else {
            shown.append(QChar(static_cast<char16_t>(byte)));
        }
    }
    return shown;
}

QByteArray bytes(const QString& shown) {
    QByteArray record;
    record.reserve(shown.size());
    for (const QChar c : shown) {
        const char16_t code = c.unicode();
        if (code >= ControlPictures && code < ControlPictures + 0x20) {
            record.append(static_cast<char>(code - ControlPictures));
        } else if (code == DeletePicture) {
            record.append(static_cast<char>(Delete));
        } else if (code == QChar::ParagraphSeparator || code == QChar::LineSeparator) {
            // A line break typed into a text box.
            record.append('\n');
        } else if (code <= 0xff) {
            record.append(static_cast<char>(code));
        } else {
            record.append('?');
        }
    }
    return record;
}

std::optional<QString> cut(const QString& text, int first, int length) {
    if (first < 1 || length < 0) {
        return std::nullopt;
    }
    return text.mid(first - 1, length);
}

std::optional<std::int16_t> wholeNumber16(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return std::nullopt;
    }
    qsizetype i = 0;
    if (trimmed.at(0) == u'+' || trimmed.at(0) == u'-') {
        ++i;
    }
    if (i == trimmed.size()) {
        return std::nullopt;
    }
    for (qsizetype j = i; j < trimmed.size(); ++j) {
        if (trimmed.at(j) < u'0' || trimmed.at(j) > u'9') {
            return std::nullopt;
        }
    }
    bool ok = false;
    const short value = trimmed.toShort(&ok, 10);
    if (!ok) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(value);
}

int leadingWholeNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9'; ++i) {
        value = value * 10 + (text.at(i).unicode() - u'0');
        if (value > std::numeric_limits<int>::max()) {
            value = std::numeric_limits<int>::max();
        }
    }
    return static_cast<int>(negative ? -value : value);
}

} // namespace RecordSample
