#pragma once

#include <QString>

// The program's only access to INI files. A read never fails (a missing file, section or key
// yields the default); a write reports success so that callers that must tell the user can.
QString ReadIniValue(const QString& section, const QString& key, const QString& defaultValue,
                     const QString& file);
bool WriteIniValue(const QString& section, const QString& key, const QString& value, const QString& file);
