#pragma once

#include <QString>

// Maps the port numbers of configuration files (COM1, COM2, ...) to serial devices: through
// section [ports] of kelvane.ini (COM3=/dev/ttyUSB0), else COMn is /dev/ttyS(n-1).
class ComPortMap {
public:
    explicit ComPortMap(QString kelvaneIniPath);

    QString devicePath(int portNumber) const;
    // True when the device is a character device (symbolic links followed), which includes
    // pseudo-terminals.
    bool exists(int portNumber) const;

private:
    QString m_kelvaneIniPath;
};
