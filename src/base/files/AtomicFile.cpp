#include "base/files/AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void setError(QString* error, const QString& reason) {
    if (error) {
        *error = reason;
    }
}

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// The rename is only durable once the folder's entry is on disk too.
void syncFolder(const QString& filePath) {
    const QByteArray folder = QFile::encodeName(QFileInfo(filePath).absolutePath());
    const Descriptor dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) {
        // Some file systems cannot sync a folder; the file itself is already on disk.
        (void)::fsync(dir.get());
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
    syncFolder(QFileInfo(path).canonicalFilePath());
    return true;
}
