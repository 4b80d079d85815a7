#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks for.
class Options {
public:
    enum class Outcome { Run, Help, Version, Invalid };
    enum class Mode { Demand, Interval, Continuous };
    enum class Values { Fixed, Ramp, Random };

    static const QString kDefaultFormat;

    // Fills options from the arguments (without the program name); on Invalid, error says why.
    static Outcome parse(const QStringList& arguments, Options& options, QString& error);
    static QString helpText();

    // Links; without either, TCP on port 4001.
    std::optional<quint16> tcpPort;
    bool pty = false;
    QString ptyLink;

    // Record layout and content.
    QString format = kDefaultFormat;
    int decimals = 2;
    QString unit = QStringLiteral("g");
    bool decimalComma = false;

    // Values.
    Values values = Values::Fixed;
    double value = 123.45;
    double rampFrom = 0.0;
    double rampTo = 0.0;
    double rampStep = 0.0;
    double randomMin = 0.0;
    double randomMax = 0.0;
    std::optional<quint32> seed;
    quint64 unstableEvery = 0;

    // Sending.
    Mode mode = Mode::Interval;
    int intervalMs = 1000;
    quint64 count = 0; // 0: no limit
    bool exitAfterCount = false;

    // Faults.
    quint64 garbageEvery = 0;
    quint64 partialEvery = 0;
    quint64 disconnectAfter = 0;
    qint64 burst = 0;

    bool verbose = false;
};
