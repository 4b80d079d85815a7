// kelvane-devsim, the simulated balance, as a process on loopback TCP and on a pseudo-terminal.

#include "support/DeviceSimulator.h"
#include "support/ProcessRunner.h"

#include <QSerialPort>
#include <QTcpSocket>
#include <QtTest>

#include <csignal>

namespace {

constexpr int WaitMs = 10000;
constexpr int RecordLength = 22;
const QByteArray Filler = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// Records of the default layout numbered from first on, one per sign and value ("+12.50").
QByteArray records(int first, const QByteArrayList& values, const QByteArray& unit = "g ", char state = 'S') {
    QByteArray bytes;
    for (const QByteArray& value : values) {
        bytes += state + QByteArray::number(first++).rightJustified(5, '0') + value.left(1) + "   " +
                 value.mid(1).rightJustified(6) + ' ' + unit + " \r\n";
    }
    return bytes;
}

} // namespace

class tst_Devsim : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answers_data();
    void answers();
    void randomValuesFollowTheSeed();
    void options_data();
    void options();
};

void tst_Devsim::answers_data() {
    QTest::addColumn<QString>("arguments"); // @ is the terminal's link
    QTest::addColumn<QByteArray>("commands");
    QTest::addColumn<QByteArray>("expected");
    const auto row = [](const char* name, const char* arguments, const QByteArray& commands,
                        const QByteArray& expected) {
        QTest::newRow(name) << QString::fromLatin1(arguments) << commands << expected;
    };
    const QByteArray P = "\x1bP\r\n";
    const QByteArray standard = records(1, {"+123.45"});
    row("unknown commands refused", "--mode demand", "\x1bX\r\n\x1bPP\r\n\x1b\r\n" + P,
        "ES\r\nES\r\nES\r\n" + standard);
    row("tare and zero on a ramp, any line end and case", "--mode demand --ramp 10:100:10",
        P + "\x1bT\r\nP\r\x1bz\n\r\np\r\n", records(1, {"+10.00", "+0.00", "+10.00", "+0.00", "+10.00"}));
    row("decimal comma, kilograms", "--mode demand --value -7.25 --unit kg --decimal-comma", P,
        records(1, {"-7,25"}, "kg"));
    row("rounded to zero without a minus", "--mode demand --value -0.001", P, records(1, {"+0.00"}));
    row("own template", "--mode demand --format \\x02{SIGN}{VALUE:8.3}{UNIT:3}\\x03 --value -12.5 --unit kg",
        P, "\x02-  12.500kg \x03");
    row("overload after tare", "--mode demand --format {SIGN}{VALUE:5.2}\\n --ramp -99:99:198",
        "T\r\n" + P + P, "+ 0.00\n+*****\n+ 0.00\n");
    row("every second record unstable", "--mode demand --unstable-every 2", P + P + P,
        standard + records(2, {"+123.45"}, "  ", 'D') + records(3, {"+123.45"}));
    row("burst and a cut record", "--mode demand --partial-every 2 --burst 40", P + P,
        Filler + Filler.left(4) + standard + records(2, {"+123.45"}).left(RecordLength / 2) +
            records(3, {"+123.45"}));
    row("continuous ramp through zero", "--mode continuous --ramp -0.2:0.2:0.1 --count 5", {},
        records(1, {"-0.20", "-0.10", "+0.00", "+0.10", "+0.20"}));
    row("terminal: interval ramp", "--pty @ --mode interval --interval 20 --ramp 1:2:0.5 --count 4", {},
        records(1, {"+1.00", "+1.50", "+2.00", "+1.00"}));
}

void tst_Devsim::answers() {
    QFETCH(QString, arguments);
    QFETCH(QByteArray, commands);
    QFETCH(QByteArray, expected);
    QTemporaryDir folder;
    const QString link = folder.filePath(QStringLiteral("scale"));
    DeviceSimulator simulator;
    QVERIFY(simulator.start(arguments.replace(u'@', link).split(u' ')));
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, simulator.port());
    QVERIFY(socket.waitForConnected(WaitMs));
    const bool pty = arguments.contains(QStringLiteral("--pty"));
    QSerialPort terminal(link);
    QVERIFY(!pty ||
            (simulator.process().waitForOutput("pty: /dev/pts/") && terminal.open(QIODevice::ReadWrite)));
    QIODevice* device = pty ? static_cast<QIODevice*>(&terminal) : &socket;
    device->write(commands);
    QByteArray received;
    QTRY_COMPARE(received += device->readAll(), expected);
    // The answer to a last unknown command comes next: nothing else was sent before it.
    device->write("\x1b?\r\n");
    QTRY_COMPARE(received += device->readAll(), expected + "ES\r\n");
    simulator.stop();
    QVERIFY(simulator.process().exitStatus() == QProcess::NormalExit && simulator.process().exitCode() == 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void tst_Devsim::randomValuesFollowTheSeed() {
    const auto run = [](const QString& seed) {
        DeviceSimulator simulator;
        QTcpSocket socket;
        if (simulator.start({"--mode", "continuous", "--random", "10:20", "--seed", seed, "--count", "50",
                             "--exit-after-count"})) {
            socket.connectToHost(QHostAddress::LocalHost, simulator.port());
            socket.waitForDisconnected(WaitMs);
        }
        return socket.readAll();
    };
    const QByteArray first = run(QStringLiteral("7"));
    // Fifty stable records, each between the limits.
    static const QRegularExpression stable(
        QStringLiteral("^(S\\d{5}\\+    (1\\d\\.\\d\\d|20\\.00) g  \r\n){50}$"));
    QVERIFY2(stable.match(QString::fromLatin1(first)).hasMatch(), first.constData());
    QCOMPARE(run(QStringLiteral("7")), first);
    QVERIFY(run(QStringLiteral("8")) != first);
}

void tst_Devsim::options_data() {
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<int>("exitCode");    // -1: runs until a signal ends it
    QTest::addColumn<QByteArray>("text"); // on standard output when it runs or helps, else on standard error
    const std::tuple<const char*, int, const char*> rows[]{
        {"--help", 0, "--exit-after-count"},
        {"--version", 0, "kelvane-devsim " KELVANE_VERSION "\n"},
        {"--tcp 0", -1,
         "layout: length 22, end 10, state 1, sequence 2-6, sign 7, value 11-16, unit 18-19\ntcp: "},
        {"--tcp=0 --format={VALUE:5.2}{UNIT:2} --value=1.5", -1,
         "layout: length 7, end none, value 1-5, unit 6-7\n"},
        {"--pty --mode demand", -1, "pty: /dev/pts/"},
        {"--frobnicate 1", 2, "unknown option --frobnicate (see --help)"},
        {"4001", 2, "unexpected argument \"4001\""},
        {"--mode sometimes", 2, "--mode: expected demand, interval or continuous, got \"sometimes\""},
        {"--ramp 1:2", 2, "--ramp: expected FROM:TO:STEP, got \"1:2\""},
        {"--ramp 1:2:-0.5", 2, "--ramp: STEP must lead from FROM towards TO"},
        {"--value 1 --random 1:2", 2, "choose one of --value, --ramp and --random"},
        {"--value heavy", 2, "--value: \"heavy\" is not a number"},
        {"--value 12345.6", 2, "the value 12345.6 does not fit the value field of the format"},
        {"--format {WEIGHT:6}\\n", 2, "unknown field {WEIGHT:6} in the format"},
        {"--partial-every 1", 2, "--partial-every: needs at least 2"},
        {"--garbage-every 0", 2, "--garbage-every: \"0\" is not a whole number of at least 1"},
        {"--interval 0", 2, "--interval: \"0\" is not a number of milliseconds"},
        {"--decimals 10", 2, "--decimals: \"10\" is not a number from 0 to 9"},
        {"--exit-after-count", 2, "--exit-after-count needs --count"},
        {"--tcp 65536", 2, "--tcp: \"65536\" is not a port number"},
        {"--interval", 2, "--interval: needs a value"},
        {"--pty=", 2, "--pty: the link path is empty"},
    };
    for (const auto& [arguments, exitCode, text] : rows) {
        QTest::newRow(arguments) << QString::fromLatin1(arguments) << exitCode << QByteArray(text);
    }
}

void tst_Devsim::options() {
    QFETCH(QString, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, text);
    ProcessRunner devsim(QStringLiteral("kelvane-devsim"));
    QVERIFY(devsim.start(arguments.split(u' ')));
    const bool ended = exitCode < 0 ? devsim.waitForOutput(text) && devsim.signalAndWait(SIGINT)
                                    : devsim.process().waitForFinished(WaitMs);
    QVERIFY2(ended, devsim.standardError().constData());
    QCOMPARE(devsim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(devsim.exitCode(), qMax(exitCode, 0));
    const QByteArray output = devsim.standardOutput();
    QVERIFY2((exitCode < 2 ? output : devsim.standardError()).contains(text),
             devsim.standardError().constData());
    // An invalid call announces no link.
    QCOMPARE(output.isEmpty(), exitCode == 2);
}

QTEST_GUILESS_MAIN(tst_Devsim)
#include "tst_Devsim.moc"
