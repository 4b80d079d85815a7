#pragma once

struct _XDisplay;

// Catches the X errors of the requests made during its lifetime instead of letting Xlib's
// default handler end the program (a window can vanish between two requests).
class X11ErrorTrap {
public:
    explicit X11ErrorTrap(_XDisplay* display);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    // Waits until the server has handled every request so far; the code of the first error
    // since the trap was set, 0 for none.
    int sync();

private:
    // Xlib's handler type names an unnamed struct, so the previous handler is kept type-erased.
    using AnyFunction = void (*)();

    _XDisplay* m_display;
    AnyFunction m_previous;
    int m_savedError;
};
