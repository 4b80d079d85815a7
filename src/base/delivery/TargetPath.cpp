#include "base/delivery/TargetPath.h"

#include "base/files/ProgramDirectory.h"

bool isDatabaseServerUrl(const QString& path) {
    return path.startsWith(QLatin1String("postgresql://")) || path.startsWith(QLatin1String("postgres://"));
}

QString resolveTargetPath(const QString& path) {
    if (path.isEmpty() || isDatabaseServerUrl(path)) {
        return path;
    }
    // As QDir's absoluteFilePath has it, without building a QDir for every value.
    return ProgramDirectory::file(path);
}
