#include "app/HeadlessSession.h"

#include "app/HeadlessDialogs.h"
#include "app/HeadlessMainView.h"
#include "app/SessionRunner.h"
#include "base/files/ProgramDirectory.h"

#include <QCoreApplication>

namespace HeadlessSession {

int run(int argc, char** argv, const QString& configuration) {
    // Without windows nothing needs GLib's event loop, and Qt's own takes less time for each
    // event: a device that streams brings hundreds a second.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) {
        qputenv("QT_NO_GLIB", "1");
    }
    QCoreApplication app(argc, argv);
    HeadlessMainView view;
    HeadlessDialogs dialogs(ProgramDirectory::path());
    SessionRunner runner(view, dialogs);
    return runner.exec(configuration);
}

} // namespace HeadlessSession
