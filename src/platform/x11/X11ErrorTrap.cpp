#include "platform/x11/X11ErrorTrap.h"

#include <X11/Xlib.h>

namespace {

// Everything runs on the one user-interface thread, so one slot for the innermost trap suffices.
int trappedError = 0;

int recordError(Display*, XErrorEvent* event) {
    if (trappedError == 0) {
        trappedError = event->error_code;
    }
    return 0;
}

} // namespace

X11ErrorTrap::X11ErrorTrap(_XDisplay* display)
    : m_display(display), m_previous(nullptr), m_savedError(trappedError) {
    // Errors of earlier requests belong to whoever made them.
    XSync(m_display, False);
    trappedError = 0;
    m_previous = reinterpret_cast<AnyFunction>(XSetErrorHandler(recordError));
}

X11ErrorTrap::~X11ErrorTrap() {
    XSync(m_display, False);
    XSetErrorHandler(reinterpret_cast<XErrorHandler>(m_previous));
    trappedError = m_savedError;
}

int X11ErrorTrap::sync() {
    XSync(m_display, False);
    return trappedError;
}
