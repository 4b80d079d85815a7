#include "platform/portal/PortalKeyboard.h"

#include "platform/portal/PortalNames.h"
#include "platform/portal/PortalRequest.h"
#include "platform/portal/PortalSession.h"

#include <QDBusObjectPath>

namespace {

constexpr uint KeyboardDevice = 1;
// Until the user revokes it.
constexpr uint PersistUntilRevoked = 2;
// persist_mode and restore_token came with version 2 of the interface.
constexpr uint PersistVersion = 2;

QDBusMessage remoteDesktopCall(const QString& method) {
    return QDBusMessage::createMethodCall(PortalNames::Service, PortalNames::Path,
                                          PortalNames::RemoteDesktopInterface, method);
}

} // namespace

std::unique_ptr<PortalKeyboard> PortalKeyboard::create(QDBusConnection connection, TokenStore store) {
    if (!connection.isConnected()) {
        return nullptr;
    }
    const QVariant types = PortalSession::property(connection, PortalNames::RemoteDesktopInterface,
                                                   QStringLiteral("AvailableDeviceTypes"), RequestTimeoutMs);
    const QVariant version = PortalSession::property(connection, PortalNames::RemoteDesktopInterface,
                                                     QStringLiteral("version"), RequestTimeoutMs);
    if (!types.isValid() || (types.toUInt() & KeyboardDevice) == 0 || !version.isValid()) {
        return nullptr;
    }
    return std::make_unique<PortalKeyboard>(Key(), std::move(connection), version.toUInt(), std::move(store));
}

PortalKeyboard::PortalKeyboard(Key, QDBusConnection connection, uint version, TokenStore store)
    : m_connection(std::move(connection)), m_version(version), m_store(std::move(store)) {}

PortalKeyboard::~PortalKeyboard() {
    closeSession();
}

QString PortalKeyboard::nextToken() {
    return QStringLiteral("kelvane%1").arg(++m_tokens);
}

bool PortalKeyboard::startSession() {
    const QString sessionToken = nextToken();
    m_session = PortalSession::create(m_connection, PortalNames::RemoteDesktopInterface, sessionToken,
                                      nextToken(), RequestTimeoutMs);
    if (m_session.isEmpty()) {
        return false;
    }
    {
        const QString token = nextToken();
        PortalRequest request(m_connection, token);
        QVariantMap options{{QStringLiteral("handle_token"), token},
                            {QStringLiteral("types"), QVariant::fromValue(KeyboardDevice)}};
        if (m_version >= PersistVersion) {
            options.insert(QStringLiteral("persist_mode"), QVariant::fromValue(PersistUntilRevoked));
            const QString restoreToken = m_store.load ? m_store.load() : QString();
            if (!restoreToken.isEmpty()) {
                options.insert(QStringLiteral("restore_token"), restoreToken);
            }
        }
        QDBusMessage call = remoteDesktopCall(QStringLiteral("SelectDevices"));
        call << QVariant::fromValue(QDBusObjectPath(m_session)) << options;
        if (request.run(call, RequestTimeoutMs) != PortalRequest::Outcome::Granted) {
            closeSession();
            return false;
        }
    }
    const QString token = nextToken();
    PortalRequest request(m_connection, token);
    QDBusMessage call = remoteDesktopCall(QStringLiteral("Start"));
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token}};
    if (request.run(call, StartTimeoutMs) != PortalRequest::Outcome::Granted ||
        (request.results().value(QStringLiteral("devices")).toUInt() & KeyboardDevice) == 0) {
        closeSession();
        return false;
    }
    // Each start hands out a new token; the old one is spent.
    const QString restoreToken = request.results().value(QStringLiteral("restore_token")).toString();
    if (!restoreToken.isEmpty() && m_store.save) {
        m_store.save(restoreToken);
    }
    return true;
}

void PortalKeyboard::closeSession() {
    if (m_session.isEmpty()) {
        return;
    }
    PortalSession::close(m_connection, m_session, RequestTimeoutMs);
    m_session.clear();
}

bool PortalKeyboard::notifyKeysym(std::uint32_t keysym, bool pressed) {
    QDBusMessage call = remoteDesktopCall(QStringLiteral("NotifyKeyboardKeysym"));
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariantMap() << static_cast<int>(keysym)
         << static_cast<uint>(pressed ? 1 : 0);
    return m_connection.call(call, QDBus::BlockWithGui, RequestTimeoutMs).type() ==
           QDBusMessage::ReplyMessage;
}

void PortalKeyboard::typeKeys(const std::vector<KeyToken>& keys) {
    if (m_typingObserver) {
        m_typingObserver(true);
    }
    typeBurst(keys);
    if (m_typingObserver) {
        m_typingObserver(false);
    }
}

void PortalKeyboard::typeBurst(const std::vector<KeyToken>& keys) {
    if (keys.empty() || (!hasSession() && !startSession())) {
        return;
    }
    for (const KeyToken& key : keys) {
        if (key.keysym == 0) {
            continue;
        }
        // A refused key means the session is gone (closed by the user or the desktop): the next
        // text starts a new one.
        if (!notifyKeysym(key.keysym, true) || !notifyKeysym(key.keysym, false)) {
            m_session.clear();
            return;
        }
    }
}
