#pragma once

#include <QString>

#include <memory>

struct _XDisplay;

// An owned connection to an X display, closed when the object goes.
class X11Display {
public:
    // Connects to name, or to $DISPLAY when name is empty; isOpen() tells whether it worked.
    explicit X11Display(const QString& name = {});

    bool isOpen() const { return m_display != nullptr; }
    _XDisplay* get() const { return m_display.get(); }

    // Whether an X display is reachable from this process.
    static bool reachable();

private:
    struct Closer {
        void operator()(_XDisplay* display) const;
    };
    std::unique_ptr<_XDisplay, Closer> m_display;
};
