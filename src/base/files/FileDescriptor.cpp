#include "base/files/FileDescriptor.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>

void FileDescriptor::syncFolderOf(const QString& filePath) {
    const QByteArray folder = QFile::encodeName(QFileInfo(filePath).absolutePath());
    const FileDescriptor dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.isValid()) {
        // Some file systems cannot sync a folder; the file itself is already on disk.
        (void)::fsync(dir.get());
    }
}

bool FileDescriptor::appendWhole(const QByteArray& bytes) const {
    const off_t end = ::lseek(m_fd, 0, SEEK_END);
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t result =
            ::write(m_fd, bytes.constData() + written, static_cast<size_t>(bytes.size() - written));
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result <= 0) {
            const int reason = result < 0 ? errno : ENOSPC;
            if (end >= 0) {
                (void)!::ftruncate(m_fd, end);
            }
            errno = reason;
            return false;
        }
        written += result;
    }
    return true;
}
