#pragma once

#include <QDBusConnection>
#include <QString>
#include <QVariant>

// The calls every portal interface with sessions shares.
namespace PortalSession {

// A property of interface on the portal object; invalid when the portal does not answer or lacks
// the interface.
QVariant property(const QDBusConnection& connection, const QString& interface, const QString& name,
                  int timeoutMs);

// Creates a session of interface (its CreateSession request) with the tokens given; the
// session's object path, empty when the portal refuses or does not answer.
QString create(const QDBusConnection& connection, const QString& interface, const QString& sessionToken,
               const QString& requestToken, int timeoutMs);

void close(const QDBusConnection& connection, const QString& session, int timeoutMs);

} // namespace PortalSession
