#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <memory>

class FakeShortcutsPortal;

// A stand-in for the desktop's RemoteDesktop portal on a test bus: it owns the portal's bus
// name on a connection of its own, records every call with its arguments, and answers each
// request through a Response signal on the request's path, as the real portal does. Start
// grants the keyboard and hands out a new restore token, unless told to refuse. With shortcuts
// it offers the GlobalShortcuts interface as well.
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.RemoteDesktop")
    Q_PROPERTY(uint AvailableDeviceTypes READ availableDeviceTypes)
    Q_PROPERTY(uint version READ version)
public:
    struct Call {
        QString method;
        QVariantList arguments;
    };

    explicit FakePortal(const QString& busAddress, bool offersShortcuts = false);
    ~FakePortal() override;

    bool isRegistered() const { return m_registered; }
    // Forgets the calls and answers as at the start.
    void reset();
    QList<Call> calls;
    // The answer of Start: 0 granted, 1 cancelled by the user.
    uint startResponse = 0;
    // Keys are refused from the nth NotifyKeyboardKeysym call on (0: never), as when the user
    // ends the session.
    int refuseKeysFrom = 0;
    int tokensHandedOut = 0;
    // Runs on each key that arrives, as a desktop would react to it.
    std::function<void()> onKey;

    uint availableDeviceTypes() const { return 7; }
    uint version() const { return 2; }

    // The keysyms pressed and released, as "+keysym" and "-keysym".
    QStringList keyEvents() const;
    QList<Call> callsOf(const QString& method) const;
    // Null without shortcuts.
    FakeShortcutsPortal* shortcuts() const { return m_shortcuts.get(); }
    QDBusConnection& connection() { return m_connection; }

    // Answers the request of call through a Response signal, after the reply.
    QDBusObjectPath respond(const QDBusMessage& message, const QVariantMap& options, uint response,
                            const QVariantMap& results);

public Q_SLOTS:
    QDBusObjectPath CreateSession(const QVariantMap& options, const QDBusMessage& message);
    QDBusObjectPath SelectDevices(const QDBusObjectPath& session, const QVariantMap& options,
                                  const QDBusMessage& message);
    QDBusObjectPath Start(const QDBusObjectPath& session, const QString& parentWindow,
                          const QVariantMap& options, const QDBusMessage& message);
    void NotifyKeyboardKeysym(const QDBusObjectPath& session, const QVariantMap& options, int keysym,
                              uint state, const QDBusMessage& message);

private:
    QDBusConnection m_connection;
    bool m_registered = false;
    int m_keyCalls = 0;
    // A Qt child as well; deleted first, it leaves the object.
    std::unique_ptr<FakeShortcutsPortal> m_shortcuts;
};
