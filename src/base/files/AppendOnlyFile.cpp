#include "base/files/AppendOnlyFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

AppendOnlyFile::AppendOnlyFile() {
    m_idle.setSingleShot(true);
    // Started with the first entry after a pause rather than again with every entry: the
    // entries of a streaming device would restart it a hundred times a second.
    QObject::connect(&m_idle, &QTimer::timeout, &m_idle, [this] {
        const qint64 since = m_lastEntry.elapsed();
        if (since >= ReopenAfterMs) {
            m_file.reset();
        } else {
            m_idle.start(static_cast<int>(ReopenAfterMs - since));
        }
    });
}

bool AppendOnlyFile::isStillAt(const QByteArray& path) const {
    struct stat status {};
    return ::stat(path.constData(), &status) == 0 && status.st_dev == m_device && status.st_ino == m_inode;
}

int AppendOnlyFile::append(const QString& path, const QByteArray& entry) {
    if (path != m_path) {
        m_path = path;
        m_encodedPath = QFile::encodeName(path);
        m_file.reset();
    }
    const QByteArray& encoded = m_encodedPath;
    if (!m_file.isValid() || m_opened.hasExpired(ReopenAfterMs) || !isStillAt(encoded)) {
        m_file.reset(::open(encoded.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
        struct stat status {};
        if (!m_file.isValid() || ::fstat(m_file.get(), &status) != 0) {
            const int reason = errno;
            m_file.reset();
            return reason;
        }
        m_device = status.st_dev;
        m_inode = status.st_ino;
        m_opened.start();
    }
    if (!m_file.appendWhole(entry)) {
        return errno;
    }
    m_lastEntry.start();
    if (!m_idle.isActive()) {
        m_idle.start(ReopenAfterMs);
    }
    return 0;
}
