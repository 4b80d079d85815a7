#pragma once

#include "base/interfaces/MainButton.h"

#include <QString>

// What the program needs of its main window: the value display, the status bar and the three
// information panels below it, the buttons, the menu captions and the window state. The main
// window and the headless session implement it.
class MainView {
public:
    // The information panels below the status bar.
    enum class InfoPanel { Caption, Target, Output };

    // Menus and menu entries whose captions come from the language file.
    enum class Menu {
        File,
        LoadConfiguration,
        SaveConfiguration,
        Quit,
        View,
        DisplayMode,
        Trend,
        Input,
        PortSettings,
        RecordLayout,
        Output,
        TransferSettings,
        DbusTarget,
        Extras,
        Language,
        Help,
        ShowHelp,
        About,
    };

    virtual ~MainView() = default;

    virtual void setWindowTitle(const QString& title) = 0;
    virtual QString windowTitle() const = 0;

    virtual void setValueText(const QString& text) = 0;
    virtual QString valueText() const = 0;
    virtual void setSignText(const QString& text) = 0;
    virtual QString signText() const = 0;
    virtual void setUnitText(const QString& text) = 0;
    virtual QString unitText() const = 0;

    virtual void setStatusText(const QString& text) = 0;
    virtual QString statusText() const = 0;
    virtual void setInfoText(InfoPanel panel, const QString& text) = 0;
    virtual QString infoText(InfoPanel panel) const = 0;

    virtual void setButtonCaption(MainButton button, const QString& caption) = 0;
    virtual QString buttonCaption(MainButton button) const = 0;
    virtual void setButtonEnabled(MainButton button, bool enabled) = 0;
    virtual bool isButtonEnabled(MainButton button) const = 0;
    // The buttons that send the device commands, by command row 0 to 7.
    virtual void setCommandButtonCaption(int row, const QString& caption) = 0;
    virtual QString commandButtonCaption(int row) const = 0;

    virtual void setMenuCaption(Menu menu, const QString& caption) = 0;

    virtual bool isMinimized() const = 0;
    // Minimises and hides the window into the notification area.
    virtual void hideToTray() = 0;
    // Creates (or replaces) the notification-area icon object of the window.
    virtual void createTrayIcon() = 0;
    virtual void releaseTrayIcon() = 0;
};
