#pragma once

#include "base/interfaces/KeyState.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QString>
#include <QVariantMap>

#include <array>
#include <memory>
#include <vector>

// The hotkeys through the desktop's GlobalShortcuts portal (GNOME, KDE Plasma, Hyprland): a
// Wayland desktop shows no application the keys of others, so each hotkey and device command
// row is bound as a shortcut of its own, and the desktop says when one is pressed. The row's keys
// then read as down while the shortcut is active, and as pressed once per activation. The
// shortcuts are bound again in a new session whenever the rows change. Activations that come
// while Kelvane types, or just after, are its own keystrokes and do not count.
class PortalKeyState : public QObject, public KeyState {
    Q_OBJECT
public:
    // How long the desktop's dialog that confirms the shortcuts may wait for the user, and any
    // other answer.
    static constexpr int BindTimeoutMs = 120000;
    static constexpr int RequestTimeoutMs = 10000;
    // How long after Kelvane's last keystroke an activation is still taken for its own.
    static constexpr int OwnTypingGraceMs = 500;

    // Null when no portal on the bus offers global shortcuts.
    static std::unique_ptr<PortalKeyState> create(QDBusConnection connection);
    // Only create() makes one.
    class Key {
        friend class PortalKeyState;
        Key() = default;
    };
    PortalKeyState(Key, QDBusConnection connection);
    ~PortalKeyState() override;
    PortalKeyState(const PortalKeyState&) = delete;
    PortalKeyState& operator=(const PortalKeyState&) = delete;

    // The portal's signals come through the event loop; there is nothing to read here.
    void update() override {}
    quint16 query(int virtualKey) override;
    void watch(const std::vector<Combination>& combinations) override;

    // Kelvane's keyboard starts (true) or ends (false) a burst of keystrokes.
    void noteOwnTyping(bool typing);

    // The id of a row's shortcut, as "hotkey-3" or "device-command-1" (rows from 1).
    static QString shortcutId(const Combination& combination);

private Q_SLOTS:
    void onActivated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                     const QVariantMap& options);
    void onDeactivated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                       const QVariantMap& options);

private:
    bool bind();
    void closeSession();
    bool ownTyping() const;
    const Combination* combinationOf(const QString& id) const;
    QString nextToken();

    QDBusConnection m_connection;
    // The rows bound, and the rows last told.
    std::vector<Combination> m_combinations;
    std::vector<Combination> m_wanted;
    QString m_session;
    QSet<QString> m_active;
    // One per virtual-key code.
    std::array<bool, 256> m_pressed{};
    bool m_binding = false;
    bool m_typing = false;
    QElapsedTimer m_sinceOwnTyping;
    int m_tokens = 0;
};
