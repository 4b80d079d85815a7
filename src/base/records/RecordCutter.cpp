#include "base/records/RecordCutter.h"

namespace RecordCutter {

bool cut(QByteArray& buffer, int recordLength, const RecordEnd& end, QByteArray* tail) {
    const qsizetype length = recordLength;
    if (length < 1 || buffer.size() < length) {
        return false;
    }
    if (end.character) {
        // The record ends with the first end character at position R or later.
        qsizetype last = buffer.indexOf(*end.character);
        if (last >= 0 && last + 1 < length) {
            last = buffer.indexOf(*end.character, length);
        }
        if (last >= 0) {
            const qsizetype start = last + 1 - length;
            if (tail) {
                *tail = buffer.mid(start + length);
            }
            buffer = buffer.mid(start, length);
            return true;
        }
    }
    if (end.none) {
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
