#include "platform/wayland/WaylandConnection.h"

#include "base/files/FileDescriptor.h"

#include <QDeadlineTimer>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/mman.h>

namespace {

constexpr std::uint32_t SeatVersion = 5; // wl_seat.release

// Waits for the display's socket; false on timeout or error.
bool waitForSocket(wl_display* display, short events, int timeoutMs) {
    pollfd fd{wl_display_get_fd(display), events, 0};
    int result = 0;
    do {
        result = ::poll(&fd, 1, timeoutMs);
    } while (result < 0 && errno == EINTR);
    return result > 0 && (fd.revents & events) != 0;
}

} // namespace

const wl_registry_listener WaylandConnection::RegistryListener = {
    .global =
        [](void* data, wl_registry*, std::uint32_t name, const char* interface, std::uint32_t version) {
            auto* self = static_cast<WaylandConnection*>(data);
            if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->m_seat) {
                self->bindSeat(name, version);
            } else if (std::strcmp(interface, "zwp_virtual_keyboard_manager_v1") == 0) {
                self->m_virtualKeyboardManager = {name, version};
            } else if (std::strcmp(interface, "zwlr_foreign_toplevel_manager_v1") == 0) {
                self->m_toplevelManager = {name, version};
            }
        },
    .global_remove = [](void*, wl_registry*, std::uint32_t) {},
};

const wl_seat_listener WaylandConnection::SeatListener = {
    .capabilities =
        [](void* data, wl_seat* seat, std::uint32_t capabilities) {
            auto* self = static_cast<WaylandConnection*>(data);
            const bool hasKeyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
            // The first keymap is the user's; later ones may be a virtual keyboard's.
            if (hasKeyboard && !self->m_keyboard && self->m_seatKeymap.isEmpty()) {
                self->m_keyboard.reset(wl_seat_get_keyboard(seat));
                wl_keyboard_add_listener(self->m_keyboard.get(), &KeyboardListener, self);
            } else if (!hasKeyboard) {
                self->m_keyboard.reset();
            }
        },
    .name = [](void*, wl_seat*, const char*) {},
};

const wl_keyboard_listener WaylandConnection::KeyboardListener = {
    .keymap =
        [](void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd, std::uint32_t size) {
            auto* self = static_cast<WaylandConnection*>(data);
            const FileDescriptor file(fd);
            if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 || size == 0) {
                return;
            }
            void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.get(), 0);
            if (map == MAP_FAILED) {
                return;
            }
            // The text ends with a NUL byte that the size counts.
            const char* text = static_cast<const char*>(map);
            self->m_seatKeymap = QByteArray(text, static_cast<qsizetype>(strnlen(text, size)));
            ::munmap(map, size);
            // Only the user's layout matters; what the keyboard sends later is not read.
            self->m_keyboard.reset();
        },
    .enter = [](void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {},
    .leave = [](void*, wl_keyboard*, std::uint32_t, wl_surface*) {},
    .key = [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {},
    .modifiers = [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                    std::uint32_t) {},
    .repeat_info = [](void*, wl_keyboard*, std::int32_t, std::int32_t) {},
};

void waylandDestroy(wl_display* display) {
    wl_display_disconnect(display);
}

void waylandDestroy(wl_registry* registry) {
    wl_registry_destroy(registry);
}

void waylandDestroy(wl_seat* seat) {
    if (wl_seat_get_version(seat) >= WL_SEAT_RELEASE_SINCE_VERSION) {
        wl_seat_release(seat);
    } else {
        wl_seat_destroy(seat);
    }
}

void waylandDestroy(wl_keyboard* keyboard) {
    if (wl_keyboard_get_version(keyboard) >= WL_KEYBOARD_RELEASE_SINCE_VERSION) {
        wl_keyboard_release(keyboard);
    } else {
        wl_keyboard_destroy(keyboard);
    }
}

std::shared_ptr<WaylandConnection> WaylandConnection::open() {
    std::shared_ptr<WaylandConnection> connection(new WaylandConnection);
    connection->m_display.reset(wl_display_connect(nullptr));
    if (!connection->m_display) {
        return nullptr;
    }
    connection->m_registry.reset(wl_display_get_registry(connection->display()));
    wl_registry_add_listener(connection->registry(), &RegistryListener, connection.get());
    // The globals, then the seat's capabilities, then the keyboard's keymap.
    for (int i = 0; i < 3; ++i) {
        if (!connection->roundtrip()) {
            return nullptr;
        }
    }
    connection->m_notifier =
        std::make_unique<QSocketNotifier>(wl_display_get_fd(connection->display()), QSocketNotifier::Read);
    QObject::connect(connection->m_notifier.get(), &QSocketNotifier::activated, connection->m_notifier.get(),
                     [self = connection.get()] { self->readReadyEvents(); });
    return connection;
}

WaylandConnection::~WaylandConnection() {
    m_notifier.reset();
    // Protocol objects go before the display that carries them.
    m_keyboard.reset();
    m_seat.reset();
    m_registry.reset();
    if (m_display) {
        wl_display_flush(m_display.get());
    }
}

void WaylandConnection::bindSeat(std::uint32_t name, std::uint32_t version) {
    m_seat.reset(static_cast<wl_seat*>(
        wl_registry_bind(m_registry.get(), name, &wl_seat_interface, std::min(version, SeatVersion))));
    wl_seat_add_listener(m_seat.get(), &SeatListener, this);
}

bool WaylandConnection::isAlive() const {
    return m_display && wl_display_get_error(m_display.get()) == 0;
}

bool WaylandConnection::flush() {
    if (!isAlive()) {
        return false;
    }
    while (wl_display_flush(display()) < 0) {
        if (errno != EAGAIN || !waitForSocket(display(), POLLOUT, 5000)) {
            return false;
        }
    }
    return true;
}

bool WaylandConnection::roundtrip() {
    return flush() && wl_display_roundtrip(display()) >= 0;
}

bool WaylandConnection::dispatchUntil(const std::function<bool()>& done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (!isAlive()) {
            return false;
        }
        while (wl_display_prepare_read(display()) != 0) {
            wl_display_dispatch_pending(display());
        }
        if (done() || !flush()) {
            wl_display_cancel_read(display());
            return done();
        }
        const int remaining = static_cast<int>(deadline.remainingTime());
        if (remaining <= 0 || !waitForSocket(display(), POLLIN, remaining)) {
            wl_display_cancel_read(display());
            return done();
        }
        if (wl_display_read_events(display()) < 0) {
            return false;
        }
        wl_display_dispatch_pending(display());
    }
    return true;
}

void WaylandConnection::readReadyEvents() {
    if (!isAlive()) {
        m_notifier->setEnabled(false);
        return;
    }
    while (wl_display_prepare_read(display()) != 0) {
        wl_display_dispatch_pending(display());
    }
    if (waitForSocket(display(), POLLIN, 0)) {
        if (wl_display_read_events(display()) < 0) {
            m_notifier->setEnabled(false);
            return;
        }
    } else {
        wl_display_cancel_read(display());
    }
    wl_display_dispatch_pending(display());
    flush();
}
