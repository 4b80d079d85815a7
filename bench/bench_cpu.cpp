// Processor time Kelvane uses while online: with a connected device that sends nothing, and with
// a device that streams 22-byte records at the pace of a 38 400 baud line (one every 6 ms), into
// the text-file, workbook, SQLite and PostgreSQL targets over TCP/IP on the loopback interface,
// and into the text file also over a serial line (the simulator's pseudo-terminal). Beside them,
// socat copying the same stream into a file: what receiving it costs. The program runs as it
// does for a user, `kelvane --headless` in a program directory of its own, and the simulator as
// another process (PostgreSQL as its own server), so only Kelvane's own time is counted, read
// from /proc. Kelvane runs with a private D-Bus session bus, as on a desktop, where it publishes
// every value; the text file, the workbook and SQLite are also measured without one. Each line also says how
// many of the records sent while it ran were taken: the cycle must take at least every second one. Arguments:
// the seconds per target (default 20), and optionally a word that the lines to run must contain ("SQLite").

#include "BenchProcesses.h"
#include "BenchProgram.h"

#ifdef KELVANE_BENCH_POSTGRES
#include "support/PostgresCluster.h"
#endif

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {

// Processor time of a process so far, in seconds: user and system.
std::pair<double, double> cpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return {0.0, 0.0};
    }
    // The fields after the command name, which is in parentheses and may hold spaces.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double tick = static_cast<double>(::sysconf(_SC_CLK_TCK));
    return {fields.value(11).toDouble() / tick, fields.value(12).toDouble() / tick};
}

struct Target {
    const char* label;
    QByteArray keys; // the [Anwendung] section
    // Makes the target in the program directory before the start; false when it cannot.
    std::function<bool(const QString& folder)> prepare;
    // Reads the target back after the run: the number of values it holds, -1 when unreadable.
    std::function<int(const QString& folder)> count;
};

bool run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr) {
    QProcess process;
    process.start(program, arguments);
    const bool ok = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
                    process.exitCode() == 0;
    if (output) {
        *output = process.readAllStandardOutput();
    }
    if (!ok) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     process.readAllStandardError().constData());
    }
    return ok;
}

// A number a peer program printed; -1 when it failed.
int countBy(const QString& program, const QStringList& arguments) {
    QByteArray output;
    bool ok = false;
    const int count = run(program, arguments, &output) ? output.trimmed().toInt(&ok) : -1;
    return ok ? count : -1;
}

// Records taken and records the device sent from the first to the last one taken, from the
// sequence numbers in protocol.txt.
std::pair<int, int> takenOfSent(const QString& folder) {
    QFile file(QDir(folder).filePath(QStringLiteral("protocol.txt")));
    if (!file.open(QIODevice::ReadOnly)) {
        return {0, 0};
    }
    const QRegularExpression line(QStringLiteral("^Datenstring: [SD](\\d{5})"),
                                  QRegularExpression::MultilineOption);
    int taken = 0;
    int first = -1;
    int last = -1;
    for (auto match = line.globalMatch(QString::fromLatin1(file.readAll())); match.hasNext();) {
        const int sequence = match.next().captured(1).toInt();
        first = first < 0 ? sequence : first;
        last = sequence;
        ++taken;
    }
    return {taken, taken > 0 ? last - first + 1 : 0};
}

QString onlyMatching;

// The records in protocol.txt so far.
int recordsTaken(const QString& folder) {
    QFile file(QDir(folder).filePath(QStringLiteral("protocol.txt")));
    return file.open(QIODevice::ReadOnly) ? int(file.readAll().count("Datenstring: ")) : 0;
}

void wait(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// Starts the simulator serving TCP/IP on loopback; the port it took, 0 when it did not start.
quint16 startOnLoopback(QProcess& device, const QString& simulator, const QStringList& mode) {
    device.start(simulator, QStringList{QStringLiteral("--tcp"), QStringLiteral("0")} + mode);
    return BenchProgram::simulatorPort(device);
}

// How the device is connected: TCP/IP on the loopback interface, or a serial line (the
// simulator's pseudo-terminal) at 38 400 baud.
enum class Link { Tcp, Serial };

// The private session bus's address; empty when dbus-daemon did not start.
QString sessionBus;

enum class Bus { Session, None };

// The private Xvfb's display number; empty when it did not start.
QString xDisplay;

enum class Session { Headless, Window };

void measure(const QString& simulator, const QStringList& mode, const char* label, const Target& target,
             int seconds, Link link = Link::Tcp, Bus bus = Bus::Session,
             Session session = Session::Headless) {
    if (!QString::fromLatin1(label).contains(onlyMatching)) {
        return;
    }
    QTemporaryDir dir;
    const QString terminal = QDir(dir.path()).filePath(QStringLiteral("balance"));
    QProcess device;
    QByteArray portSettings = "[Port settings]\nportnum=7\nbaud=38400\n";
    if (link == Link::Serial) {
        device.start(simulator, QStringList{QStringLiteral("--pty"), terminal} + mode);
        if (!device.waitForReadyRead(10000)) {
            std::fprintf(stderr, "the simulator did not start\n");
            return;
        }
    } else {
        const quint16 port = startOnLoopback(device, simulator, mode);
        if (port == 0) {
            std::fprintf(stderr, "the simulator did not start\n");
            return;
        }
        portSettings =
            "[Port settings]\nportnum=TCP/IP\ntcpip=127.0.0.1\ntcpport=" + QByteArray::number(port) + "\n";
    }
    BenchProgram::prepare(dir, portSettings, target.keys);
    if (link == Link::Serial) {
        // COM7 is the simulator's terminal.
        const QString iniPath = QDir(dir.path()).filePath(QStringLiteral("kelvane.ini"));
        IniDocument kelvaneIni = IniDocument::fromFile(iniPath);
        kelvaneIni.setValue(QStringLiteral("ports"), QStringLiteral("COM7"), terminal);
        kelvaneIni.save(iniPath);
    }
    if (target.prepare && !target.prepare(dir.path())) {
        std::printf("%-30s not measured: the target could not be made\n", label);
        return;
    }
    QProcess kelvane;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KELVANE_HOME"), dir.path());
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    if (session == Session::Window) {
        if (xDisplay.isEmpty()) {
            std::printf("%-30s not measured: Xvfb did not start\n", label);
            return;
        }
        environment.insert(QStringLiteral("DISPLAY"), u':' + xDisplay);
    }
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    if (bus == Bus::Session && !sessionBus.isEmpty()) {
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), sessionBus);
    }
    kelvane.setProcessEnvironment(environment);
    kelvane.setStandardOutputFile(QProcess::nullDevice());
    kelvane.setStandardErrorFile(qEnvironmentVariableIsSet("BENCH_VERBOSE") ? QString()
                                                                            : QProcess::nullDevice());
    kelvane.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../kelvane")),
                  session == Session::Headless ? QStringList{QStringLiteral("--headless")} : QStringList{});
    if (!kelvane.waitForStarted(10000)) {
        std::printf("%-30s not measured: kelvane did not start\n", label);
        return;
    }
    // The first second holds the connection and the first opening of the target.
    wait(1000);
    const qint64 pid = kelvane.processId();
    const int takenBefore = recordsTaken(dir.path());
    const auto before = cpuSeconds(pid);
    QElapsedTimer wall;
    wall.start();
    wait(seconds * 1000);
    const auto after = cpuSeconds(pid);
    const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
    const int transfers = recordsTaken(dir.path()) - takenBefore;
    const double user = after.first - before.first;
    const double used = user + after.second - before.second;
    kelvane.terminate();
    if (!kelvane.waitForFinished(10000)) {
        kelvane.kill();
        kelvane.waitForFinished(5000);
    }
    device.terminate();
    device.waitForFinished(5000);
    const auto [taken, sent] = takenOfSent(dir.path());
    std::printf(
        "%-30s %5.2f %% of one core (%.2f s in %.1f s, %.0f %% of it system), %3.0f values/s, %4.0f us per "
        "value",
        label, 100.0 * used / elapsed, used, elapsed, used > 0 ? 100.0 * (used - user) / used : 0.0,
        transfers / elapsed, transfers > 0 ? 1e6 * used / transfers : 0.0);
    if (sent > 0) {
        std::printf(", %d of %d records taken%s", taken, sent, 2 * taken >= sent ? "" : " (LESS THAN HALF)");
    }
    if (target.count) {
        const int held = target.count(dir.path());
        std::printf(held == taken ? ", all in the target" : ", but the target holds %d", held);
    }
    std::printf("\n");
    std::fflush(stdout);
}

// The peer: socat copying the same stream from the simulator into a file, which is what receiving
// it costs without any of Kelvane's work.
void measureSocat(const QString& simulator, const QStringList& mode, int seconds) {
    const char* label = "peer: socat into a file";
    if (!QString::fromLatin1(label).contains(onlyMatching)) {
        return;
    }
    QProcess device;
    const quint16 port = startOnLoopback(device, simulator, mode);
    QTemporaryDir dir;
    QProcess socat;
    socat.start(QStringLiteral("socat"),
                {QStringLiteral("-u"), QStringLiteral("TCP:127.0.0.1:%1").arg(port),
                 QStringLiteral("OPEN:%1,creat").arg(dir.filePath(QStringLiteral("out")))});
    if (port == 0 || !socat.waitForStarted(5000)) {
        std::printf("%-30s not measured: socat or the simulator did not start\n", label);
        return;
    }
    wait(1000);
    const auto before = cpuSeconds(socat.processId());
    QElapsedTimer wall;
    wall.start();
    wait(seconds * 1000);
    const auto after = cpuSeconds(socat.processId());
    const double used = after.first + after.second - before.first - before.second;
    const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
    std::printf("%-30s %5.2f %% of one core (%.2f s in %.1f s)\n", label, 100.0 * used / elapsed, used,
                elapsed);
    std::fflush(stdout);
    socat.terminate();
    socat.waitForFinished(5000);
    device.terminate();
    device.waitForFinished(5000);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    onlyMatching = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    const QString simulator =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../kelvane-devsim"));
    const Announcer bus = privateSessionBus();
    sessionBus = bus.value();
    std::printf("session bus: %s\n", sessionBus.isEmpty() ? "none (dbus-daemon missing)" : "private");
    const Announcer server = privateXvfb();
    xDisplay = server.value();
    const QStringList silent{QStringLiteral("--mode"), QStringLiteral("demand")};
    const QStringList lineRate{QStringLiteral("--mode"), QStringLiteral("interval"),
                               QStringLiteral("--interval"), QStringLiteral("6")};
    // Each field ends with the separator.
    const QByteArray fields = "Format={Value}{TAB}{Unit}{TAB}\n";
    const QString sqlite = QStringLiteral("sqlite3");
    const Target text{"text file",
                      "Anwendung=Text-Datei\nTextFile=values.txt\nFormat={Value}\n",
                      {},
                      [](const QString& folder) {
                          QFile file(QDir(folder).filePath(QStringLiteral("values.txt")));
                          return file.open(QIODevice::ReadOnly) ? int(file.readAll().count("123.45\r\n")) : 0;
                      }};
    measure(simulator, silent, "online, device silent", text, seconds);
    measure(simulator, lineRate, "streaming into a text file", text, seconds);
    measure(simulator, lineRate, "text file, no session bus", text, seconds, Link::Tcp, Bus::None);
    measure(simulator, lineRate, "text file, window on Xvfb", text, seconds, Link::Tcp, Bus::Session,
            Session::Window);
    measureSocat(simulator, lineRate, seconds);
    measure(simulator, lineRate, "serial line into a text file", text, seconds, Link::Serial);
    const Target workbook{
        "workbook", "Anwendung=Excel-Datei\nExcelFile=lab.xlsx\n" + fields,
        [](const QString& folder) {
            return run(QStringLiteral("/usr/bin/python3"),
                       {QStringLiteral("-c"),
                        QStringLiteral("import openpyxl, sys\nwb = openpyxl.Workbook(); wb.active.title = "
                                       "'Tabelle1'\nwb.active['A1'] = 'Wert'\nwb.save(sys.argv[1])"),
                        QDir(folder).filePath(QStringLiteral("lab.xlsx"))});
        },
        [](const QString& folder) {
            return countBy(QStringLiteral("/usr/bin/python3"),
                           {QStringLiteral("-c"),
                            QStringLiteral("import openpyxl, sys\n"
                                           "ws = openpyxl.load_workbook(sys.argv[1])['Tabelle1']\n"
                                           "print(sum(1 for r in ws.iter_rows(min_row=2, values_only=True)"
                                           " if r[0] == 123.45 and r[1] == 'g'))"),
                            QDir(folder).filePath(QStringLiteral("lab.xlsx"))});
        }};
    const Target database{
        "SQLite", "Anwendung=Access-Datenbank\nAccessTable=w\nAccessFile=lab.db\n" + fields,
        [&sqlite](const QString& folder) {
            return run(sqlite, {QDir(folder).filePath(QStringLiteral("lab.db")),
                                QStringLiteral("CREATE TABLE w (value REAL, unit TEXT);")});
        },
        [&sqlite](const QString& folder) {
            return countBy(sqlite,
                           {QDir(folder).filePath(QStringLiteral("lab.db")),
                            QStringLiteral("SELECT count(*) FROM w WHERE value = 123.45 AND unit = 'g';")});
        }};
    measure(simulator, lineRate, "streaming into a workbook", workbook, seconds);
    measure(simulator, lineRate, "workbook, no session bus", workbook, seconds, Link::Tcp, Bus::None);
    measure(simulator, lineRate, "streaming into SQLite", database, seconds);
    measure(simulator, lineRate, "SQLite, no session bus", database, seconds, Link::Tcp, Bus::None);
#ifdef KELVANE_BENCH_POSTGRES
    if (!QStringLiteral("streaming into PostgreSQL").contains(onlyMatching)) {
        return 0;
    }
    PostgresCluster cluster;
    if (!cluster.start()) {
        std::printf("%-30s not measured: %s\n", "streaming into PostgreSQL", qPrintable(cluster.reason()));
        return 0;
    }
    cluster.psql(QStringLiteral("CREATE TABLE w (value numeric, unit text);"));
    measure(
        simulator, lineRate, "streaming into PostgreSQL",
        {"PostgreSQL",
         "Anwendung=Access-Datenbank\nAccessTable=w\nAccessFile=" + cluster.url().toUtf8() + "\n" + fields,
         {},
         [&cluster](const QString&) {
             bool ok = false;
             const int count =
                 cluster.psql(QStringLiteral("SELECT count(*) FROM w WHERE value = 123.45 AND unit = 'g';"))
                     .toInt(&ok);
             return ok ? count : -1;
         }},
        seconds);
#else
    std::printf("%-30s not measured: built without the tests' PostgreSQL cluster\n",
                "streaming into PostgreSQL");
#endif
    return 0;
}
