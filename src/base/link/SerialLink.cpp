#include "base/link/SerialLink.h"

#include <QFile>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The group that owns a device this user may not open. Serial devices are the group's to use
// (dialout on Debian), so joining it is the remedy; a device that is only busy has none.
std::optional<QString> owningGroupWithoutAccess(const QString& devicePath) {
    const QByteArray path = QFile::encodeName(devicePath);
    struct stat status {};
    if (::access(path.constData(), R_OK | W_OK) == 0 || ::stat(path.constData(), &status) != 0) {
        return std::nullopt;
    }
    const struct group* owner = ::getgrgid(status.st_gid);
    return owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(status.st_gid);
}

QSerialPort::Parity serialParity(Parity parity) {
    switch (parity) {
    case Parity::Even:
        return QSerialPort::EvenParity;
    case Parity::Odd:
        return QSerialPort::OddParity;
    case Parity::Mark:
        return QSerialPort::MarkParity;
    case Parity::Space:
        return QSerialPort::SpaceParity;
    case Parity::None:
        break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits serialStopBits(StopBits stopBits) {
    switch (stopBits) {
    case StopBits::Two:
        return QSerialPort::TwoStop;
    case StopBits::OneAndHalf:
        return QSerialPort::OneAndHalfStop;
    case StopBits::One:
        break;
    }
    return QSerialPort::OneStop;
}

} // namespace

SerialLink::SerialLink(const QString& kelvaneIniPath, QObject* parent)
    : DeviceLink(parent), m_ports(kelvaneIniPath) {
    connect(&m_serial, &QSerialPort::readyRead, this, &SerialLink::onReadyRead);
    connect(&m_serial, &QSerialPort::errorOccurred, this, &SerialLink::onError);
}

void SerialLink::setLineSettings(const LineSettings& settings) {
    m_lineSettings = settings;
    if (m_serial.isOpen()) {
        applyLineSettings();
    }
}

void SerialLink::applyLineSettings() {
    if (m_lineSettings.baudRate) {
        m_serial.setBaudRate(*m_lineSettings.baudRate);
    }
    m_serial.setParity(serialParity(m_lineSettings.parity));
    if (m_lineSettings.dataBits) {
        m_serial.setDataBits(static_cast<QSerialPort::DataBits>(*m_lineSettings.dataBits));
    }
    m_serial.setStopBits(serialStopBits(m_lineSettings.stopBits));
    m_serial.clearError();
}

bool SerialLink::open() {
    setLastError({});
    m_unavailable = false;
    m_groupToJoin.reset();
    if (m_serial.isOpen()) {
        return true;
    }
    if (!m_ports.exists(m_portNumber)) {
        setLastError(QStringLiteral("COM%1 (%2) does not exist")
                         .arg(m_portNumber)
                         .arg(m_ports.devicePath(m_portNumber)));
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
        setLastError(m_serial.errorString());
        m_unavailable = m_serial.error() == QSerialPort::DeviceNotFoundError ||
                        m_serial.error() == QSerialPort::PermissionError;
        m_groupToJoin = m_serial.error() == QSerialPort::PermissionError
                            ? owningGroupWithoutAccess(devicePath())
                            : std::nullopt;
        m_serial.clearError();
        return false;
    }
    applyLineSettings();
    return true;
}

void SerialLink::close() {
    releaseArrivals();
    if (m_serial.isOpen()) {
        m_serial.close();
    }
}

bool SerialLink::isOpen() const {
    return m_serial.isOpen();
}

qint64 SerialLink::bytesWaiting() const {
    return m_serial.isOpen() ? m_serial.bytesAvailable() : 0;
}

bool SerialLink::write(const QByteArray& bytes) {
    if (!m_serial.isOpen()) {
        setLastError(QStringLiteral("The serial port is not open"));
        return false;
    }
    if (m_serial.write(bytes) != bytes.size()) {
        setLastError(m_serial.errorString());
        return false;
    }
    return true;
}

void SerialLink::onReadyRead() {
    appendReceived(m_serial.readAll());
}

void SerialLink::onError(QSerialPort::SerialPortError error) {
    // A vanished device keeps raising errors in a tight loop until the port is closed.
    if (error == QSerialPort::ReadError || error == QSerialPort::ResourceError) {
        const LinkLoss cause =
            error == QSerialPort::ResourceError ? LinkLoss::DeviceRemoved : LinkLoss::Other;
        releaseArrivals();
        m_serial.close();
        m_serial.clearError();
        Q_EMIT linkLost(cause);
    }
}
