#pragma once

#include "base/link/LinkLoss.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <vector>

class QIODevice;
class QSocketNotifier;

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

    // Between two ticks of the running cycle the bytes a device sends stay with the system and
    // are fetched when the next tick lets events run: a device that streams a record every few
    // milliseconds would otherwise wake the program for every record, most of which no tick
    // takes. Nothing is lost meanwhile; the system holds far more than a tick's worth.
    void holdArrivals();
    void releaseArrivals();

    // While one exists, arrivals are not held: someone waits for them outside the cycle.
    class WaitingReader {
    public:
        explicit WaitingReader(DeviceLink& link);
        ~WaitingReader();
        WaitingReader(const WaitingReader&) = delete;
        WaitingReader& operator=(const WaitingReader&) = delete;

    private:
        DeviceLink& m_link;
    };

Q_SIGNALS:
    void dataArrived();
    // The device went away (adapter unplugged, peer closed); the link is already closed.
    void linkLost(LinkLoss cause);

protected:
    void appendReceived(const QByteArray& bytes);
    void setLastError(const QString& error) { m_lastError = error; }
    // The port or socket the bytes come through, and its descriptor (-1 while closed).
    virtual QIODevice& channel() = 0;
    virtual qintptr channelDescriptor() const = 0;

private:
    QByteArray m_received;
    QString m_lastError;
    // The channel's read notifiers, looked for once per descriptor, and those now held.
    std::vector<QPointer<QSocketNotifier>> m_readNotifiers;
    qintptr m_readNotifiersOf = -1;
    std::vector<QPointer<QSocketNotifier>> m_held;
    int m_waitingReaders = 0;
};
