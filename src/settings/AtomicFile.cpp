#include "settings/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace AtomicFile {

namespace {

// Closes the descriptor and removes the temporary file unless released.
class TemporaryFile {
public:
    TemporaryFile(int fd, QByteArray path) : m_fd(fd), m_path(std::move(path)) {}
    ~TemporaryFile() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        if (!m_path.isEmpty()) {
            ::unlink(m_path.constData());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return m_fd; }
    bool close() {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result == 0;
    }
    void release() { m_path.clear(); }

private:
    int m_fd;
    QByteArray m_path;
};

bool fail(QString* error, const QString& reason) {
    if (error) {
        *error = reason;
    }
    return false;
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

bool write(const QString& path, const QByteArray& bytes, QString* error) {
    if (path.isEmpty()) {
        return fail(error, QStringLiteral("no file name"));
    }
    const QFileInfo target(path);
    const QByteArray targetPath = QFile::encodeName(target.absoluteFilePath());
    QByteArray pattern =
        QFile::encodeName(target.absolutePath()) + "/." + QFile::encodeName(target.fileName()) + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        return fail(error, systemError());
    }
    TemporaryFile temporary(fd, pattern);

    // Keep the permissions of the file being replaced; a new file gets the usual ones.
    struct stat existing {};
    const mode_t mode = ::stat(targetPath.constData(), &existing) == 0 ? (existing.st_mode & 07777) : 0644;
    ::fchmod(fd, mode);

    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t result =
            ::write(fd, bytes.constData() + written, static_cast<size_t>(bytes.size() - written));
        if (result < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fail(error, systemError());
        }
        written += result;
    }
    if (::fsync(fd) != 0) {
        return fail(error, systemError());
    }
    if (!temporary.close()) {
        return fail(error, systemError());
    }
    if (::rename(pattern.constData(), targetPath.constData()) != 0) {
        return fail(error, systemError());
    }
    temporary.release();
    // The rename itself must reach the disk too.
    const int directory =
        ::open(QFile::encodeName(target.absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (directory >= 0) {
        ::fsync(directory);
        ::close(directory);
    }
    return true;
}

} // namespace AtomicFile
