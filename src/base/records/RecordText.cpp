#include "base/records/RecordText.h"

#include <limits>

namespace {

constexpr char16_t ControlPictures = 0x2400;
constexpr char16_t DeletePicture = 0x2421;
constexpr unsigned char Delete = 0x7f;

} // namespace

namespace RecordText {

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

std::optional<FieldRange> markedField(int start, int length) {
    if (length < 1 || start < 0 || start + length > std::numeric_limits<std::int16_t>::max()) {
        return std::nullopt;
    }
    return FieldRange{static_cast<std::int16_t>(start + 1), static_cast<std::int16_t>(start + length)};
}

std::optional<int> endCharacterOf(const QString& shown) {
    const QByteArray sample = bytes(shown);
    if (sample.isEmpty()) {
        return std::nullopt;
    }
    return static_cast<unsigned char>(sample.back());
}

} // namespace RecordText
