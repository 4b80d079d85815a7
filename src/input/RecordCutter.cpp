#include "input/RecordCutter.h"

#include "settings/NumberText.h"

#include <optional>

namespace RecordCutter {

namespace {

// The end character's code, when the text names one.
std::optional<char> endCharacter(const QString& endChar) {
    bool ok = false;
    const int code = endChar.trimmed().toInt(&ok);
    if (!ok || code < 0 || code > 255) {
        return std::nullopt;
    }
    return static_cast<char>(code);
}

} // namespace

bool cut(QByteArray& buffer, int recordLength, const QString& endChar, int noEnd, QByteArray* tail) {
    const qsizetype length = recordLength;
    if (length < 1 || buffer.size() < length) {
        return false;
    }
    if (!endChar.trimmed().isEmpty()) {
        if (const auto c = endCharacter(endChar)) {
            // The record ends with the first end character at position R or later.
            qsizetype end = buffer.indexOf(*c);
            if (end >= 0 && end + 1 < length) {
                end = buffer.indexOf(*c, length);
            }
            if (end >= 0) {
                const qsizetype start = end + 1 - length;
                const qsizetype keep = length - noEnd;
                if (keep >= 0) {
                    if (tail) {
                        *tail = buffer.mid(start + length);
                    }
                    buffer = buffer.mid(start, keep);
                    return true;
                }
            }
        }
    }
    if (NumberText::leadingNumber(endChar) == 0.0) {
        if (tail) {
            tail->clear();
        }
        return true;
    }
    return false;
}

QByteArray field(const QByteArray& record, int first, int last) {
    if (first < 1 || last < first) {
        return {};
    }
    return record.mid(first - 1, last - first + 1);
}

QString text(const QByteArray& bytes) {
    return QString::fromLatin1(bytes);
}

} // namespace RecordCutter
