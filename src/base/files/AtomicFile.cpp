#include "base/files/AtomicFile.h"

#include "base/files/FileDescriptor.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void setError(QString* error, const QString& reason) {
    if (error) {
        *error = reason;
    }
}

} // namespace

bool AtomicFile::replace(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        setError(error, file.errorString());
        return false;
    }
    struct stat original;
    if (::stat(QFile::encodeName(path).constData(), &original) == 0 &&
        (original.st_uid != ::geteuid() || original.st_gid != ::getegid())) {
        // Only a privileged process may give the file away; otherwise it becomes ours.
        (void)!::fchown(file.handle(), original.st_uid, original.st_gid);
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        setError(error, file.errorString());
        file.cancelWriting();
        return false;
    }
    if (::fsync(file.handle()) != 0) {
        setError(error, QString::fromLocal8Bit(std::strerror(errno)));
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        setError(error, file.errorString());
        return false;
    }
    FileDescriptor::syncFolderOf(QFileInfo(path).canonicalFilePath());
    return true;
}
