#include "platform/portal/PortalRequest.h"

#include "platform/portal/PortalNames.h"

#include <QDBusReply>
#include <QEventLoop>
#include <QTimer>

PortalRequest::PortalRequest(QDBusConnection connection, const QString& token)
    : m_connection(std::move(connection)),
      m_path(objectPath(m_connection, QStringLiteral("request"), token)) {
    // QtDBus connects D-Bus signals by slot name only.
    m_connection.connect(PortalNames::Service, m_path, PortalNames::RequestInterface,
                         QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));
}

PortalRequest::~PortalRequest() {
    m_connection.disconnect(PortalNames::Service, m_path, PortalNames::RequestInterface,
                            QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));
}

QString PortalRequest::objectPath(const QDBusConnection& connection, const QString& kind,
                                  const QString& token) {
    // ":1.42" becomes "1_42".
    QString sender = connection.baseService().mid(1);
    sender.replace(u'.', u'_');
    return QStringLiteral("/org/freedesktop/portal/desktop/") + kind + u'/' + sender + u'/' + token;
}

void PortalRequest::onResponse(uint response, const QVariantMap& results) {
    m_response = response;
    m_results = results;
    Q_EMIT answered();
}

PortalRequest::Outcome PortalRequest::run(const QDBusMessage& call, int timeoutMs) {
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &PortalRequest::answered, &loop, &QEventLoop::quit);
    // The reply (the request's path) comes at once; the events run meanwhile, so that a portal
    // in this same process could answer.
    const QDBusMessage reply = m_connection.call(call, QDBus::BlockWithGui);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        return Outcome::Failed;
    }
    if (!m_response) {
        deadline.start(timeoutMs);
        loop.exec();
    }
    if (!m_response) {
        return Outcome::NoAnswer;
    }
    switch (*m_response) {
    case 0:
        return Outcome::Granted;
    case 1:
        return Outcome::Cancelled;
    default:
        return Outcome::Failed;
    }
}
