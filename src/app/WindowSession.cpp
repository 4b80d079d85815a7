#include "app/WindowSession.h"

#include "app/SessionRunner.h"
#include "base/files/ProgramDirectory.h"
#include "gui/MainWindow.h"
#include "gui/PortSettingsDialog.h"
#include "gui/SetupAssistant.h"
#include "gui/WidgetDialogs.h"

#include <QApplication>

namespace WindowSession {

int run(int argc, char** argv, const QString& configuration) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    ProgramDirectory::set(ProgramDirectory::resolve(QCoreApplication::applicationDirPath()));
    MainWindow window;
    WidgetDialogs dialogs(&window, ProgramDirectory::path());
    SessionRunner runner(window, dialogs);
    ProgramSession& session = runner.session();
    window.setSession(&session);
    dialogs.portSettingsWindow = [&session, &window] {
        SetupAssistant::showPortSettings(session, &window, PortSettingsDialog::Caller::MainWindow);
    };
    window.show();
    return runner.exec(configuration);
}

} // namespace WindowSession
