#pragma once

#include "support/ProcessRunner.h"
#include "support/ProgramFolder.h"

// kelvane --headless with the folder as its program directory and no display, X11 or Wayland.
class HeadlessProgram : public ProcessRunner {
public:
    explicit HeadlessProgram(const ProgramFolder& folder) : ProcessRunner(QStringLiteral("kelvane")) {
        setEnvironmentValue(QStringLiteral("KELVANE_HOME"), folder.path());
        setEnvironmentValue(QStringLiteral("DISPLAY"), QString());
        setEnvironmentValue(QStringLiteral("WAYLAND_DISPLAY"), QString());
    }
    bool start() { return ProcessRunner::start({QStringLiteral("--headless")}); }
    using ProcessRunner::start;
};
