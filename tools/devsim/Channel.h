#pragma once

#include "CommandReader.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// One link to a receiving program: a TCP client or the pseudo-terminal.
class Channel : public QObject {
    Q_OBJECT

public:
    // Records are produced for a channel only while less than this waits for it, so a link that
    // is not read holds a bounded backlog and a continuous stream follows the link's pace.
    static constexpr qint64 kRoomLimit = 16 * 1024;

    explicit Channel(QObject* parent) : QObject(parent) {}

    virtual QString name() const = 0;
    // Bytes handed over but not yet taken by the link.
    virtual qint64 backlog() const = 0;

    bool accepting() const { return !closing_; }
    bool hasRoom() const { return accepting() && backlog() < kRoomLimit; }
    void send(const QByteArray& bytes);

    quint64 recordsSent() const { return recordsSent_; }
    void countRecord() { ++recordsSent_; }

    // Ends the connection once the peer has taken what was sent. A TCP client is dropped; the
    // pseudo-terminal is closed and opened again under a new name, like a replugged adapter.
    virtual void hangUp() = 0;
    // Ends the connection for good once the peer has taken what was sent.
    virtual void finish() = 0;

signals:
    void commandReceived(const QByteArray& line);
    // The link took data and may have room again.
    void writable();
    // Emitted once; the channel can then be deleted.
    void closed();
    // The pseudo-terminal was opened again under a new name.
    void restarted();

protected:
    virtual void write(const QByteArray& bytes) = 0;
    void received(const QByteArray& bytes);
    void setClosing(bool closing) { closing_ = closing; }
    void restartCounting() { recordsSent_ = 0; }

private:
    CommandReader reader_;
    quint64 recordsSent_ = 0;
    bool closing_ = false;
};
