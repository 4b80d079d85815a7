#include "base/link/ComPortMap.h"

#include "base/files/IniFile.h"

#include <sys/stat.h>

ComPortMap::ComPortMap(QString kelvaneIniPath) : m_kelvaneIniPath(std::move(kelvaneIniPath)) {}

QString ComPortMap::devicePath(int portNumber) const {
    const QString mapped = IniFile::read(m_kelvaneIniPath, QStringLiteral("ports"),
                                         QStringLiteral("COM") + QString::number(portNumber), {});
    if (!mapped.isEmpty()) {
        return mapped;
    }
    return QStringLiteral("/dev/ttyS") + QString::number(portNumber - 1);
}

bool ComPortMap::exists(int portNumber) const {
    if (portNumber < 1) {
        return false;
    }
    struct stat info {};
    const QByteArray path = devicePath(portNumber).toLocal8Bit();
    return ::stat(path.constData(), &info) == 0 && S_ISCHR(info.st_mode);
}
