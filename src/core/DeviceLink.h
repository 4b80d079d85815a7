#pragma once

#include "core/ComPortMap.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTcpSocket>

// The connection to the measuring device: a serial port or a TCP/IP client socket. Received
// socket data collects in the receive buffer; serial data stays in the port until read.
class DeviceLink : public QObject {
    Q_OBJECT
public:
    // The receive buffer never grows beyond this; older bytes give way to newer ones.
    static constexpr qsizetype MaxBufferedBytes = 64 * 1024;

    // Socket states as the status texts number them.
    enum SocketState {
        Closed = 0,
        Open = 1,
        Listening = 2,
        ConnectionPending = 3,
        ResolvingHost = 4,
        HostResolved = 5,
        Connecting = 6,
        Connected = 7,
        Closing = 8,
        Error = 9
    };

    explicit DeviceLink(const QString& kelvaneIniPath, QObject* parent = nullptr);

    // Serial port COMn.
    void setPortNumber(int portNumber);
    int portNumber() const { return m_portNumber; }
    bool portExists(int portNumber) const;
    // "9600,O,7,1": baud rate, parity letter, data bits, stop bits.
    void setLineSettings(const QString& settings);
    QString lineSettings() const { return m_lineSettings; }
    // False when the port could not be opened; lastError() tells why.
    bool openSerial();
    void closeSerial();
    bool isSerialOpen() const;
    QByteArray readSerial();
    qint64 serialBytesWaiting() const;
    bool writeSerial(const QByteArray& bytes);
    QString lastError() const { return m_lastError; }
    // True when the last failed open found the device missing or in use.
    bool lastErrorWasUnavailable() const { return m_unavailable; }

    // TCP/IP client.
    void connectSocket(const QString& host, quint16 port);
    void closeSocket();
    int socketState() const;
    bool sendSocket(const QByteArray& bytes);

    QByteArray& receiveBuffer() { return m_receiveBuffer; }

Q_SIGNALS:
    // Data arrived on either link.
    void dataArrived();
    void socketStateChanged(int state);
    // The device went away (adapter unplugged, peer closed); the port is already closed.
    void linkLost(const QString& reason);

private:
    void applyLineSettings();
    void onSerialError(QSerialPort::SerialPortError error);
    void onSocketData();
    void onSocketError(QAbstractSocket::SocketError error);

    ComPortMap m_ports;
    QSerialPort m_serial;
    QTcpSocket m_socket;
    int m_portNumber = 0;
    QString m_lineSettings;
    QString m_lastError;
    bool m_unavailable = false;
    bool m_closingSocket = false;
    QByteArray m_receiveBuffer;
};
