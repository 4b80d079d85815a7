#pragma once

#include "base/config/Settings.h"

#include <QByteArray>
#include <QString>

// Cutting device records: bytes, one byte one position, positions counted from 1.
namespace RecordCutter {

// Tries to cut one record of recordLength bytes that ends with the end character out of
// buffer. On success buffer becomes the record and tail (when given) receives what followed
// it. Without an end character the whole buffer is the record once it holds recordLength bytes.
bool cut(QByteArray& buffer, int recordLength, const RecordEnd& end, QByteArray* tail = nullptr);

// The bytes of a field; the part that exists when the range reaches outside the record, empty
// when the field starts before position 1 or ends before it starts.
QByteArray field(const QByteArray& record, int first, int last);
inline QByteArray field(const QByteArray& record, const FieldRange& range) {
    return field(record, range.first, range.last);
}

// The record as the program shows it: one character per byte.
QString text(const QByteArray& bytes);

} // namespace RecordCutter
