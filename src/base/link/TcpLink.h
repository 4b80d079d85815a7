#pragma once

#include "base/link/DeviceLink.h"

#include <QTcpSocket>

// A device reached over TCP/IP, as a client. Received bytes collect as they arrive.
class TcpLink : public DeviceLink {
    Q_OBJECT
public:
    // Socket states as the status texts number them.
    enum State {
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

    explicit TcpLink(QObject* parent = nullptr);

    void setPeer(const QString& host, quint16 port);

    // Connects to the peer, unless the socket is connected or connecting to it already.
    bool open() override;
    void close() override;
    bool isOpen() const override;
    bool write(const QByteArray& bytes) override;

    State state() const;

Q_SIGNALS:
    void stateChanged(TcpLink::State state);

protected:
    QIODevice& channel() override { return m_socket; }
    qintptr channelDescriptor() const override { return m_socket.socketDescriptor(); }

private:
    void onError();

    QTcpSocket m_socket;
    QString m_host;
    quint16 m_port = 0;
    // The peer the socket was last asked to connect to.
    QString m_connectedHost;
    quint16 m_connectedPort = 0;
    bool m_closing = false;
};
