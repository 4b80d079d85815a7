#pragma once

#include "output/KeystrokeOutput.h"

#include <QString>
#include <QtGlobal>

#include <optional>

class KeyboardInjector;
class MainController;
class WindowList;

// Keystroke delivery into the target application: the window whose title contains the
// setting Anwendung is found and brought to the front, then the text is typed. "*free*"
// types into whichever window has the focus.
class TargetApplication : public KeystrokeOutput {
public:
    static inline const QString FreeTarget = QStringLiteral("*free*");

    // Without a window list and keyboard (no X display) nothing is typed and the status says why.
    TargetApplication(MainController& controller, WindowList* windows, KeyboardInjector* keyboard);

    // The title of the first window, top of the stacking order first, whose title contains
    // Anwendung (case-sensitive); empty when there is none. It is also kept as foundTitle().
    QString FindWindowByTitle();
    QString foundTitle() const { return m_foundTitle; }

    void deliverKeystrokes(const QString& outputText) override;

    // The status text shown when keystrokes are asked for without an X display.
    static QString x11RequiredText();

private:
    bool activateFoundWindow();
    void reportInactiveTarget();

    MainController& m_controller;
    WindowList* m_windows;
    KeyboardInjector* m_keyboard;
    QString m_foundTitle;
    std::optional<quint64> m_foundWindow;
};
