#include "base/files/ProgramDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString& current() {
    static QString path = QDir::currentPath();
    return path;
}
} // namespace

QString ProgramDirectory::resolve(const QString& executableDirectory) {
    const QString home = qEnvironmentVariable("KELVANE_HOME");
    if (!home.isEmpty()) {
        QDir().mkpath(home);
        return QDir(home).absolutePath();
    }
    if (QFileInfo::exists(QDir(executableDirectory).filePath(QStringLiteral("language.ini")))) {
        return QDir(executableDirectory).absolutePath();
    }
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString target = QDir(config).filePath(QStringLiteral("kelvane"));
    QDir().mkpath(target);
    seed(target, QStringLiteral(KELVANE_DATA_INSTALL_DIR));
    return target;
}

void ProgramDirectory::seed(const QString& target, const QString& source) {
    const QDir sourceDir(source);
    const QStringList files = sourceDir.entryList(QDir::Files);
    for (const QString& name : files) {
        const QString destination = QDir(target).filePath(name);
        // The user's own files are never replaced by the shipped ones.
        if (!QFileInfo::exists(destination)) {
            QFile::copy(sourceDir.filePath(name), destination);
            QFile(destination)
                .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                QFileDevice::ReadOther);
        }
    }
}

void ProgramDirectory::set(const QString& path) {
    current() = QDir(path).absolutePath();
}

QString ProgramDirectory::path() {
    return current();
}

QString ProgramDirectory::file(const QString& name) {
    // The directory is absolute and clean: joining the names is all QDir::filePath would do, and
    // a QDir costs more than the join (the log of transfers asks for every value). A name from
    // the root on stands for itself.
    if (name.startsWith(u'/')) {
        return name;
    }
    const QString& directory = current();
    if (directory.endsWith(u'/')) {
        return directory + name;
    }
    return directory + u'/' + name;
}
