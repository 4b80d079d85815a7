#include "app/ProgramSession.h"
#include "app/UnixSignalWatcher.h"
#include "core/ProgramDirectory.h"
#include "core/mainform.h"
#include "shell/HeadlessDialogs.h"
#include "shell/HeadlessMainView.h"
#include "shell/SetupAssistant.h"
#include "shell/WidgetDialogs.h"

#include <QApplication>
#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct CommandLine {
    bool headless = false;
    bool help = false;
    QString configuration;
};

CommandLine parse(int argc, char** argv) {
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--headless") == 0) {
            line.headless = true;
        } else if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            line.help = true;
        } else if (argument[0] != '-' && line.configuration.isEmpty()) {
            line.configuration = QString::fromLocal8Bit(argument);
        }
    }
    return line;
}

bool displayAvailable() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

int runHeadless(int argc, char** argv, const QString& configuration) {
    QCoreApplication app(argc, argv);
    ProgramDirectory::set(ProgramDirectory::resolve(QCoreApplication::applicationDirPath()));
    HeadlessMainView view;
    HeadlessDialogs dialogs(ProgramDirectory::path());
    ProgramSession session(view, dialogs);
    MainController& controller = session.controller();
    UnixSignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &UnixSignalWatcher::terminationRequested, &controller,
                     &MainController::formUnload);
    QObject::connect(&controller, &MainController::ended, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    if (!session.start(configuration)) {
        return 1;
    }
    if (controller.isUnloaded()) {
        return 0;
    }
    return app.exec();
}

int runWindowed(int argc, char** argv, const QString& configuration) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    ProgramDirectory::set(ProgramDirectory::resolve(QCoreApplication::applicationDirPath()));
    mainform window;
    WidgetDialogs dialogs(&window, ProgramDirectory::path());
    ProgramSession session(window, dialogs);
    MainController& controller = session.controller();
    window.setController(&controller);
    window.setDesktop(session.windows(), &session.triggerKeys());
    dialogs.portSettingsWindow = [&controller, &session, &window](const QString& callerTag) {
        SetupAssistant::showPortSettings(controller, session.windows(), &window, callerTag);
    };
    UnixSignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &UnixSignalWatcher::terminationRequested, &controller,
                     &MainController::formUnload);
    QObject::connect(&controller, &MainController::ended, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    window.show();
    if (!session.start(configuration)) {
        return 1;
    }
    if (controller.isUnloaded()) {
        return 0;
    }
    return app.exec();
}

} // namespace

int main(int argc, char** argv) {
    const CommandLine line = parse(argc, argv);
    if (line.help) {
        std::printf(
            "Usage: kelvane [--headless] [CONFIG]\n"
            "  CONFIG      configuration file, relative to the program directory (default standard.cfg)\n"
            "  --headless  run without a window: status lines on standard error, SIGTERM ends\n");
        return 0;
    }
    if (line.headless) {
        return runHeadless(argc, argv, line.configuration);
    }
    if (!displayAvailable()) {
        std::fprintf(stderr, "kelvane: no display found, running headless\n");
        return runHeadless(argc, argv, line.configuration);
    }
    return runWindowed(argc, argv, line.configuration);
}
