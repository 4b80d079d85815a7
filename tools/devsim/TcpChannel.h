#pragma once

#include "Channel.h"

class QTcpSocket;

// A client connected over TCP. The channel takes ownership of the socket.
class TcpChannel : public Channel {
    Q_OBJECT

public:
    TcpChannel(QTcpSocket* socket, QObject* parent);

    QString name() const override { return name_; }
    qint64 backlog() const override;
    void hangUp() override { finish(); }
    void finish() override;

protected:
    void write(const QByteArray& bytes) override;

private:
    void onDisconnected();

    QTcpSocket* socket_;
    QString name_;
    bool closedEmitted_ = false;
};
