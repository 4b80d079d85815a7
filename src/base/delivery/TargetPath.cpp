#include "base/delivery/TargetPath.h"

#include "base/files/ProgramDirectory.h"

#include <QDir>

bool isDatabaseServerUrl(const QString& path) {
    return path.startsWith(QLatin1String("postgresql://")) || path.startsWith(QLatin1String("postgres://"));
}

QString resolveTargetPath(const QString& path) {
    if (path.isEmpty() || isDatabaseServerUrl(path)) {
        return path;
    }
    return QDir(ProgramDirectory::path()).absoluteFilePath(path);
}
