#include "base/link/TcpLink.h"

#include <QScopedValueRollback>

TcpLink::TcpLink(QObject* parent) : DeviceLink(parent) {
    connect(&m_socket, &QTcpSocket::readyRead, this, [this] { appendReceived(m_socket.readAll()); });
    connect(&m_socket, &QTcpSocket::stateChanged, this, [this] { Q_EMIT stateChanged(state()); });
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &TcpLink::onError);
}

void TcpLink::setPeer(const QString& host, quint16 port) {
    m_host = host;
    m_port = port;
}

bool TcpLink::open() {
    // A connection that is up or on its way to the same peer is kept: connecting again would lose
    // the bytes in flight, and a device that serves one client would see resets.
    if (m_socket.state() != QAbstractSocket::UnconnectedState && m_host == m_connectedHost &&
        m_port == m_connectedPort) {
        return true;
    }
    releaseArrivals();
    {
        const QScopedValueRollback closing(m_closing, true);
        m_socket.abort();
    }
    m_connectedHost = m_host;
    m_connectedPort = m_port;
    m_socket.connectToHost(m_host, m_port);
    return true;
}

void TcpLink::close() {
    releaseArrivals();
    const QScopedValueRollback closing(m_closing, true);
    if (m_socket.state() != QAbstractSocket::UnconnectedState) {
        m_socket.disconnectFromHost();
        if (m_socket.state() != QAbstractSocket::UnconnectedState) {
            m_socket.abort();
        }
    }
}

bool TcpLink::isOpen() const {
    return m_socket.state() != QAbstractSocket::UnconnectedState;
}

bool TcpLink::write(const QByteArray& bytes) {
    if (m_socket.state() != QAbstractSocket::ConnectedState) {
        setLastError(QStringLiteral("The TCP/IP connection is not established"));
        return false;
    }
    return m_socket.write(bytes) == bytes.size();
}

TcpLink::State TcpLink::state() const {
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

void TcpLink::onError() {
    // Our own close is no loss; anything else (refused, peer gone, host unknown) is reported
    // once, and the socket stays closed until the user goes online again.
    if (m_closing) {
        return;
    }
    LinkLoss cause = LinkLoss::Other;
    switch (m_socket.error()) {
    case QAbstractSocket::RemoteHostClosedError:
        cause = LinkLoss::PeerClosed;
        break;
    case QAbstractSocket::ConnectionRefusedError:
        cause = LinkLoss::Refused;
        break;
    case QAbstractSocket::HostNotFoundError:
        cause = LinkLoss::HostNotFound;
        break;
    default:
        break;
    }
    releaseArrivals();
    m_socket.abort();
    Q_EMIT linkLost(cause);
}
