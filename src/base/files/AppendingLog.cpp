#include "base/files/AppendingLog.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

bool isDeleted(const FileDescriptor& file) {
    struct stat status {};
    return ::fstat(file.get(), &status) != 0 || status.st_nlink == 0;
}

} // namespace

bool AppendingLog::append(const QString& path, const QByteArray& entry) {
    if (!m_file.isValid() || path != m_path || m_opened.hasExpired(ReopenAfterMs) || isDeleted(m_file)) {
        m_file.reset(
            ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
        m_path = path;
        m_opened.start();
    }
    return m_file.isValid() && m_file.appendWhole(entry);
}
