#pragma once

#include <QString>

// Where a target's file is: a relative path in the settings lies in the program directory; a
// database server URL ("postgresql://...") stays as it is.
QString resolveTargetPath(const QString& path);
bool isDatabaseServerUrl(const QString& path);
