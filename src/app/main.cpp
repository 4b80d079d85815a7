#include "app/HeadlessSession.h"
#include "app/WindowSession.h"

#include <QString>

#include <cstdio>
#include <cstring>

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
        return HeadlessSession::run(argc, argv, line.configuration);
    }
    if (!displayAvailable()) {
        std::fprintf(stderr, "kelvane: no display found, running headless\n");
        return HeadlessSession::run(argc, argv, line.configuration);
    }
    return WindowSession::run(argc, argv, line.configuration);
}
