#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// One application window of the desktop.
struct TopLevelWindow {
    quint64 id = 0;
    QString title;
    // Open on the desktop: shown, minimised or on another workspace; not withdrawn.
    bool visible = false;
    // An ordinary framed application window, not a panel, menu, tooltip or desktop.
    bool bordered = false;
};

// The application windows of the desktop and the means to bring one to the front.
class WindowList {
public:
    virtual ~WindowList() = default;

    // Every application window, the top of the stacking order first.
    virtual QList<TopLevelWindow> topLevelWindows() = 0;
    // Raises the window and gives it the keyboard focus; false when the window does not exist.
    virtual bool activate(quint64 window) = 0;
};
