#include "platform/wayland/WaylandWindowList.h"

#include "platform/wayland/WaylandConnection.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <algorithm>

namespace {

constexpr std::uint32_t ManagerVersion = 3;
constexpr int ActivationTimeoutMs = 1000;

} // namespace

struct WaylandWindowList::Toplevel {
    WaylandWindowList* list = nullptr;
    quint64 id = 0;
    WaylandObject<zwlr_foreign_toplevel_handle_v1> handle;
    QString title;
    // Pending until the compositor's done event makes them current.
    QString pendingTitle;
    bool activated = false;
    bool pendingActivated = false;
    bool minimized = false;
    bool pendingMinimized = false;
    bool complete = false;
};

void waylandDestroy(zwlr_foreign_toplevel_handle_v1* handle) {
    zwlr_foreign_toplevel_handle_v1_destroy(handle);
}

void waylandDestroy(zwlr_foreign_toplevel_manager_v1* manager) {
    zwlr_foreign_toplevel_manager_v1_destroy(manager);
}

const zwlr_foreign_toplevel_handle_v1_listener WaylandWindowList::HandleListener = {
    .title = [](void* data, zwlr_foreign_toplevel_handle_v1*,
                const char* title) { static_cast<Toplevel*>(data)->pendingTitle = QString::fromUtf8(title); },
    .app_id = [](void*, zwlr_foreign_toplevel_handle_v1*, const char*) {},
    .output_enter = [](void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {},
    .output_leave = [](void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {},
    .state =
        [](void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
            auto* toplevel = static_cast<Toplevel*>(data);
            toplevel->pendingActivated = false;
            toplevel->pendingMinimized = false;
            const auto* state = static_cast<const std::uint32_t*>(states->data);
            for (std::size_t i = 0; i < states->size / sizeof(std::uint32_t); ++i) {
                if (state[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) {
                    toplevel->pendingActivated = true;
                } else if (state[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MINIMIZED) {
                    toplevel->pendingMinimized = true;
                }
            }
        },
    .done =
        [](void* data, zwlr_foreign_toplevel_handle_v1*) {
            auto* toplevel = static_cast<Toplevel*>(data);
            toplevel->title = toplevel->pendingTitle;
            toplevel->activated = toplevel->pendingActivated;
            toplevel->minimized = toplevel->pendingMinimized;
            toplevel->complete = true;
        },
    .closed =
        [](void* data, zwlr_foreign_toplevel_handle_v1*) {
            auto* toplevel = static_cast<Toplevel*>(data);
            toplevel->list->remove(toplevel);
        },
    .parent = [](void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {},
};

const zwlr_foreign_toplevel_manager_v1_listener WaylandWindowList::ManagerListener = {
    .toplevel =
        [](void* data, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* handle) {
            auto* list = static_cast<WaylandWindowList*>(data);
            auto toplevel = std::make_unique<Toplevel>();
            toplevel->list = list;
            toplevel->id = list->m_nextId++;
            toplevel->handle.reset(handle);
            zwlr_foreign_toplevel_handle_v1_add_listener(handle, &HandleListener, toplevel.get());
            list->m_toplevels.push_back(std::move(toplevel));
        },
    .finished =
        [](void* data, zwlr_foreign_toplevel_manager_v1*) {
            // The compositor has destroyed the manager: only the local proxy is left to free.
            auto* list = static_cast<WaylandWindowList*>(data);
            wl_proxy_destroy(reinterpret_cast<wl_proxy*>(list->m_manager.release()));
        },
};

std::unique_ptr<WaylandWindowList> WaylandWindowList::create(std::shared_ptr<WaylandConnection> connection) {
    if (!connection || !connection->seat() || !connection->toplevelManager().offered()) {
        return nullptr;
    }
    auto list = std::make_unique<WaylandWindowList>(Key(), std::move(connection));
    if (!list->m_manager || !list->m_connection->roundtrip()) {
        return nullptr;
    }
    return list;
}

WaylandWindowList::WaylandWindowList(Key, std::shared_ptr<WaylandConnection> connection)
    : m_connection(std::move(connection)) {
    const WaylandConnection::Global& global = m_connection->toplevelManager();
    m_manager.reset(static_cast<zwlr_foreign_toplevel_manager_v1*>(
        wl_registry_bind(m_connection->registry(), global.name, &zwlr_foreign_toplevel_manager_v1_interface,
                         std::min(global.version, ManagerVersion))));
    if (m_manager) {
        zwlr_foreign_toplevel_manager_v1_add_listener(m_manager.get(), &ManagerListener, this);
    }
}

WaylandWindowList::~WaylandWindowList() {
    m_toplevels.clear();
    if (m_manager) {
        zwlr_foreign_toplevel_manager_v1_stop(m_manager.get());
    }
    m_manager.reset();
    m_connection->flush();
}

WaylandWindowList::Toplevel* WaylandWindowList::find(quint64 window) {
    const auto it = std::find_if(m_toplevels.begin(), m_toplevels.end(),
                                 [window](const auto& toplevel) { return toplevel->id == window; });
    return it == m_toplevels.end() ? nullptr : it->get();
}

void WaylandWindowList::remove(const Toplevel* toplevel) {
    std::erase_if(m_toplevels, [toplevel](const auto& entry) { return entry.get() == toplevel; });
}

QList<TopLevelWindow> WaylandWindowList::topLevelWindows() {
    m_connection->roundtrip();
    QList<TopLevelWindow> windows;
    for (auto it = m_toplevels.rbegin(); it != m_toplevels.rend(); ++it) {
        const Toplevel& toplevel = **it;
        if (!toplevel.complete) {
            continue;
        }
        const TopLevelWindow window{toplevel.id, toplevel.title, true, true};
        if (toplevel.activated) {
            windows.prepend(window);
        } else {
            windows.append(window);
        }
    }
    return windows;
}

bool WaylandWindowList::activate(quint64 window) {
    Toplevel* toplevel = find(window);
    if (!toplevel || !m_connection->isAlive()) {
        return false;
    }
    if (toplevel->minimized) {
        zwlr_foreign_toplevel_handle_v1_unset_minimized(toplevel->handle.get());
    }
    zwlr_foreign_toplevel_handle_v1_activate(toplevel->handle.get(), m_connection->seat());
    // The window may close meanwhile: look it up anew after every dispatch.
    return m_connection->dispatchUntil(
        [this, window] {
            const Toplevel* current = find(window);
            return current && current->activated;
        },
        ActivationTimeoutMs);
}
