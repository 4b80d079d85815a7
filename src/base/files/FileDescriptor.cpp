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
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t result =
            ::write(m_fd, bytes.constData() + written, static_cast<size_t>(bytes.size() - written));
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result <= 0) {
            const int reason = result < 0 ? errno : ENOSPC;
            // Appends went to the end, so the file ended where it now ends less what was
            // written; asking only now spares every successful append a call.
            const off_t end = ::lseek(m_fd, 0, SEEK_END);
            if (end >= written) {
                (void)!::ftruncate(m_fd, end - off_t(written));
            }
            errno = reason;
            return false;
        }
        written += result;
    }
    return true;
}
