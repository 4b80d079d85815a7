#pragma once

#include "base/link/LinkLoss.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// The connection to the measuring device: a serial port or a TCP/IP client. Whatever the device
// sends collects in the received bytes until a reader takes it.
class DeviceLink : public QObject {
    Q_OBJECT
public:
    // The received bytes never grow beyond this; older bytes give way to newer ones.
    static constexpr qsizetype MaxBufferedBytes = 64 * 1024;

    using QObject::QObject;

    // A serial port opens now; a TCP/IP connection starts connecting, after dropping the one it
    // had. False, with lastError(), when it could not.
    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // False, with lastError(), when the bytes could not be sent.
    virtual bool write(const QByteArray& bytes) = 0;

    // Bytes received and not yet taken. Readers cut records out of it.
    QByteArray& received() { return m_received; }
    QString lastError() const { return m_lastError; }

Q_SIGNALS:
    void dataArrived();
    // The device went away (adapter unplugged, peer closed); the link is already closed.
    void linkLost(LinkLoss cause);

protected:
    void appendReceived(const QByteArray& bytes);
    void setLastError(const QString& error) { m_lastError = error; }

private:
    QByteArray m_received;
    QString m_lastError;
};
