#include "support/FakePortal.h"

#include "support/FakeShortcutsPortal.h"

#include <QTimer>

namespace {

const QString ConnectionName = QStringLiteral("fake-portal");

QString sessionPath(const QDBusMessage& message, const QString& token) {
    QString sender = message.service().mid(1);
    sender.replace(u'.', u'_');
    return QStringLiteral("/org/freedesktop/portal/desktop/session/") + sender + u'/' + token;
}

} // namespace

FakePortal::FakePortal(const QString& busAddress, bool offersShortcuts)
    : m_connection(QDBusConnection::connectToBus(busAddress, ConnectionName)) {
    if (offersShortcuts) {
        PortalShortcut::registerTypes();
        // An adaptor exports its interface beside the object's own.
        m_shortcuts = std::make_unique<FakeShortcutsPortal>(this);
    }
    m_registered =
        m_connection.isConnected() &&
        m_connection.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), this,
                                    QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties |
                                        QDBusConnection::ExportAdaptors) &&
        m_connection.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
}

FakePortal::~FakePortal() {
    m_connection.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
    m_connection.unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"));
    QDBusConnection::disconnectFromBus(m_connection.name());
}

void FakePortal::reset() {
    calls.clear();
    startResponse = 0;
    refuseKeysFrom = 0;
    tokensHandedOut = 0;
    m_keyCalls = 0;
    onKey = nullptr;
    if (m_shortcuts) {
        m_shortcuts->boundSession.clear();
        m_shortcuts->bound.clear();
    }
}

QStringList FakePortal::keyEvents() const {
    QStringList events;
    for (const Call& call : callsOf(QStringLiteral("NotifyKeyboardKeysym"))) {
        events << (call.arguments.at(3).toUInt() == 1 ? u'+' : u'-') +
                      QString::number(call.arguments.at(2).toInt(), 16);
    }
    return events;
}

QList<FakePortal::Call> FakePortal::callsOf(const QString& method) const {
    QList<Call> found;
    for (const Call& call : calls) {
        if (call.method == method) {
            found << call;
        }
    }
    return found;
}

QDBusObjectPath FakePortal::respond(const QDBusMessage& message, const QVariantMap& options, uint response,
                                    const QVariantMap& results) {
    QString sender = message.service().mid(1);
    sender.replace(u'.', u'_');
    const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/") + sender + u'/' +
                         options.value(QStringLiteral("handle_token")).toString();
    // After the reply, as a portal answers once the user has decided.
    QTimer::singleShot(0, this, [this, path, response, results] {
        QDBusMessage signal = QDBusMessage::createSignal(
            path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        signal << response << results;
        m_connection.send(signal);
    });
    return QDBusObjectPath(path);
}

QDBusObjectPath FakePortal::CreateSession(const QVariantMap& options, const QDBusMessage& message) {
    calls << Call{QStringLiteral("CreateSession"), {options}};
    const QString session =
        sessionPath(message, options.value(QStringLiteral("session_handle_token")).toString());
    return respond(message, options, 0, {{QStringLiteral("session_handle"), session}});
}

QDBusObjectPath FakePortal::SelectDevices(const QDBusObjectPath& session, const QVariantMap& options,
                                          const QDBusMessage& message) {
    calls << Call{QStringLiteral("SelectDevices"), {session.path(), options}};
    return respond(message, options, 0, {});
}

QDBusObjectPath FakePortal::Start(const QDBusObjectPath& session, const QString& parentWindow,
                                  const QVariantMap& options, const QDBusMessage& message) {
    calls << Call{QStringLiteral("Start"), {session.path(), parentWindow, options}};
    if (startResponse != 0) {
        return respond(message, options, startResponse, {});
    }
    ++tokensHandedOut;
    return respond(message, options, 0,
                   {{QStringLiteral("devices"), QVariant::fromValue(uint(1))},
                    {QStringLiteral("restore_token"), QStringLiteral("token-%1").arg(tokensHandedOut)}});
}

void FakePortal::NotifyKeyboardKeysym(const QDBusObjectPath& session, const QVariantMap& options, int keysym,
                                      uint state, const QDBusMessage& message) {
    ++m_keyCalls;
    if (refuseKeysFrom > 0 && m_keyCalls >= refuseKeysFrom) {
        message.setDelayedReply(true);
        m_connection.send(message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.Failed"),
                                                   QStringLiteral("the session is closed")));
        return;
    }
    calls << Call{QStringLiteral("NotifyKeyboardKeysym"), {session.path(), options, keysym, state}};
    if (onKey) {
        onKey();
    }
}
