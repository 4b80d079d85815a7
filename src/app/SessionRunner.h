#pragma once

#include "app/UnixSignalWatcher.h"
#include "base/session/ProgramSession.h"
#include "platform/PlatformServices.h"

#include <QString>

#include <functional>

class Dialogs;
class MainView;

// What both session kinds do around the program: the desktop services of this session, the
// program itself, SIGINT and SIGTERM as the normal shutdown, and the end of the event loop when
// the shutdown has run.
class SessionRunner {
public:
    SessionRunner(MainView& view, Dialogs& dialogs);

    ProgramSession& session() { return m_session; }

    // Starts the program, shows the view once the start-up has run, and runs the event loop
    // until the program ends; the process's exit code.
    int exec(const QString& configuration, const std::function<void()>& showView = {});

private:
    PlatformServices m_platform;
    ProgramSession m_session;
    UnixSignalWatcher m_signals;
};
