#pragma once

#include "base/interfaces/WindowList.h"
#include "platform/wayland/WaylandObject.h"

#include <memory>
#include <vector>

struct zwlr_foreign_toplevel_handle_v1;
struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1_listener;
struct zwlr_foreign_toplevel_manager_v1_listener;
class WaylandConnection;

void waylandDestroy(zwlr_foreign_toplevel_handle_v1* handle);
void waylandDestroy(zwlr_foreign_toplevel_manager_v1* manager);

// The application windows of a wlroots compositor (zwlr_foreign_toplevel_manager_v1), with their
// titles, and activation on the seat. The protocol tells no stacking order: the active window
// comes first, then the others, the most recently opened first.
class WaylandWindowList : public WindowList {
public:
    // Null when the compositor offers no toplevel list.
    static std::unique_ptr<WaylandWindowList> create(std::shared_ptr<WaylandConnection> connection);
    // Only create() makes one.
    class Key {
        friend class WaylandWindowList;
        Key() = default;
    };
    WaylandWindowList(Key, std::shared_ptr<WaylandConnection> connection);
    ~WaylandWindowList() override;
    WaylandWindowList(const WaylandWindowList&) = delete;
    WaylandWindowList& operator=(const WaylandWindowList&) = delete;

    QList<TopLevelWindow> topLevelWindows() override;
    // Waits up to a second for the compositor to report the window active.
    bool activate(quint64 window) override;

private:
    struct Toplevel;

    static const zwlr_foreign_toplevel_manager_v1_listener ManagerListener;
    static const zwlr_foreign_toplevel_handle_v1_listener HandleListener;

    Toplevel* find(quint64 window);
    void remove(const Toplevel* toplevel);

    std::shared_ptr<WaylandConnection> m_connection;
    WaylandObject<zwlr_foreign_toplevel_manager_v1> m_manager;
    std::vector<std::unique_ptr<Toplevel>> m_toplevels;
    quint64 m_nextId = 1;
};
