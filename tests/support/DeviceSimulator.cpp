#include "support/DeviceSimulator.h"

#include <QDeadlineTimer>
#include <QRegularExpression>

#include <csignal>

bool DeviceSimulator::start(const QStringList& arguments, quint16 port) {
    if (!m_process.start(QStringList{QStringLiteral("--tcp"), QString::number(port)} + arguments)) {
        return false;
    }
    static const QRegularExpression line(QStringLiteral("tcp: 127\\.0\\.0\\.1:(\\d+)\\n"));
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        const QRegularExpressionMatch match = line.match(QString::fromUtf8(m_process.standardOutput()));
        if (match.hasMatch()) {
            m_port = static_cast<quint16>(match.captured(1).toUInt());
            return true;
        }
        if (m_process.process().state() == QProcess::NotRunning) {
            return false;
        }
        m_process.process().waitForReadyRead(100);
    }
    return false;
}

void DeviceSimulator::stop() {
    m_process.signalAndWait(SIGTERM);
}

QByteArray DeviceSimulator::portSettings() const {
    return "[Port settings]\nportnum=TCP/IP\ntcpip=127.0.0.1\ntcpport=" + QByteArray::number(m_port) + '\n';
}
