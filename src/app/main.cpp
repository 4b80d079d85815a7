#include "app/CommandLine.h"
#include "app/HeadlessSession.h"
#include "app/WindowSession.h"
#include "base/files/ProgramDirectory.h"

#include <QFileInfo>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace {

bool displayAvailable() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

QStringList argumentList(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return arguments;
}

// No application object exists yet to ask; the kernel knows where the executable is.
QString executableDirectory() {
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
}

int fail(const QString& text) {
    std::fprintf(stderr, "kelvane: %s\nTry 'kelvane --help' for more information.\n", qPrintable(text));
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const CommandLine line = CommandLine::parse(argumentList(argc, argv));
    switch (line.action()) {
    case CommandLine::Action::ShowHelp:
    case CommandLine::Action::ShowVersion:
        std::fputs(qPrintable(line.text()), stdout);
        return 0;
    case CommandLine::Action::Fail:
        return fail(line.text());
    case CommandLine::Action::Run:
        break;
    }
    if (!qEnvironmentVariableIsSet("TZ")) {
        // Every value is stamped with the local time. Without TZ, the C library looks at
        // /etc/localtime again for each reading of the clock; named, it reads the zone once.
        qputenv("TZ", ":/etc/localtime");
    }
    ProgramDirectory::set(ProgramDirectory::resolve(executableDirectory()));
    // A configuration the user named must exist; without a name the start-up asks for one.
    if (!line.configuration().isEmpty() &&
        !QFileInfo(ProgramDirectory::file(line.configuration())).isFile()) {
        return fail(QStringLiteral("the configuration file %1 does not exist")
                        .arg(ProgramDirectory::file(line.configuration())));
    }
    int exitCode = 0;
    if (line.headless()) {
        exitCode = HeadlessSession::run(argc, argv, line.configuration());
    } else if (!displayAvailable()) {
        std::fprintf(stderr, "kelvane: no display found, running headless\n");
        exitCode = HeadlessSession::run(argc, argv, line.configuration());
    } else {
        exitCode = WindowSession::run(argc, argv, line.configuration());
    }
    // Everything is saved and closed. Qt's D-Bus thread may still be handling a late message
    // (a desktop portal answering the session's close) and would race the destruction of Qt's
    // static objects, so the process ends without running them.
    std::fflush(nullptr);
    std::_Exit(exitCode);
}
