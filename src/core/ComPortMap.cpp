#include "core/ComPortMap.h"

#include "settings/IniAccess.h"

#include <sys/stat.h>

ComPortMap::ComPortMap(QString kelvaneIniPath) : m_kelvaneIniPath(std::move(kelvaneIniPath)) {}

QString ComPortMap::devicePath(int portNumber) const {
    const QString mapped = ReadIniValue(
        QStringLiteral("ports"), QStringLiteral("COM") + QString::number(portNumber), {}, m_kelvaneIniPath);
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
