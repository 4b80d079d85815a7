#include "platform/wayland/WaylandKeyboard.h"

#include "base/files/FileDescriptor.h"
#include "platform/wayland/WaylandConnection.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <QElapsedTimer>

#include <cerrno>

#include <fcntl.h>
#include <sys/mman.h>

namespace {

// Milliseconds on one clock for every key of the keyboard, as the protocol asks.
std::uint32_t timestamp() {
    static QElapsedTimer clock;
    if (!clock.isValid()) {
        clock.start();
    }
    return static_cast<std::uint32_t>(clock.elapsed());
}

// The keymap text with its closing NUL in a sealed memory file, as the compositor maps it.
FileDescriptor keymapFile(const QByteArray& text) {
    FileDescriptor file(::memfd_create("kelvane-keymap", MFD_CLOEXEC | MFD_ALLOW_SEALING));
    if (!file.isValid()) {
        return file;
    }
    const qsizetype size = text.size() + 1;
    qsizetype written = 0;
    while (written < size) {
        const ssize_t n =
            ::write(file.get(), text.constData() + written, static_cast<size_t>(size - written));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return FileDescriptor();
        }
        written += n;
    }
    ::fcntl(file.get(), F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    return file;
}

} // namespace

void waylandDestroy(zwp_virtual_keyboard_v1* keyboard) {
    zwp_virtual_keyboard_v1_destroy(keyboard);
}

void waylandDestroy(zwp_virtual_keyboard_manager_v1* manager) {
    zwp_virtual_keyboard_manager_v1_destroy(manager);
}

std::unique_ptr<WaylandKeyboard> WaylandKeyboard::create(std::shared_ptr<WaylandConnection> connection,
                                                         WaylandKeymap layout) {
    if (!connection || !connection->seat() || !connection->virtualKeyboardManager().offered() ||
        !layout.isValid()) {
        return nullptr;
    }
    auto keyboard = std::make_unique<WaylandKeyboard>(Key(), std::move(connection), std::move(layout));
    // A compositor that refuses the keyboard ends the connection with a protocol error; the first
    // keymap goes with the request, so that the keyboard is never without one.
    if (!keyboard->m_keyboard || !keyboard->upload(keyboard->m_layout.withKeysyms({}))) {
        return nullptr;
    }
    return keyboard;
}

WaylandKeyboard::WaylandKeyboard(Key, std::shared_ptr<WaylandConnection> connection, WaylandKeymap layout)
    : m_connection(std::move(connection)), m_layout(std::move(layout)) {
    const WaylandConnection::Global& global = m_connection->virtualKeyboardManager();
    m_manager.reset(static_cast<zwp_virtual_keyboard_manager_v1*>(wl_registry_bind(
        m_connection->registry(), global.name, &zwp_virtual_keyboard_manager_v1_interface, 1)));
    if (m_manager) {
        m_keyboard.reset(
            zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(m_manager.get(), m_connection->seat()));
    }
}

WaylandKeyboard::~WaylandKeyboard() {
    if (m_keyboard && m_connection->isAlive()) {
        setModifiers(0, 0);
    }
    m_keyboard.reset();
    m_manager.reset();
    m_connection->flush();
}

bool WaylandKeyboard::upload(WaylandKeymap keymap) {
    if (!keymap.isValid()) {
        return false;
    }
    const FileDescriptor file = keymapFile(keymap.text());
    if (!file.isValid()) {
        return false;
    }
    // The request carries a copy of the descriptor; this one closes when the function returns.
    zwp_virtual_keyboard_v1_keymap(m_keyboard.get(), WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, file.get(),
                                   static_cast<std::uint32_t>(keymap.text().size() + 1));
    m_lastBurst.push_back({Event::Kind::Keymap, static_cast<std::uint32_t>(keymap.addedCount())});
    m_current = std::move(keymap);
    // The modifiers are numbered by the keymap: the new one starts with none.
    m_modifiers = 0;
    m_group = 0;
    // Keys that arrive before the compositor has taken the keymap are read with the old one.
    return m_connection->roundtrip();
}

void WaylandKeyboard::setModifiers(std::uint32_t modifiers, std::uint32_t layout) {
    zwp_virtual_keyboard_v1_modifiers(m_keyboard.get(), modifiers, 0, 0, layout);
    m_modifiers = modifiers;
    m_group = layout;
    m_lastBurst.push_back({Event::Kind::Modifiers, modifiers, layout});
}

void WaylandKeyboard::sendKey(std::uint32_t key, bool press) {
    zwp_virtual_keyboard_v1_key(m_keyboard.get(), timestamp(), key,
                                press ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    m_lastBurst.push_back({press ? Event::Kind::Press : Event::Kind::Release, key});
}

void WaylandKeyboard::typeKeys(const std::vector<KeyToken>& keys) {
    if (m_typingObserver) {
        m_typingObserver(true);
    }
    typeBurst(keys);
    if (m_typingObserver) {
        m_typingObserver(false);
    }
}

void WaylandKeyboard::typeBurst(const std::vector<KeyToken>& keys) {
    m_lastBurst.clear();
    if (!m_keyboard || !m_connection->isAlive()) {
        return;
    }
    std::vector<std::uint32_t> keysyms;
    keysyms.reserve(keys.size());
    for (const KeyToken& key : keys) {
        if (key.keysym != 0) {
            keysyms.push_back(key.keysym);
        }
    }
    // A keymap made for an earlier text serves as long as it has every keysym of this one.
    if (!m_current.hasAll(keysyms) && !upload(m_layout.withKeysyms(keysyms))) {
        return;
    }
    std::size_t next = 0;
    for (const KeyToken& key : keys) {
        if (key.keysym == 0) {
            continue;
        }
        std::optional<WaylandKeymap::Placement> placement = m_current.find(key.keysym);
        if (!placement) {
            // More keysyms than the layout has empty keys: the next keymap takes the rest of the
            // text from here.
            const std::vector<std::uint32_t> rest(keysyms.begin() + static_cast<std::ptrdiff_t>(next),
                                                  keysyms.end());
            if (!upload(m_layout.withKeysyms(rest))) {
                return;
            }
            placement = m_current.find(key.keysym);
        }
        ++next;
        if (!placement) {
            continue;
        }
        if (placement->modifiers != m_modifiers || placement->layout != m_group) {
            setModifiers(placement->modifiers, placement->layout);
        }
        sendKey(placement->key, true);
        sendKey(placement->key, false);
        if (!m_connection->flush()) {
            return;
        }
    }
    setModifiers(0, 0);
    m_connection->roundtrip();
}
