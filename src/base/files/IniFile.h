#pragma once

#include <QString>

// One-key access to an INI file, for files that are read or written a key at a time (language
// file, kelvane.ini). A read never fails: a missing file, section or key gives the default. A
// write reports success, so that callers that must tell the user can.
namespace IniFile {

QString read(const QString& file, const QString& section, const QString& key, const QString& defaultValue);
bool write(const QString& file, const QString& section, const QString& key, const QString& value);

} // namespace IniFile
