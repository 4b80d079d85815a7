#pragma once

#include "platform/portal/PortalShortcut.h"

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDBusObjectPath>

class FakePortal;

// The GlobalShortcuts interface of the fake portal: records the sessions and the shortcuts
// bound (calls "Shortcuts.CreateSession" and "BindShortcuts" of the portal), answers each request
// as granted, and lets a test send the Activated and Deactivated signals of the last session.
class FakeShortcutsPortal : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)
public:
    explicit FakeShortcutsPortal(FakePortal* portal);

    uint version() const { return 1; }
    // The session of the last BindShortcuts, and the shortcuts it bound.
    QString boundSession;
    PortalShortcutList bound;

    // Sends the signal as the desktop does when the user presses (true) or releases the
    // shortcut's keys; false when it could not be sent.
    bool send(const QString& id, bool activated);

public Q_SLOTS:
    QDBusObjectPath CreateSession(const QVariantMap& options, const QDBusMessage& message);
    // Spelled out: QtDBus finds slot parameter types by the name moc records.
    QDBusObjectPath BindShortcuts(const QDBusObjectPath& session, const QList<PortalShortcut>& shortcuts,
                                  const QString& parentWindow, const QVariantMap& options,
                                  const QDBusMessage& message);

private:
    FakePortal* m_portal;
    qulonglong m_timestamp = 1000;
};
