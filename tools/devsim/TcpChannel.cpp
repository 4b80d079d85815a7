#include "TcpChannel.h"

#include <QTcpSocket>

TcpChannel::TcpChannel(QTcpSocket* socket, QObject* parent)
    : Channel(parent), socket_(socket),
      name_(QStringLiteral("tcp %1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort())) {
    socket_->setParent(this);
    // Command answers are small single writes; do not let them wait for an acknowledgement.
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(socket_, &QTcpSocket::readyRead, this, [this] { received(socket_->readAll()); });
    connect(socket_, &QTcpSocket::bytesWritten, this, [this] { emit writable(); });
    connect(socket_, &QTcpSocket::disconnected, this, &TcpChannel::onDisconnected);
    // A reset or refused write ends the connection; the disconnected signal then follows.
    connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        if (socket_->state() == QAbstractSocket::UnconnectedState) {
            onDisconnected();
        }
    });
}

qint64 TcpChannel::backlog() const {
    return socket_->bytesToWrite();
}

void TcpChannel::write(const QByteArray& bytes) {
    socket_->write(bytes);
}

void TcpChannel::finish() {
    setClosing(true);
    if (socket_->state() == QAbstractSocket::UnconnectedState) {
        onDisconnected();
        return;
    }
    // Sends what is queued, then closes.
    socket_->disconnectFromHost();
}

void TcpChannel::onDisconnected() {
    setClosing(true);
    if (!closedEmitted_) {
        closedEmitted_ = true;
        emit closed();
    }
}
