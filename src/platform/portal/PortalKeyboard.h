#pragma once

#include "base/interfaces/Keyboard.h"

#include <QDBusConnection>
#include <QString>

#include <functional>
#include <memory>

// Keystrokes through the RemoteDesktop portal of the desktop (GNOME, KDE Plasma), keyboard only:
// each key goes as its keysym (NotifyKeyboardKeysym), and the desktop picks the key and the
// modifiers of the user's layout. The session starts with the first text: the desktop asks the
// user once; with the restore token it hands out (persist mode 2, kept until revoked) later
// sessions start without asking. The keys go to the focused window.
class PortalKeyboard : public Keyboard {
public:
    // Where the restore token is kept between runs.
    struct TokenStore {
        std::function<QString()> load;
        std::function<void(const QString&)> save;
    };

    // How long the desktop's permission dialog may wait for the user, and any other answer.
    static constexpr int StartTimeoutMs = 120000;
    static constexpr int RequestTimeoutMs = 10000;

    // Null when no portal on the bus offers remote keyboards.
    static std::unique_ptr<PortalKeyboard> create(QDBusConnection connection, TokenStore store);
    // Only create() makes one.
    class Key {
        friend class PortalKeyboard;
        Key() = default;
    };
    PortalKeyboard(Key, QDBusConnection connection, uint version, TokenStore store);
    ~PortalKeyboard() override;
    PortalKeyboard(const PortalKeyboard&) = delete;
    PortalKeyboard& operator=(const PortalKeyboard&) = delete;

    // Starts the session first when there is none; types nothing when the user refuses (the
    // next text asks again).
    // Told when a burst of keystrokes starts (true) and ends (false), so that the hotkeys can
    // tell Kelvane's own keys from the user's.
    void setTypingObserver(std::function<void(bool typing)> observer) {
        m_typingObserver = std::move(observer);
    }
    void typeKeys(const std::vector<KeyToken>& keys) override;

    bool hasSession() const { return !m_session.isEmpty(); }

private:
    void typeBurst(const std::vector<KeyToken>& keys);
    bool startSession();
    void closeSession();
    bool notifyKeysym(std::uint32_t keysym, bool pressed);
    QString nextToken();

    QDBusConnection m_connection;
    uint m_version = 0;
    TokenStore m_store;
    QString m_session;
    int m_tokens = 0;
    std::function<void(bool typing)> m_typingObserver;
};
