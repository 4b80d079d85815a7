#include "app/WindowSession.h"

#include "app/SessionRunner.h"
#include "base/files/ProgramDirectory.h"
#include "gui/MainWindow.h"
#include "gui/PortSettingsDialog.h"
#include "gui/ProgramIcon.h"
#include "gui/SetupAssistant.h"
#include "gui/WidgetDialogs.h"

#include <QApplication>

namespace WindowSession {

int run(int argc, char** argv, const QString& configuration) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    // Every window and the tray show the icon of the desktop entry, which the desktop finds by name.
    QApplication::setWindowIcon(ProgramIcon::icon());
    QGuiApplication::setDesktopFileName(QStringLiteral("org.kelvane.Kelvane"));
    MainWindow window;
    WidgetDialogs dialogs(&window, ProgramDirectory::path());
    SessionRunner runner(window, dialogs);
    ProgramSession& session = runner.session();
    window.setSession(&session);
    dialogs.portSettingsWindow = [&session, &window] {
        SetupAssistant::showPortSettings(session, &window, PortSettingsDialog::Caller::MainWindow);
    };
    // The messages and the language window of the start-up come before the main window.
    return runner.exec(configuration, [&window] { window.show(); });
}

} // namespace WindowSession
