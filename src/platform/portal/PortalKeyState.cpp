#include "platform/portal/PortalKeyState.h"

#include "base/texts/LanguageTable.h"
#include "platform/portal/PortalNames.h"
#include "platform/portal/PortalRequest.h"
#include "platform/portal/PortalSession.h"
#include "platform/portal/PortalShortcut.h"
#include "platform/portal/PortalTrigger.h"

#include <algorithm>

namespace {

QDBusMessage shortcutsCall(const QString& method) {
    return QDBusMessage::createMethodCall(PortalNames::Service, PortalNames::Path,
                                          PortalNames::GlobalShortcutsInterface, method);
}

bool holds(const KeyState::Combination& combination, int virtualKey) {
    return std::find(combination.keys.begin(), combination.keys.end(), virtualKey) != combination.keys.end();
}

} // namespace

std::unique_ptr<PortalKeyState> PortalKeyState::create(QDBusConnection connection) {
    if (!connection.isConnected() ||
        PortalSession::property(connection, PortalNames::GlobalShortcutsInterface, QStringLiteral("version"),
                                RequestTimeoutMs)
                .toUInt() == 0) {
        return nullptr;
    }
    return std::make_unique<PortalKeyState>(Key(), std::move(connection));
}

PortalKeyState::PortalKeyState(Key, QDBusConnection connection) : m_connection(std::move(connection)) {
    PortalShortcut::registerTypes();
    // QtDBus connects D-Bus signals by slot name only.
    m_connection.connect(PortalNames::Service, PortalNames::Path, PortalNames::GlobalShortcutsInterface,
                         QStringLiteral("Activated"), this,
                         SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    m_connection.connect(PortalNames::Service, PortalNames::Path, PortalNames::GlobalShortcutsInterface,
                         QStringLiteral("Deactivated"), this,
                         SLOT(onDeactivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
}

PortalKeyState::~PortalKeyState() {
    m_connection.disconnect(PortalNames::Service, PortalNames::Path, PortalNames::GlobalShortcutsInterface,
                            QStringLiteral("Activated"), this,
                            SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    m_connection.disconnect(PortalNames::Service, PortalNames::Path, PortalNames::GlobalShortcutsInterface,
                            QStringLiteral("Deactivated"), this,
                            SLOT(onDeactivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    closeSession();
}

QString PortalKeyState::shortcutId(const Combination& combination) {
    return (combination.kind == Combination::Kind::Hotkey ? QStringLiteral("hotkey-%1")
                                                          : QStringLiteral("device-command-%1"))
        .arg(combination.row + 1);
}

QString PortalKeyState::nextToken() {
    // Apart from the keyboard's tokens, whose requests and sessions share this connection.
    return QStringLiteral("kelvane_shortcuts%1").arg(++m_tokens);
}

quint16 PortalKeyState::query(int virtualKey) {
    quint16 state = 0;
    for (const QString& id : std::as_const(m_active)) {
        const Combination* combination = combinationOf(id);
        if (combination && holds(*combination, virtualKey)) {
            state |= DownBit;
        }
    }
    if (virtualKey > 0 && virtualKey < static_cast<int>(m_pressed.size())) {
        bool& pressed = m_pressed[static_cast<std::size_t>(virtualKey)];
        if (pressed) {
            state |= PressedBit;
            pressed = false;
        }
    }
    return state;
}

void PortalKeyState::watch(const std::vector<Combination>& combinations) {
    m_wanted = combinations;
    // A bind waits for the desktop with the events running; a change told meanwhile is bound
    // when it ends.
    if (m_binding) {
        return;
    }
    m_binding = true;
    while (m_wanted != m_combinations) {
        m_combinations = m_wanted;
        closeSession();
        if (!m_combinations.empty()) {
            bind();
        }
    }
    m_binding = false;
}

bool PortalKeyState::bind() {
    const QString sessionToken = nextToken();
    m_session = PortalSession::create(m_connection, PortalNames::GlobalShortcutsInterface, sessionToken,
                                      nextToken(), RequestTimeoutMs);
    if (m_session.isEmpty()) {
        return false;
    }
    PortalShortcutList shortcuts;
    for (const Combination& combination : m_combinations) {
        QVariantMap properties{
            {QStringLiteral("description"),
             languageText(combination.kind == Combination::Kind::Hotkey ? TextKey::ShortcutHotkey
                                                                        : TextKey::ShortcutDeviceCommand)
                 .arg(combination.row + 1)}};
        const QString trigger = PortalTrigger::of(combination.keys);
        if (!trigger.isEmpty()) {
            properties.insert(QStringLiteral("preferred_trigger"), trigger);
        }
        shortcuts << PortalShortcut{shortcutId(combination), properties};
    }
    const QString token = nextToken();
    PortalRequest request(m_connection, token);
    QDBusMessage call = shortcutsCall(QStringLiteral("BindShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariant::fromValue(shortcuts) << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token}};
    if (request.run(call, BindTimeoutMs) != PortalRequest::Outcome::Granted) {
        closeSession();
        return false;
    }
    return true;
}

void PortalKeyState::closeSession() {
    m_active.clear();
    m_pressed.fill(false);
    if (m_session.isEmpty()) {
        return;
    }
    PortalSession::close(m_connection, m_session, RequestTimeoutMs);
    m_session.clear();
}

void PortalKeyState::noteOwnTyping(bool typing) {
    m_typing = typing;
    m_sinceOwnTyping.start();
}

bool PortalKeyState::ownTyping() const {
    return m_typing || (m_sinceOwnTyping.isValid() && m_sinceOwnTyping.elapsed() < OwnTypingGraceMs);
}

const KeyState::Combination* PortalKeyState::combinationOf(const QString& id) const {
    for (const Combination& combination : m_combinations) {
        if (shortcutId(combination) == id) {
            return &combination;
        }
    }
    return nullptr;
}

void PortalKeyState::onActivated(const QDBusObjectPath& session, const QString& id, qulonglong,
                                 const QVariantMap&) {
    if (session.path() != m_session || ownTyping()) {
        return;
    }
    const Combination* combination = combinationOf(id);
    if (!combination) {
        return;
    }
    m_active.insert(id);
    for (const int code : combination->keys) {
        if (code > 0 && code < static_cast<int>(m_pressed.size())) {
            m_pressed[static_cast<std::size_t>(code)] = true;
        }
    }
}

void PortalKeyState::onDeactivated(const QDBusObjectPath& session, const QString& id, qulonglong,
                                   const QVariantMap&) {
    if (session.path() == m_session) {
        m_active.remove(id);
    }
}
