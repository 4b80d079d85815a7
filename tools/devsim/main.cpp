#include "Options.h"
#include "RecordTemplate.h"
#include "SignalWatcher.h"
#include "Simulator.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

namespace {

bool valuesFit(const Options& options, const RecordTemplate& layout, QString* error) {
    QList<double> extremes;
    switch (options.values) {
    case Options::Values::Fixed:
        extremes = {options.value};
        break;
    case Options::Values::Ramp:
        extremes = {options.rampFrom, options.rampTo};
        break;
    case Options::Values::Random:
        extremes = {options.randomMin, options.randomMax};
        break;
    }
    for (const double value : extremes) {
        if (!layout.fits(value)) {
            *error = QStringLiteral("the value %1 does not fit the value field of the format").arg(value);
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    // A peer that goes away must show up as a write error, not end the process.
    std::signal(SIGPIPE, SIG_IGN);

    Options options;
    QString error;
    switch (Options::parse(app.arguments().mid(1), options, error)) {
    case Options::Outcome::Help:
        std::fputs(Options::helpText().toUtf8().constData(), stdout);
        return 0;
    case Options::Outcome::Version:
        std::puts("kelvane-devsim " KELVANE_VERSION);
        return 0;
    case Options::Outcome::Invalid:
        EventLog::error(error + QStringLiteral(" (see --help)"));
        return 2;
    case Options::Outcome::Run:
        break;
    }
    auto layout = RecordTemplate::parse(options.format, options.decimals, options.unit.toLatin1(),
                                        options.decimalComma, &error);
    if (!layout || !valuesFit(options, *layout, &error)) {
        EventLog::error(error + QStringLiteral(" (see --help)"));
        return 2;
    }

    SignalWatcher signalWatcher({SIGINT, SIGTERM});
    if (!signalWatcher.isValid()) {
        EventLog::error(
            QStringLiteral("cannot watch for signals; SIGINT and SIGTERM will not remove the link"));
    }
    Simulator simulator(options, std::move(*layout));
    QObject::connect(&signalWatcher, &SignalWatcher::signalled, &simulator, &Simulator::stop);
    QObject::connect(&simulator, &Simulator::finished, &app,
                     [](int exitCode) { QCoreApplication::exit(exitCode); });
    if (!simulator.start(&error)) {
        EventLog::error(error);
        return 1;
    }
    return app.exec();
}
