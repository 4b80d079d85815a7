#include "platform/x11/X11Display.h"

#include <X11/Xlib.h>

void X11Display::Closer::operator()(_XDisplay* display) const {
    if (display) {
        XCloseDisplay(display);
    }
}

X11Display::X11Display(const QString& name) {
    const QByteArray displayName = name.toLocal8Bit();
    m_display.reset(XOpenDisplay(name.isEmpty() ? nullptr : displayName.constData()));
}

bool X11Display::reachable() {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        return false;
    }
    return X11Display().isOpen();
}
