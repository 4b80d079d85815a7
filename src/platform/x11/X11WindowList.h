#pragma once

#include "base/interfaces/WindowList.h"

#include <memory>

class X11Display;

// The application windows of an X display. With a window manager (one that announces itself
// through _NET_SUPPORTING_WM_CHECK) they come from _NET_CLIENT_LIST_STACKING; without one, from
// the root window's children, each followed down to the window that carries WM_STATE.
class X11WindowList : public WindowList {
public:
    // How long activation waits for a minimised window to be shown again.
    static constexpr int MapWaitMilliseconds = 3000;

    explicit X11WindowList(std::shared_ptr<X11Display> display);
    ~X11WindowList() override;
    X11WindowList(const X11WindowList&) = delete;
    X11WindowList& operator=(const X11WindowList&) = delete;

    QList<TopLevelWindow> topLevelWindows() override;
    bool activate(quint64 window) override;

    // Whether a window manager runs on the display.
    bool windowManagerPresent();

private:
    struct Atoms;

    std::shared_ptr<X11Display> m_display;
    std::unique_ptr<Atoms> m_atoms;
};
