#pragma once

#include <QByteArray>
#include <QString>

// Cutting device records: bytes, one byte one position, positions counted from 1.
namespace RecordCutter {

// Tries to cut one record of recordLength bytes ending with the end character (endChar as
// decimal digits) out of buffer. On success buffer becomes the record and tail (when given)
// receives what followed it. An end character that reads as 0, or none, takes the whole
// buffer once it holds recordLength bytes.
bool cut(QByteArray& buffer, int recordLength, const QString& endChar, int noEnd, QByteArray* tail = nullptr);

// The bytes from position first to last, both included; the part that exists when the range
// reaches outside the record, empty when first < 1 or last < first.
QByteArray field(const QByteArray& record, int first, int last);

// The record as the program shows it: one character per byte.
QString text(const QByteArray& bytes);

} // namespace RecordCutter
