#pragma once

#include <QString>

// What the program logic needs of its main window: the value labels, the two status bars, the
// button array with captions, enabled state and state tags, the menu captions and the window
// state. The window and the headless mode implement it.
class MainView {
public:
    static constexpr int ButtonCount = 16;

    virtual ~MainView() = default;

    virtual void setWindowTitle(const QString& title) = 0;
    virtual QString windowTitle() const = 0;

    // MesswertAnzeige, Vorzeichen and einheit.
    virtual void setValueText(const QString& text) = 0;
    virtual QString valueText() const = 0;
    virtual void setSignText(const QString& text) = 0;
    virtual QString signText() const = 0;
    virtual void setUnitText(const QString& text) = 0;
    virtual QString unitText() const = 0;

    // Panel 1 of the status bar Status.
    virtual void setStatusText(const QString& text) = 0;
    virtual QString statusText() const = 0;
    // Panels 1 to 3 of the second status bar Status1.
    virtual void setStatus1Text(int panel, const QString& text) = 0;
    virtual QString status1Text(int panel) const = 0;

    // Buttons 1 to 16 of the button array Command5.
    virtual void setButtonCaption(int index, const QString& caption) = 0;
    virtual QString buttonCaption(int index) const = 0;
    virtual void setButtonEnabled(int index, bool enabled) = 0;
    virtual bool isButtonEnabled(int index) const = 0;
    virtual void setButtonTag(int index, const QString& tag) = 0;
    virtual QString buttonTag(int index) const = 0;

    // Menus by their names (datei, load_conf, ...).
    virtual void setMenuCaption(const QString& menuName, const QString& caption) = 0;

    virtual bool isMinimized() const = 0;
    // Minimises and hides the window into the notification area.
    virtual void hideToTray() = 0;
    // Creates (or replaces) the tray-icon object of the window.
    virtual void createTrayIcon() = 0;
    virtual void releaseTrayIcon() = 0;
    // Whether the window was shown hidden in the tray and is still there.
    virtual bool isHiddenInTray() const = 0;
};
