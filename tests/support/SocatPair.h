#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// Two connected pseudo-terminals from socat, reachable through fixed link names, so a test
// can play the device on one end while the program opens the other as a serial port.
class SocatPair {
public:
    SocatPair();
    ~SocatPair();

    bool start();
    void stop();

    // The end the program opens, and the end the test writes to as the device.
    QString programEnd() const { return m_dir.filePath(QStringLiteral("program")); }
    QString deviceEnd() const { return m_dir.filePath(QStringLiteral("device")); }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};
