#pragma once

#include "base/delivery/DeliverySink.h"

#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

class Dialogs;
class Keyboard;
class WindowList;
struct Settings;

// Keystroke delivery into the target application: the window whose title contains the target
// text is found and brought to the front, then the text is typed. "*free*" types into whichever
// window has the focus.
class TargetWindow : public DeliverySink {
public:
    // What the session does when typing goes wrong; the window itself only reports.
    struct Handlers {
        // The target window could not be activated; runs before the text is typed anyway.
        std::function<void()> targetMissing;
        // A status text for the user.
        std::function<void(const QString&)> showStatus;
    };

    // Without a keyboard (no display) nothing is typed and the status says why; without a window
    // list the text goes to the focused window.
    TargetWindow(const Settings& settings, Dialogs& dialogs, WindowList* windows, Keyboard* keyboard);

    void setHandlers(Handlers handlers) { m_handlers = std::move(handlers); }

    // The title of the first window, top of the stacking order first, whose title contains the
    // target text (case-sensitive); empty when there is none. It is also kept as foundTitle().
    QString findWindowByTitle();
    QString foundTitle() const { return m_foundTitle; }

    bool deliver(const QString& outputText) override;

    // The status text shown when keystrokes are asked for without an X display.
    static QString displayRequiredText();

private:
    bool activateFoundWindow();

    const Settings& m_settings;
    Dialogs& m_dialogs;
    WindowList* m_windows;
    Keyboard* m_keyboard;
    Handlers m_handlers;
    QString m_foundTitle;
    std::optional<quint64> m_foundWindow;
};
