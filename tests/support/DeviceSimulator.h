#pragma once

#include "support/ProcessRunner.h"

#include <QStringList>

// kelvane-devsim started on a free loopback port.
class DeviceSimulator {
public:
    // Starts the simulator with --tcp PORT (0: a free one) and the extra arguments.
    bool start(const QStringList& arguments, quint16 port = 0);
    void stop();
    quint16 port() const { return m_port; }
    // The configuration keys that name this simulator as the device.
    QByteArray portSettings() const;
    ProcessRunner& process() { return m_process; }

private:
    ProcessRunner m_process{QStringLiteral("kelvane-devsim")};
    quint16 m_port = 0;
};
