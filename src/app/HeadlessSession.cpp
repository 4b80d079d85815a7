#include "app/HeadlessSession.h"

#include "app/HeadlessDialogs.h"
#include "app/HeadlessMainView.h"
#include "app/SessionRunner.h"
#include "base/files/ProgramDirectory.h"

#include <QCoreApplication>

namespace HeadlessSession {

int run(int argc, char** argv, const QString& configuration) {
    QCoreApplication app(argc, argv);
    HeadlessMainView view;
    HeadlessDialogs dialogs(ProgramDirectory::path());
    SessionRunner runner(view, dialogs);
    return runner.exec(configuration);
}

} // namespace HeadlessSession
