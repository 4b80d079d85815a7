#include "output/TargetApplication.h"

#include "core/Dialogs.h"
#include "core/MainController.h"
#include "output/SendKeysNew.h"
#include "platform/KeyboardInjector.h"
#include "platform/WindowList.h"

namespace {

// The buttons pressed when the target is missing: timer stop, then the online switch.
constexpr int TimerStopButton = 3;
constexpr int OnlineButton = 7;

} // namespace

TargetApplication::TargetApplication(MainController& controller, WindowList* windows,
                                     KeyboardInjector* keyboard)
    : m_controller(controller), m_windows(windows), m_keyboard(keyboard) {}

QString TargetApplication::x11RequiredText() {
    return QStringLiteral("Keystroke output needs an X11 display; no keys were typed");
}

QString TargetApplication::FindWindowByTitle() {
    m_foundTitle.clear();
    m_foundWindow.reset();
    if (!m_windows) {
        return m_foundTitle;
    }
    const QString& fragment = m_controller.settings().Anwendung;
    for (const TopLevelWindow& window : m_windows->topLevelWindows()) {
        if (!window.title.isEmpty() && window.title.contains(fragment, Qt::CaseSensitive)) {
            m_foundTitle = window.title;
            m_foundWindow = window.id;
            break;
        }
    }
    return m_foundTitle;
}

bool TargetApplication::activateFoundWindow() {
    return m_windows && m_foundWindow && m_windows->activate(*m_foundWindow);
}

void TargetApplication::reportInactiveTarget() {
    const Settings& s = m_controller.settings();
    QString name;
    if (s.selectedApplication >= 0 &&
        static_cast<std::size_t>(s.selectedApplication) < s.applicationList.size()) {
        name = s.applicationList[static_cast<std::size_t>(s.selectedApplication)].programFile;
    }
    m_controller.dialogs().message(QStringLiteral("Anwendung ") + name + QStringLiteral(" nicht aktiv"));
    m_controller.Command5_Click(TimerStopButton);
    m_controller.Command5_Click(OnlineButton);
}

void TargetApplication::deliverKeystrokes(const QString& outputText) {
    if (!m_keyboard) {
        m_controller.fnUpdateStatus(x11RequiredText());
        return;
    }
    if (m_controller.settings().Anwendung != FreeTarget) {
        FindWindowByTitle();
        if (!activateFoundWindow()) {
            reportInactiveTarget();
        }
    }
    // After a failed activation the text goes to whichever window has the focus now.
    SendKeysNew(outputText, *m_keyboard);
}
