#include "core/DeviceLink.h"

#include <QScopedValueRollback>
#include <QStringList>

namespace {

QSerialPort::Parity parityFromLetter(const QString& letter) {
    switch (letter.isEmpty() ? u'N' : letter.at(0).toUpper().unicode()) {
    case u'E':
        return QSerialPort::EvenParity;
    case u'O':
        return QSerialPort::OddParity;
    case u'M':
        return QSerialPort::MarkParity;
    case u'S':
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}

QSerialPort::StopBits stopBitsFrom(const QString& text) {
    if (text.trimmed() == QLatin1String("2")) {
        return QSerialPort::TwoStop;
    }
    if (text.trimmed() == QLatin1String("1.5") || text.trimmed() == QLatin1String("1,5")) {
        return QSerialPort::OneAndHalfStop;
    }
    return QSerialPort::OneStop;
}

} // namespace

DeviceLink::DeviceLink(const QString& kelvaneIniPath, QObject* parent)
    : QObject(parent), m_ports(kelvaneIniPath) {
    connect(&m_serial, &QSerialPort::readyRead, this, &DeviceLink::dataArrived);
    connect(&m_serial, &QSerialPort::errorOccurred, this, &DeviceLink::onSerialError);
    connect(&m_socket, &QTcpSocket::readyRead, this, &DeviceLink::onSocketData);
    connect(&m_socket, &QTcpSocket::stateChanged, this, [this] { Q_EMIT socketStateChanged(socketState()); });
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &DeviceLink::onSocketError);
}

void DeviceLink::setPortNumber(int portNumber) {
    m_portNumber = portNumber;
}

bool DeviceLink::portExists(int portNumber) const {
    return m_ports.exists(portNumber);
}

void DeviceLink::setLineSettings(const QString& settings) {
    m_lineSettings = settings;
    if (m_serial.isOpen()) {
        applyLineSettings();
    }
}

void DeviceLink::applyLineSettings() {
    const QStringList parts = m_lineSettings.split(u',');
    // Each setting on its own: a device that refuses one (pseudo-terminals refuse 7 data bits)
    // keeps working with the others.
    if (!parts.isEmpty()) {
        bool ok = false;
        const int baud = parts.at(0).trimmed().toInt(&ok);
        if (ok && baud > 0) {
            m_serial.setBaudRate(baud);
        }
    }
    if (parts.size() > 1) {
        m_serial.setParity(parityFromLetter(parts.at(1).trimmed()));
    }
    if (parts.size() > 2) {
        bool ok = false;
        const int bits = parts.at(2).trimmed().toInt(&ok);
        if (ok && bits >= 5 && bits <= 8) {
            m_serial.setDataBits(static_cast<QSerialPort::DataBits>(bits));
        }
    }
    if (parts.size() > 3) {
        m_serial.setStopBits(stopBitsFrom(parts.at(3)));
    }
    m_serial.clearError();
}

bool DeviceLink::openSerial() {
    m_lastError.clear();
    m_unavailable = false;
    if (m_serial.isOpen()) {
        return true;
    }
    if (!m_ports.exists(m_portNumber)) {
        m_lastError = QStringLiteral("COM%1 (%2) does not exist")
                          .arg(m_portNumber)
                          .arg(m_ports.devicePath(m_portNumber));
        m_unavailable = true;
        return false;
    }
    m_serial.setPortName(m_ports.devicePath(m_portNumber));
    // Open with settings every device accepts, then apply the configured ones one by one.
    m_serial.setBaudRate(QSerialPort::Baud9600);
    m_serial.setDataBits(QSerialPort::Data8);
    m_serial.setParity(QSerialPort::NoParity);
    m_serial.setStopBits(QSerialPort::OneStop);
    m_serial.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_serial.open(QIODevice::ReadWrite)) {
        m_lastError = m_serial.errorString();
        m_unavailable = m_serial.error() == QSerialPort::DeviceNotFoundError ||
                        m_serial.error() == QSerialPort::PermissionError;
        m_serial.clearError();
        return false;
    }
    applyLineSettings();
    return true;
}

void DeviceLink::closeSerial() {
    if (m_serial.isOpen()) {
        m_serial.close();
    }
}

bool DeviceLink::isSerialOpen() const {
    return m_serial.isOpen();
}

QByteArray DeviceLink::readSerial() {
    return m_serial.isOpen() ? m_serial.readAll() : QByteArray();
}

qint64 DeviceLink::serialBytesWaiting() const {
    return m_serial.isOpen() ? m_serial.bytesAvailable() : 0;
}

bool DeviceLink::writeSerial(const QByteArray& bytes) {
    if (!m_serial.isOpen()) {
        m_lastError = QStringLiteral("The serial port is not open");
        return false;
    }
    if (m_serial.write(bytes) != bytes.size()) {
        m_lastError = m_serial.errorString();
        return false;
    }
    return true;
}

void DeviceLink::onSerialError(QSerialPort::SerialPortError error) {
    // A vanished device keeps raising errors in a tight loop until the port is closed.
    if (error == QSerialPort::ReadError || error == QSerialPort::ResourceError) {
        const QString reason = m_serial.errorString();
        m_serial.close();
        m_serial.clearError();
        Q_EMIT linkLost(reason);
    }
}

void DeviceLink::onSocketError(QAbstractSocket::SocketError) {
    // Our own close is no loss; anything else (refused, peer gone, host unknown) is reported
    // once, and the socket stays closed until the user goes online again.
    if (m_closingSocket) {
        return;
    }
    const QString reason = m_socket.errorString();
    m_socket.abort();
    Q_EMIT linkLost(reason);
}

void DeviceLink::connectSocket(const QString& host, quint16 port) {
    m_closingSocket = true;
    m_socket.abort();
    m_closingSocket = false;
    m_socket.connectToHost(host, port);
}

void DeviceLink::closeSocket() {
    const QScopedValueRollback closing(m_closingSocket, true);
    if (m_socket.state() != QAbstractSocket::UnconnectedState) {
        m_socket.disconnectFromHost();
        if (m_socket.state() != QAbstractSocket::UnconnectedState) {
            m_socket.abort();
        }
    }
}

int DeviceLink::socketState() const {
    switch (m_socket.state()) {
    case QAbstractSocket::UnconnectedState:
        return Closed;
    case QAbstractSocket::HostLookupState:
        return ResolvingHost;
    case QAbstractSocket::ConnectingState:
        return Connecting;
    case QAbstractSocket::ConnectedState:
        return Connected;
    case QAbstractSocket::BoundState:
        return Open;
    case QAbstractSocket::ListeningState:
        return Listening;
    case QAbstractSocket::ClosingState:
        return Closing;
    }
    return Error;
}

bool DeviceLink::sendSocket(const QByteArray& bytes) {
    if (m_socket.state() != QAbstractSocket::ConnectedState) {
        m_lastError = QStringLiteral("The TCP/IP connection is not established");
        return false;
    }
    return m_socket.write(bytes) == bytes.size();
}

void DeviceLink::onSocketData() {
    m_receiveBuffer.append(m_socket.readAll());
    if (m_receiveBuffer.size() > MaxBufferedBytes) {
        m_receiveBuffer.remove(0, m_receiveBuffer.size() - MaxBufferedBytes);
    }
    Q_EMIT dataArrived();
}
