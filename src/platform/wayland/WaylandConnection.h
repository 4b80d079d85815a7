#pragma once

#include "platform/wayland/WaylandObject.h"

#include <QByteArray>

#include <functional>
#include <memory>

#include <wayland-client.h>

class QSocketNotifier;

void waylandDestroy(wl_display* display);
void waylandDestroy(wl_registry* registry);
void waylandDestroy(wl_seat* seat);
void waylandDestroy(wl_keyboard* keyboard);

// A connection of the program's own to the Wayland compositor ($WAYLAND_DISPLAY): the globals
// the desktop services need (the seat, the virtual keyboard manager, the foreign toplevel
// manager), the seat's keymap (the user's layout), and event dispatch from the Qt event loop, so
// that events the compositor sends while the program is idle are read and never pile up.
class WaylandConnection {
public:
    struct Global {
        std::uint32_t name = 0;
        std::uint32_t version = 0;
        bool offered() const { return name != 0; }
    };

    // Connects and learns the globals; null when no compositor answers.
    static std::shared_ptr<WaylandConnection> open();
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    wl_display* display() const { return m_display.get(); }
    wl_registry* registry() const { return m_registry.get(); }
    wl_seat* seat() const { return m_seat.get(); }
    const Global& virtualKeyboardManager() const { return m_virtualKeyboardManager; }
    const Global& toplevelManager() const { return m_toplevelManager; }
    // The keymap of the seat's keyboard in text form; empty when the seat has no keyboard.
    const QByteArray& seatKeymap() const { return m_seatKeymap; }

    // False once the compositor has closed the connection or refused a request.
    bool isAlive() const;
    // Sends what is queued, waiting while the socket is full.
    bool flush();
    // Waits until the compositor has handled every request sent so far, and dispatches the
    // events it sent meanwhile.
    bool roundtrip();
    // Dispatches events until done() holds or timeoutMs has passed; whether done() holds.
    bool dispatchUntil(const std::function<bool()>& done, int timeoutMs);

private:
    WaylandConnection() = default;
    void bindSeat(std::uint32_t name, std::uint32_t version);
    void readReadyEvents();

    static const wl_registry_listener RegistryListener;
    static const wl_seat_listener SeatListener;
    static const wl_keyboard_listener KeyboardListener;

    WaylandObject<wl_display> m_display;
    WaylandObject<wl_registry> m_registry;
    WaylandObject<wl_seat> m_seat;
    WaylandObject<wl_keyboard> m_keyboard;
    Global m_virtualKeyboardManager;
    Global m_toplevelManager;
    QByteArray m_seatKeymap;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
