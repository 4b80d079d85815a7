#pragma once

#include <QByteArray>
#include <QString>

namespace TestFiles {

// Writes bytes to path, creating folders; fails the calling test through QVERIFY-style
// checks in the caller when it returns false.
bool write(const QString& path, const QByteArray& bytes);
QByteArray read(const QString& path);

// Folder of the program's data files in the source tree (language.ini, help pages).
QString sourceDataDir();
// Folder of the built executables.
QString binaryDir();

} // namespace TestFiles
