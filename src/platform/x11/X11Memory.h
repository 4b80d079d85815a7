#pragma once

// Owners for memory that Xlib hands out. Include only from .cpp files: Xlib's macros clash
// with Qt's names.

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <memory>

struct XFreeDeleter {
    void operator()(void* pointer) const {
        if (pointer) {
            XFree(pointer);
        }
    }
};

// Memory that XFree releases.
template <typename T> using XFreePtr = std::unique_ptr<T, XFreeDeleter>;

struct XkbDescDeleter {
    void operator()(XkbDescPtr description) const {
        if (description) {
            XkbFreeKeyboard(description, 0, True);
        }
    }
};

// A keyboard description from XkbGetMap.
using XkbDescOwner = std::unique_ptr<XkbDescRec, XkbDescDeleter>;

// The data of a generic event, released when the owner goes.
class XEventDataOwner {
public:
    XEventDataOwner(Display* display, XGenericEventCookie* cookie)
        : m_display(display), m_cookie(XGetEventData(display, cookie) ? cookie : nullptr) {}
    ~XEventDataOwner() {
        if (m_cookie) {
            XFreeEventData(m_display, m_cookie);
        }
    }
    XEventDataOwner(const XEventDataOwner&) = delete;
    XEventDataOwner& operator=(const XEventDataOwner&) = delete;

    bool hasData() const { return m_cookie != nullptr; }

private:
    Display* m_display;
    XGenericEventCookie* m_cookie;
};
