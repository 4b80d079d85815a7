#include "support/FakeShortcutsPortal.h"

#include "support/FakePortal.h"

FakeShortcutsPortal::FakeShortcutsPortal(FakePortal* portal)
    : QDBusAbstractAdaptor(portal), m_portal(portal) {}

QDBusObjectPath FakeShortcutsPortal::CreateSession(const QVariantMap& options, const QDBusMessage& message) {
    m_portal->calls << FakePortal::Call{QStringLiteral("Shortcuts.CreateSession"), {options}};
    QString sender = message.service().mid(1);
    sender.replace(u'.', u'_');
    const QString session = QStringLiteral("/org/freedesktop/portal/desktop/session/") + sender + u'/' +
                            options.value(QStringLiteral("session_handle_token")).toString();
    return m_portal->respond(message, options, 0, {{QStringLiteral("session_handle"), session}});
}

QDBusObjectPath FakeShortcutsPortal::BindShortcuts(const QDBusObjectPath& session,
                                                   const QList<PortalShortcut>& shortcuts,
                                                   const QString& parentWindow, const QVariantMap& options,
                                                   const QDBusMessage& message) {
    m_portal->calls << FakePortal::Call{QStringLiteral("BindShortcuts"),
                                        {session.path(), parentWindow, options}};
    boundSession = session.path();
    bound = shortcuts;
    return m_portal->respond(message, options, 0, {});
}

bool FakeShortcutsPortal::send(const QString& id, bool activated) {
    QDBusMessage signal =
        QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/portal/desktop"),
                                   QStringLiteral("org.freedesktop.portal.GlobalShortcuts"),
                                   activated ? QStringLiteral("Activated") : QStringLiteral("Deactivated"));
    signal << QVariant::fromValue(QDBusObjectPath(boundSession)) << id << ++m_timestamp << QVariantMap();
    return m_portal->connection().send(signal);
}
