#pragma once

#include "base/interfaces/Keyboard.h"
#include "platform/wayland/WaylandKeymap.h"
#include "platform/wayland/WaylandObject.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct zwp_virtual_keyboard_v1;
struct zwp_virtual_keyboard_manager_v1;
class WaylandConnection;

void waylandDestroy(zwp_virtual_keyboard_v1* keyboard);
void waylandDestroy(zwp_virtual_keyboard_manager_v1* manager);

// Keystrokes through the compositor's virtual keyboard (zwp_virtual_keyboard_v1). The keyboard
// types with the user's layout plus the keysyms a text needs that the layout lacks; a new keymap
// goes to the compositor before the keys that need it, and the first key waits until the
// compositor has taken it, so that no key is read with the old one. Modifiers are set for each
// key and all released at the end.
class WaylandKeyboard : public Keyboard {
public:
    // One request of the last burst, for checks of what was sent.
    struct Event {
        enum class Kind { Keymap, Modifiers, Press, Release };
        Kind kind;
        std::uint32_t value; // key, modifier mask, or the keymap's number of added keysyms
        std::uint32_t layout = 0;
        bool operator==(const Event&) const = default;
    };

    // Null when the compositor offers no virtual keyboard or refuses one.
    static std::unique_ptr<WaylandKeyboard> create(std::shared_ptr<WaylandConnection> connection,
                                                   WaylandKeymap layout);
    // Only create() makes one.
    class Key {
        friend class WaylandKeyboard;
        Key() = default;
    };
    WaylandKeyboard(Key, std::shared_ptr<WaylandConnection> connection, WaylandKeymap layout);
    ~WaylandKeyboard() override;
    WaylandKeyboard(const WaylandKeyboard&) = delete;
    WaylandKeyboard& operator=(const WaylandKeyboard&) = delete;

    // Told when a burst of keystrokes starts (true) and ends (false), so that the hotkeys can
    // tell Kelvane's own keys from the user's.
    void setTypingObserver(std::function<void(bool typing)> observer) {
        m_typingObserver = std::move(observer);
    }
    void typeKeys(const std::vector<KeyToken>& keys) override;

    const std::vector<Event>& lastBurst() const { return m_lastBurst; }
    // The layout the keyboard starts from.
    const WaylandKeymap& layout() const { return m_layout; }

private:
    void typeBurst(const std::vector<KeyToken>& keys);
    bool upload(WaylandKeymap keymap);
    void setModifiers(std::uint32_t modifiers, std::uint32_t layout);
    void sendKey(std::uint32_t key, bool press);

    std::shared_ptr<WaylandConnection> m_connection;
    WaylandObject<zwp_virtual_keyboard_manager_v1> m_manager;
    WaylandObject<zwp_virtual_keyboard_v1> m_keyboard;
    WaylandKeymap m_layout;
    WaylandKeymap m_current;
    std::uint32_t m_modifiers = 0;
    std::uint32_t m_group = 0;
    std::vector<Event> m_lastBurst;
    std::function<void(bool typing)> m_typingObserver;
};
