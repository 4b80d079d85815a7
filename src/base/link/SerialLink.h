#pragma once

#include "base/link/ComPortMap.h"
#include "base/link/DeviceLink.h"
#include "base/link/LineSettings.h"

#include <QSerialPort>

#include <optional>

// A device on serial port COMn. The line settings are applied one by one, so that a port that
// refuses one (pseudo-terminals refuse 7 data bits) works with the others; a port that fails
// while open (adapter unplugged) is closed at once and reported lost.
class SerialLink : public DeviceLink {
    Q_OBJECT
public:
    explicit SerialLink(const QString& kelvaneIniPath, QObject* parent = nullptr);

    void setPort(int portNumber) { m_portNumber = portNumber; }
    int port() const { return m_portNumber; }
    bool portExists(int portNumber) const { return m_ports.exists(portNumber); }
    // Applied at once when the port is open, else when it opens.
    void setLineSettings(const LineSettings& settings);

    bool open() override;
    void close() override;
    bool isOpen() const override;
    bool write(const QByteArray& bytes) override;

    // Bytes that arrived at the port and are not yet in received().
    qint64 bytesWaiting() const;
    // True when the last failed open found the device missing or in use.
    bool lastErrorWasUnavailable() const { return m_unavailable; }
    // When the last failed open was refused for want of access rights: the group that owns the
    // device, whose members may open it.
    const std::optional<QString>& groupToJoin() const { return m_groupToJoin; }
    QString devicePath() const { return m_ports.devicePath(m_portNumber); }

protected:
    QIODevice& channel() override { return m_serial; }
    qintptr channelDescriptor() const override { return m_serial.isOpen() ? m_serial.handle() : -1; }

private:
    void applyLineSettings();
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);

    ComPortMap m_ports;
    QSerialPort m_serial;
    int m_portNumber = 0;
    LineSettings m_lineSettings;
    bool m_unavailable = false;
    std::optional<QString> m_groupToJoin;
};
