#pragma once

#include <QByteArray>
#include <QString>

namespace TextEncoding {

// UTF-8 when the bytes are valid UTF-8 (a byte order mark is dropped), else Windows-1252,
// the encoding of files written by the program's Windows ancestors.
QString decodeUtf8OrWindows1252(const QByteArray& bytes);

QString decodeWindows1252(const QByteArray& bytes);

} // namespace TextEncoding
