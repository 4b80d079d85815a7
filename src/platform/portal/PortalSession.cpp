#include "platform/portal/PortalSession.h"

#include "platform/portal/PortalNames.h"
#include "platform/portal/PortalRequest.h"

#include <QDBusVariant>

QVariant PortalSession::property(const QDBusConnection& connection, const QString& interface,
                                 const QString& name, int timeoutMs) {
    QDBusMessage get = QDBusMessage::createMethodCall(PortalNames::Service, PortalNames::Path,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << interface << name;
    const QDBusMessage reply = connection.call(get, QDBus::BlockWithGui, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return {};
    }
    return reply.arguments().first().value<QDBusVariant>().variant();
}

QString PortalSession::create(const QDBusConnection& connection, const QString& interface,
                              const QString& sessionToken, const QString& requestToken, int timeoutMs) {
    PortalRequest request(connection, requestToken);
    QDBusMessage call = QDBusMessage::createMethodCall(PortalNames::Service, PortalNames::Path, interface,
                                                       QStringLiteral("CreateSession"));
    call << QVariantMap{{QStringLiteral("handle_token"), requestToken},
                        {QStringLiteral("session_handle_token"), sessionToken}};
    if (request.run(call, timeoutMs) != PortalRequest::Outcome::Granted) {
        return {};
    }
    // A string in the results, although it names an object.
    const QString session = request.results().value(QStringLiteral("session_handle")).toString();
    return session.isEmpty() ? PortalRequest::objectPath(connection, QStringLiteral("session"), sessionToken)
                             : session;
}

void PortalSession::close(const QDBusConnection& connection, const QString& session, int timeoutMs) {
    const QDBusMessage close = QDBusMessage::createMethodCall(
        PortalNames::Service, session, PortalNames::SessionInterface, QStringLiteral("Close"));
    connection.call(close, QDBus::BlockWithGui, timeoutMs);
}
