#include "platform/x11/X11WindowList.h"

// Qt before Xlib: Xlib defines macros (Bool, Status) that Qt headers refuse.
#include <QByteArray>
#include <QDeadlineTimer>

#include "platform/x11/X11Display.h"
#include "platform/x11/X11ErrorTrap.h"
#include "platform/x11/X11Memory.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <deque>
#include <optional>
#include <vector>

#include <poll.h>

struct X11WindowList::Atoms {
    Atom clientListStacking;
    Atom supportingWmCheck;
    Atom activeWindow;
    Atom currentDesktop;
    Atom windowDesktop;
    Atom wmName;
    Atom utf8String;
    Atom wmState;
    Atom windowType;
    Atom typeNormal;
    Atom typeDialog;
    Atom typeUtility;
};

namespace {

// One window property, its 32-bit items already widened to unsigned long as Xlib returns them.
struct Property {
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    XFreePtr<unsigned char> data;
};

std::optional<Property> readProperty(Display* display, Window window, Atom name,
                                     Atom type = AnyPropertyType) {
    Property property;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    // Up to 4 MB: more than any title or window list.
    if (XGetWindowProperty(display, window, name, 0, 1L << 20, False, type, &property.type, &property.format,
                           &property.items, &remaining, &data) != Success) {
        return std::nullopt;
    }
    property.data.reset(data);
    if (property.type == None || !property.data) {
        return std::nullopt;
    }
    return property;
}

std::vector<Window> windowsOf(const Property& property) {
    std::vector<Window> windows;
    if (property.format != 32) {
        return windows;
    }
    const auto* items = reinterpret_cast<const unsigned long*>(property.data.get());
    windows.assign(items, items + property.items);
    return windows;
}

std::vector<Window> childrenOf(Display* display, Window window) {
    Window root = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) {
        return {};
    }
    XFreePtr<Window> owner(children);
    // Bottom of the stacking order first, as XQueryTree gives them.
    return std::vector<Window>(children, children + count);
}

QString textOf(Display* display, const Property& property, Atom utf8String) {
    const auto* bytes = reinterpret_cast<const char*>(property.data.get());
    const auto length = static_cast<qsizetype>(property.items);
    if (property.format != 8) {
        return {};
    }
    if (property.type == utf8String) {
        return QString::fromUtf8(bytes, length);
    }
    if (property.type == XA_STRING) {
        return QString::fromLatin1(bytes, length);
    }
    // COMPOUND_TEXT and other encodings: let Xlib convert them.
    XTextProperty text{property.data.get(), property.type, property.format, property.items};
    char** list = nullptr;
    int count = 0;
    QString result;
    if (Xutf8TextPropertyToTextList(display, &text, &list, &count) == Success && list) {
        if (count > 0) {
            result = QString::fromUtf8(list[0]);
        }
        XFreeStringList(list);
    } else {
        result = QString::fromLatin1(bytes, length);
    }
    return result;
}

void drainEvents(Display* display) {
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
        }
    }
}

} // namespace

X11WindowList::X11WindowList(std::shared_ptr<X11Display> display)
    : m_display(std::move(display)), m_atoms(std::make_unique<Atoms>()) {
    Display* d = m_display->get();
    if (!d) {
        return;
    }
    const auto atom = [d](const char* name) { return XInternAtom(d, name, False); };
    m_atoms->clientListStacking = atom("_NET_CLIENT_LIST_STACKING");
    m_atoms->supportingWmCheck = atom("_NET_SUPPORTING_WM_CHECK");
    m_atoms->activeWindow = atom("_NET_ACTIVE_WINDOW");
    m_atoms->currentDesktop = atom("_NET_CURRENT_DESKTOP");
    m_atoms->windowDesktop = atom("_NET_WM_DESKTOP");
    m_atoms->wmName = atom("_NET_WM_NAME");
    m_atoms->utf8String = atom("UTF8_STRING");
    m_atoms->wmState = atom("WM_STATE");
    m_atoms->windowType = atom("_NET_WM_WINDOW_TYPE");
    m_atoms->typeNormal = atom("_NET_WM_WINDOW_TYPE_NORMAL");
    m_atoms->typeDialog = atom("_NET_WM_WINDOW_TYPE_DIALOG");
    m_atoms->typeUtility = atom("_NET_WM_WINDOW_TYPE_UTILITY");
}

X11WindowList::~X11WindowList() = default;

bool X11WindowList::windowManagerPresent() {
    Display* display = m_display->get();
    if (!display) {
        return false;
    }
    X11ErrorTrap trap(display);
    const auto onRoot =
        readProperty(display, DefaultRootWindow(display), m_atoms->supportingWmCheck, XA_WINDOW);
    if (!onRoot) {
        return false;
    }
    const std::vector<Window> check = windowsOf(*onRoot);
    if (check.empty()) {
        return false;
    }
    // A window manager that has gone leaves the root property behind, but not its own window.
    const auto onChild = readProperty(display, check.front(), m_atoms->supportingWmCheck, XA_WINDOW);
    const bool present = onChild && windowsOf(*onChild) == check;
    return trap.sync() == 0 && present;
}

QList<TopLevelWindow> X11WindowList::topLevelWindows() {
    QList<TopLevelWindow> result;
    Display* display = m_display->get();
    if (!display) {
        return result;
    }
    drainEvents(display);
    const Window root = DefaultRootWindow(display);
    std::vector<Window> clients;
    const auto stacking = windowManagerPresent()
                              ? readProperty(display, root, m_atoms->clientListStacking, XA_WINDOW)
                              : std::nullopt;
    X11ErrorTrap trap(display);
    if (stacking) {
        clients = windowsOf(*stacking);
    } else {
        for (const Window child : childrenOf(display, root)) {
            // Under a window manager that keeps no list, the client sits inside its frame.
            Window client = child;
            std::deque<Window> pending{child};
            while (!pending.empty()) {
                const Window candidate = pending.front();
                pending.pop_front();
                if (readProperty(display, candidate, m_atoms->wmState)) {
                    client = candidate;
                    break;
                }
                for (const Window grandchild : childrenOf(display, candidate)) {
                    pending.push_back(grandchild);
                }
            }
            clients.push_back(client);
        }
    }

    const auto isOpenState = [this](Display* d, Window window) {
        const auto state = readProperty(d, window, m_atoms->wmState, m_atoms->wmState);
        const std::vector<Window> values = state ? windowsOf(*state) : std::vector<Window>();
        return !values.empty() && (values.front() == NormalState || values.front() == IconicState);
    };
    for (auto it = clients.rbegin(); it != clients.rend(); ++it) {
        const Window window = *it;
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(display, window, &attributes)) {
            continue; // gone meanwhile
        }
        TopLevelWindow entry;
        entry.id = window;
        if (const auto name = readProperty(display, window, m_atoms->wmName, m_atoms->utf8String)) {
            entry.title = textOf(display, *name, m_atoms->utf8String);
        }
        if (entry.title.isEmpty()) {
            if (const auto name = readProperty(display, window, XA_WM_NAME)) {
                entry.title = textOf(display, *name, m_atoms->utf8String);
            }
        }
        // A window manager unmaps a minimised window and those of other workspaces, but keeps
        // them in its list with their state: they are open, as on any desktop's task bar.
        entry.visible = attributes.c_class == InputOutput &&
                        (attributes.map_state == IsViewable || (stacking && isOpenState(display, window)));
        bool ordinaryType = true;
        if (const auto type = readProperty(display, window, m_atoms->windowType, XA_ATOM)) {
            const std::vector<Window> types = windowsOf(*type);
            ordinaryType = !types.empty() &&
                           (types.front() == m_atoms->typeNormal || types.front() == m_atoms->typeDialog ||
                            types.front() == m_atoms->typeUtility);
        }
        entry.bordered = attributes.c_class == InputOutput && !attributes.override_redirect && ordinaryType;
        result.append(entry);
    }
    return result;
}

bool X11WindowList::activate(quint64 id) {
    Display* display = m_display->get();
    if (!display) {
        return false;
    }
    drainEvents(display);
    const auto window = static_cast<Window>(id);
    const bool manager = windowManagerPresent();
    X11ErrorTrap trap(display);
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes) || trap.sync() != 0) {
        return false;
    }
    const Window root = DefaultRootWindow(display);
    const bool hidden = attributes.map_state != IsViewable && manager;
    if (hidden) {
        // Listening before the requests go out, so that a quick window manager's map is not missed.
        XSelectInput(display, window, StructureNotifyMask);
    }
    if (manager) {
        // A window on another workspace: go there first, as a pager would; window managers do not
        // all follow an activation across workspaces.
        const auto desktopOf = [display](Window w, Atom name) {
            const auto property = readProperty(display, w, name, XA_CARDINAL);
            const std::vector<Window> values = property ? windowsOf(*property) : std::vector<Window>();
            return values.empty() ? std::optional<unsigned long>() : values.front();
        };
        const auto target = desktopOf(window, m_atoms->windowDesktop);
        const auto current = desktopOf(root, m_atoms->currentDesktop);
        // 0xFFFFFFFF: on every workspace.
        if (target && current && *target != *current && *target != 0xFFFFFFFFUL) {
            XEvent change{};
            change.xclient.type = ClientMessage;
            change.xclient.window = root;
            change.xclient.message_type = m_atoms->currentDesktop;
            change.xclient.format = 32;
            change.xclient.data.l[0] = static_cast<long>(*target);
            change.xclient.data.l[1] = CurrentTime;
            XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &change);
        }
        // The window manager raises, restores and focuses; source 2 asks as a pager would, which
        // window managers grant without focus-stealing checks.
        XEvent request{};
        request.xclient.type = ClientMessage;
        request.xclient.window = window;
        request.xclient.message_type = m_atoms->activeWindow;
        request.xclient.format = 32;
        request.xclient.data.l[0] = 2;
        request.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &request);
    }
    XRaiseWindow(display, window);
    if (hidden) {
        // A minimised window, or one on another workspace, must be shown again before it can take
        // the focus.
        XFlush(display);
        const QDeadlineTimer deadline(MapWaitMilliseconds);
        while (!deadline.hasExpired()) {
            XEvent event;
            if (XCheckTypedWindowEvent(display, window, MapNotify, &event)) {
                break;
            }
            pollfd descriptor{ConnectionNumber(display), POLLIN, 0};
            ::poll(&descriptor, 1, static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
        }
        XSelectInput(display, window, NoEventMask);
        XGetWindowAttributes(display, window, &attributes);
        // Coming to another workspace, the window manager puts the focus where it likes and only
        // then takes up the activation; keys typed before that land where it put the focus. It
        // has done so once it names the window active.
        const QDeadlineTimer settled(MapWaitMilliseconds);
        while (!settled.hasExpired()) {
            const auto active = readProperty(display, root, m_atoms->activeWindow, XA_WINDOW);
            if (active && windowsOf(*active) == std::vector<Window>{window}) {
                break;
            }
            ::poll(nullptr, 0, 5);
        }
    }
    if (attributes.map_state == IsViewable) {
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
    }
    // A focus refused (BadMatch) leaves the keys where the focus is; only a vanished window fails.
    return trap.sync() != BadWindow;
}
