#include "Options.h"

#include <cmath>
#include <map>

const QString Options::kDefaultFormat = QStringLiteral("{STATE}{SEQ:5}{SIGN}   {VALUE:6} {UNIT:2} \\r\\n");

namespace {

bool toDouble(const QString& text, double* out) {
    bool ok = false;
    // QString::toDouble reads the C locale whatever the user's locale is.
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        return false;
    }
    *out = value;
    return true;
}

bool toCount(const QString& text, quint64 minimum, quint64* out) {
    bool ok = false;
    const quint64 value = text.trimmed().toULongLong(&ok);
    if (!ok || value < minimum) {
        return false;
    }
    *out = value;
    return true;
}

bool toDoubles(const QString& text, qsizetype expected, QList<double>* out) {
    const QStringList parts = text.split(u':');
    if (parts.size() != expected) {
        return false;
    }
    for (const QString& part : parts) {
        double value = 0.0;
        if (!toDouble(part, &value)) {
            return false;
        }
        out->append(value);
    }
    return true;
}

} // namespace

Options::Outcome Options::parse(const QStringList& arguments, Options& o, QString& error) {
    int valueChoices = 0;
    bool tcpGiven = false;

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == u"-h") {
            return Outcome::Help;
        }
        if (!argument.startsWith(QStringLiteral("--")) || argument.size() == 2) {
            error = QStringLiteral("unexpected argument \"%1\"").arg(argument);
            return Outcome::Invalid;
        }
        QString name = argument.mid(2);
        std::optional<QString> attached;
        if (const qsizetype equals = name.indexOf(u'='); equals >= 0) {
            attached = name.mid(equals + 1);
            name = name.left(equals);
        }
        const auto bad = [&](const QString& what) {
            error = QStringLiteral("--%1: %2").arg(name, what);
            return Outcome::Invalid;
        };
        const auto flag = [&] { return !attached.has_value(); };
        QString text;
        const auto take = [&] {
            if (attached) {
                text = *attached;
                return true;
            }
            if (i + 1 >= arguments.size()) {
                return false;
            }
            text = arguments.at(++i);
            return true;
        };

        if (name == u"help") {
            return Outcome::Help;
        }
        if (name == u"version") {
            return Outcome::Version;
        }
        if (name == u"verbose" || name == u"decimal-comma" || name == u"exit-after-count") {
            if (!flag()) {
                return bad(QStringLiteral("takes no value"));
            }
            (name == u"verbose"         ? o.verbose
             : name == u"decimal-comma" ? o.decimalComma
                                        : o.exitAfterCount) = true;
            continue;
        }
        if (name == u"pty") {
            o.pty = true;
            // The link path is optional: the next argument is one unless it is another option.
            if (attached) {
                o.ptyLink = *attached;
            } else if (i + 1 < arguments.size() && !arguments.at(i + 1).startsWith(QStringLiteral("--"))) {
                o.ptyLink = arguments.at(++i);
            }
            if (attached && o.ptyLink.isEmpty()) {
                return bad(QStringLiteral("the link path is empty"));
            }
            continue;
        }
        static const QStringList ValueOptions = {
            QStringLiteral("decimals"),      QStringLiteral("format"),
            QStringLiteral("interval"),      QStringLiteral("mode"),
            QStringLiteral("ramp"),          QStringLiteral("random"),
            QStringLiteral("seed"),          QStringLiteral("tcp"),
            QStringLiteral("unit"),          QStringLiteral("value"),
            QStringLiteral("burst"),         QStringLiteral("unstable-every"),
            QStringLiteral("count"),         QStringLiteral("garbage-every"),
            QStringLiteral("partial-every"), QStringLiteral("disconnect-after")};
        // An unknown name is reported as such, wherever it stands, before a value is looked for.
        if (!ValueOptions.contains(name)) {
            error = QStringLiteral("unknown option --%1").arg(name);
            return Outcome::Invalid;
        }
        if (!take()) {
            return bad(QStringLiteral("needs a value"));
        }

        quint64 number = 0;
        double real = 0.0;
        QList<double> reals;
        if (name == u"tcp") {
            if (!toCount(text, 0, &number) || number > 65535) {
                return bad(QStringLiteral("\"%1\" is not a port number").arg(text));
            }
            o.tcpPort = static_cast<quint16>(number);
            tcpGiven = true;
        } else if (name == u"format") {
            o.format = text;
        } else if (name == u"decimals") {
            if (!toCount(text, 0, &number) || number > 9) {
                return bad(QStringLiteral("\"%1\" is not a number from 0 to 9").arg(text));
            }
            o.decimals = static_cast<int>(number);
        } else if (name == u"unit") {
            bool latin1 = true;
            for (const QChar c : text) {
                latin1 = latin1 && c.unicode() <= 0xFF;
            }
            if (text.isEmpty() || !latin1) {
                return bad(QStringLiteral("the unit must be one or more single-byte characters"));
            }
            o.unit = text;
        } else if (name == u"value") {
            if (!toDouble(text, &real)) {
                return bad(QStringLiteral("\"%1\" is not a number").arg(text));
            }
            o.values = Values::Fixed;
            o.value = real;
            ++valueChoices;
        } else if (name == u"ramp") {
            if (!toDoubles(text, 3, &reals)) {
                return bad(QStringLiteral("expected FROM:TO:STEP, got \"%1\"").arg(text));
            }
            o.values = Values::Ramp;
            o.rampFrom = reals[0];
            o.rampTo = reals[1];
            o.rampStep = reals[2];
            const double distance = o.rampTo - o.rampFrom;
            if (distance != 0.0 && (o.rampStep == 0.0 || (distance > 0) != (o.rampStep > 0))) {
                return bad(QStringLiteral("STEP must lead from FROM towards TO"));
            }
            ++valueChoices;
        } else if (name == u"random") {
            if (!toDoubles(text, 2, &reals) || reals[0] > reals[1]) {
                return bad(QStringLiteral("expected MIN:MAX with MIN <= MAX, got \"%1\"").arg(text));
            }
            o.values = Values::Random;
            o.randomMin = reals[0];
            o.randomMax = reals[1];
            ++valueChoices;
        } else if (name == u"seed") {
            if (!toCount(text, 0, &number) || number > 0xFFFFFFFFu) {
                return bad(QStringLiteral("\"%1\" is not a number from 0 to 4294967295").arg(text));
            }
            o.seed = static_cast<quint32>(number);
        } else if (name == u"mode") {
            if (text == u"demand") {
                o.mode = Mode::Demand;
            } else if (text == u"interval") {
                o.mode = Mode::Interval;
            } else if (text == u"continuous") {
                o.mode = Mode::Continuous;
            } else {
                return bad(QStringLiteral("expected demand, interval or continuous, got \"%1\"").arg(text));
            }
        } else if (name == u"interval") {
            if (!toCount(text, 1, &number) || number > 86400000) {
                return bad(QStringLiteral("\"%1\" is not a number of milliseconds").arg(text));
            }
            o.intervalMs = static_cast<int>(number);
        } else {
            static const std::map<QString, quint64 Options::*> counts = {
                {QStringLiteral("unstable-every"), &Options::unstableEvery},
                {QStringLiteral("count"), &Options::count},
                {QStringLiteral("garbage-every"), &Options::garbageEvery},
                {QStringLiteral("partial-every"), &Options::partialEvery},
                {QStringLiteral("disconnect-after"), &Options::disconnectAfter},
            };
            if (name == u"burst") {
                if (!toCount(text, 1, &number) || number > 1024 * 1024 * 1024) {
                    return bad(QStringLiteral("\"%1\" is not a number of bytes").arg(text));
                }
                o.burst = static_cast<qint64>(number);
            } else if (const auto found = counts.find(name); found != counts.end()) {
                if (!toCount(text, 1, &number)) {
                    return bad(QStringLiteral("\"%1\" is not a whole number of at least 1").arg(text));
                }
                o.*(found->second) = number;
            } else {
                error = QStringLiteral("unknown option --%1").arg(name);
                return Outcome::Invalid;
            }
        }
    }

    if (valueChoices > 1) {
        error = QStringLiteral("choose one of --value, --ramp and --random");
        return Outcome::Invalid;
    }
    if (o.exitAfterCount && o.count == 0) {
        error = QStringLiteral("--exit-after-count needs --count");
        return Outcome::Invalid;
    }
    // A cut record is always followed by a complete one, so two in a row cannot be cut.
    if (o.partialEvery == 1) {
        error = QStringLiteral("--partial-every: needs at least 2");
        return Outcome::Invalid;
    }
    if (!tcpGiven && !o.pty) {
        o.tcpPort = 4001;
    }
    return Outcome::Run;
}

QString Options::helpText() {
    return QStringLiteral(R"(Usage: kelvane-devsim [OPTION]...
A simulated balance: sends fixed-layout weighing records over TCP on the loopback interface
and/or a pseudo-terminal, and answers device commands. For demos, tests and benchmarks.

Links (without --tcp and --pty: --tcp 4001)
  --tcp PORT             Listen on 127.0.0.1:PORT; 0 picks a free port. Prints
                         "tcp: 127.0.0.1:PORT". Any number of clients; each gets the records.
  --pty [LINKPATH]       Open a pseudo-terminal in raw mode and print "pty: /dev/pts/N". With
                         LINKPATH, a symbolic link LINKPATH -> /dev/pts/N is kept up to date and
                         removed on exit. The simulator holds the device open itself, so records
                         sent while no program has it open wait in the terminal's buffer.

Record layout
  --format TEMPLATE      Layout of one record (default: %1).
                         Fields, each of fixed width:
                           {SIGN}       "+" or "-"
                           {VALUE:W}    the value right-aligned in W characters with --decimals
                                        decimals; {VALUE:W.D} with D decimals. Without a {SIGN}
                                        field the minus sign goes into the value field. A value
                                        too large for the field is sent as W "*".
                           {UNIT} {UNIT:W}  the unit, left-aligned; blank while unstable
                           {STATE}      "S" stable, "D" unstable
                           {SEQ:W}      the record number, zero-padded to W digits
                         Anything else is sent as it stands, with the escapes \r \n \t \0 \\
                         \{ \} and \xHH. The last character is the end character.
                         The default gives 22 bytes: sign 7, value 11-16, unit 18-19, CR 21, LF 22.
  --decimals D           Decimals for {VALUE:W} (default 2).
  --unit TEXT            Unit of a stable reading (default g).
  --decimal-comma        Write the value with a decimal comma.
  A "layout:" line on standard output tells the positions of the fields.

Values (default: --value 123.45)
  --value X              Always X.
  --ramp FROM:TO:STEP    FROM, FROM+STEP, ... up to TO, then FROM again.
  --random MIN:MAX       Uniformly distributed; --seed N makes the sequence repeatable
                         (default: a different sequence every run).
  --unstable-every N     Every N-th record is unstable (unit blank, state "D").
  Tare and zero commands shift all later values.

Sending
  --mode MODE            demand: records only when asked by a command;
                         interval: one record every --interval milliseconds (default);
                         continuous: as fast as the links take them.
                         Spontaneous records go to every link; a link with more than 16 KiB
                         unsent misses them until it catches up.
                         Commands are answered in every mode.
  --interval MS          Interval of the interval mode (default 1000).
  --count N              Send N complete records in all (answers included), then nothing more;
                         later print, tare and zero commands are ignored.
  --exit-after-count     After --count records, wait until the peers have taken them (at most
                         10 s), close the links and exit with status 0.

Device commands (lines ending with CR, LF or CR LF; ESC (27) before the letter is optional,
letters in either case). Answers go only to the link that asked; a record answer has the record
layout, the error answer is "ES" CR LF:
  ESC P                  Print: one record now.
  ESC T                  Tare: the current value becomes the tare; answered with a record (0).
  ESC Z                  Zero: the current load becomes the zero point and the tare is cleared;
                         answered with a record (0).
  anything else          "ES".

Faults (records counted from 1 since the start)
  --garbage-every N      Random bytes (4 to 16, with a NUL and a byte above 127, never the end
                         character) before every N-th record.
  --partial-every N      Every N-th record (N >= 2) is cut to its first half and followed at once
                         by the next record. Cut records do not count for --count.
  --disconnect-after N   After N complete records on a link, close it once the peer has read
                         them: a TCP client is dropped; the pseudo-terminal is closed and a new
                         one is opened and announced with another "pty:" line (the link follows;
                         the kernel may reuse the device name).
  --burst BYTES          Send BYTES bytes of filler without the end character first, each time a
                         link starts.

Other
  --verbose              One line per event on standard error (sent:, command:, ...).
  -h, --help             This text.
  --version              Print the version and exit.

SIGINT and SIGTERM end the simulator cleanly. Exit status: 0 done, 1 a link could not be
opened, 2 invalid arguments.
)")
        .arg(kDefaultFormat);
}
