#pragma once

#include <QString>

// The main window's title whenever no status stands in it.
inline const QString ProgramTitle = QStringLiteral("Kelvane Version 4.2");
