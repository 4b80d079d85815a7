#include "base/delivery/TargetWindow.h"

#include "base/config/Settings.h"
#include "base/delivery/KeyTokenizer.h"
#include "base/interfaces/Dialogs.h"
#include "base/interfaces/Keyboard.h"
#include "base/interfaces/WindowList.h"
#include "base/texts/LanguageTable.h"

TargetWindow::TargetWindow(const Settings& settings, Dialogs& dialogs, WindowList* windows,
                           Keyboard* keyboard)
    : m_settings(settings), m_dialogs(dialogs), m_windows(windows), m_keyboard(keyboard) {}

QString TargetWindow::displayRequiredText() {
    return languageText(TextKey::KeystrokesNeedDisplay);
}

QString TargetWindow::findWindowByTitle() {
    m_foundTitle.clear();
    m_foundWindow.reset();
    if (!m_windows) {
        return m_foundTitle;
    }
    const QString& fragment = m_settings.target.text();
    for (const TopLevelWindow& window : m_windows->topLevelWindows()) {
        if (!window.title.isEmpty() && window.title.contains(fragment, Qt::CaseSensitive)) {
            m_foundTitle = window.title;
            m_foundWindow = window.id;
            break;
        }
    }
    return m_foundTitle;
}

bool TargetWindow::activateFoundWindow() {
    return m_windows && m_foundWindow && m_windows->activate(*m_foundWindow);
}

bool TargetWindow::deliver(const QString& outputText) {
    if (!m_keyboard) {
        if (m_handlers.showStatus) {
            m_handlers.showStatus(displayRequiredText());
        }
        return false;
    }
    bool activated = true;
    // Without a window list (a desktop that keeps it from programs) the focused window takes
    // the text, as for "*free*".
    if (!m_settings.target.is(TargetKind::FocusedWindow) && m_windows) {
        findWindowByTitle();
        activated = activateFoundWindow();
        if (!activated) {
            m_dialogs.message(QStringLiteral("Anwendung ") + m_settings.selectedProgramFile() +
                              QStringLiteral(" nicht aktiv"));
            if (m_handlers.targetMissing) {
                m_handlers.targetMissing();
            }
        }
    }
    // After a failed activation the text goes to whichever window has the focus now.
    KeyTokenizer::typeText(outputText, *m_keyboard);
    return activated;
}
