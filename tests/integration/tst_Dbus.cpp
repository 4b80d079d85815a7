// The D-Bus link on a bus of the test's own: the value publisher and the command client in this
// process, met by gdbus and by a partner application on a second connection, and the real program.

#include "base/config/Settings.h"
#include "base/dbus/BusNames.h"
#include "base/dbus/CommandClient.h"
#include "base/dbus/ValuePublisher.h"
#include "base/texts/LocaleFormats.h"
#include "support/DeviceSimulator.h"
#include "support/HeadlessProgram.h"
#include "support/PrivateBus.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QStandardPaths>
#include <QtTest>

#include <csignal>
#include <numeric>

using namespace Qt::StringLiterals;

namespace {

const QString Program = QStringLiteral("org.kelvane.kelvane");
const QString Question = QStringLiteral("\r       Programm beenden?");
constexpr int WaitMs = 20000;

QStringList objectOf(const QString& service) {
    return {"--session", "--dest", service, "--object-path", "/Kelvane"};
}

PrivateBus::Result call(const QString& service, const QString& method, const QStringList& arguments) {
    return PrivateBus::run("gdbus", QStringList{"call"} + objectOf(service) +
                                        QStringList{"--method", method, "--"} + arguments);
}

QByteArray readItem(const QString& service, const QString& name) {
    return call(service, "org.freedesktop.DBus.Properties.Get", {"org.kelvane.Dde", name}).output.trimmed();
}

// gdbus monitor on a publisher's object, and the announcements it reported so far.
struct Monitor : QProcess {
    explicit Monitor(const QString& service) { start("gdbus", QStringList{"monitor"} + objectOf(service)); }
    ~Monitor() override { kill(), waitForFinished(); }
    QByteArray output() { return seen += readAllStandardOutput(); }
    QStringList changes() {
        return QString::fromUtf8(output()).split(u'\n').filter(u"PropertiesChanged ('org.kelvane.Dde'");
    }
    QByteArray seen;
};

// The line gdbus monitor shows for a PropertiesChanged signal with the items "{...}".
QString announced(const QString& items) {
    return "/Kelvane: org.freedesktop.DBus.Properties.PropertiesChanged ('org.kelvane.Dde', " + items +
           ", @as [])";
}

} // namespace

// The application the program calls, on a connection of its own. Its mode: "" takes the command,
// "silent" never answers, anything else is the name of the error it answers with.
class Partner : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kelvane.Dde")
public:
    QString mode;
    QStringList calls;

public Q_SLOTS:
    void Execute(const QString& command) {
        calls.append(message().path() + u'|' + command);
        if (mode == u"silent") {
            setDelayedReply(true);
        } else if (!mode.isEmpty()) {
            sendErrorReply(mode, QStringLiteral("Makro nicht gefunden"));
        }
    }
};

class tst_Dbus : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init() { m_partner.mode.clear(), m_partner.calls.clear(); }
    void busNames_data();
    void busNames();
    void execute_data();
    void execute();
    void publishedItems();
    void announcementsOutlastAStalledBus();
    void commandClient_data();
    void commandClient();
    void programOnTheBus_data();
    void programOnTheBus();
    void timedFlowOverTwoRuns();
    void statisticsOfARamp();

private:
    PrivateBus m_bus;
    Partner m_partner;
};

void tst_Dbus::initTestCase() {
    for (const QString tool : {"dbus-daemon", "gdbus"}) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            QSKIP(qPrintable(tool + QStringLiteral(" is not installed")));
        }
    }
    QVERIFY2(m_bus.start(), "dbus-daemon did not start");
    m_bus.makeCurrent();
    QDBusConnection partner = QDBusConnection::connectToBus(m_bus.address(), QStringLiteral("partner"));
    QVERIFY(partner.registerService(QStringLiteral("org.example.Sheet")));
    QVERIFY(partner.registerObject(QStringLiteral("/Macros"), &m_partner, QDBusConnection::ExportAllSlots));
}

void tst_Dbus::busNames_data() {
    QTest::addColumn<QString>("text");
    // B a bus name, P an object path, - neither; S the service name "application=service".
    QTest::addColumn<QChar>("kind");
    QStringList rows =
        QStringLiteral("B org.example.Sheet;B org.ex-ample._4;B :1.42;B :4.2;- org.4x;- Excel;- :1;- ;"
                       "- org..x;- .org.x;- org.x.;- org.My Sheet;- org.exämple;P /;P /Macros/Weigh_2;"
                       "- /Macros/;- //Macros;- Macros;- /a-b;- /Two words;- /ä;S =org.kelvane.tst_Dbus;"
                       "S azAZ09_-`{@[/:. ü=org.kelvane.azAZ09_-_________;S 4you=org.kelvane._4you")
            .split(u';');
    rows << "B a." + QString(253, u'b') << "- a." + QString(254, u'b')
         << "S " + QString(300, u'k') + "=org.kelvane." + QString(243, u'k');
    for (const QString& row : std::as_const(rows)) {
        QTest::addRow("%s", qPrintable(row.left(24))) << row.mid(2) << row.front();
    }
}

void tst_Dbus::busNames() {
    QFETCH(QString, text);
    QFETCH(QChar, kind);
    if (kind == u'S') {
        const auto restore = qScopeGuard([] { QCoreApplication::setApplicationName(QString()); });
        QCoreApplication::setApplicationName(text.section(u'=', 0, 0));
        QCOMPARE(BusNames::serviceName(), text.section(u'=', 1));
        QVERIFY(BusNames::isValidBusName(BusNames::serviceName()));
        return;
    }
    QCOMPARE(BusNames::isValidBusName(text), kind == u'B');
    QCOMPARE(BusNames::isValidObjectPath(text), kind == u'P');
}

void tst_Dbus::execute_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("button"); // 0: none
    for (const QString row : {"1=1",   "16=16",  "0=0",    "0.4=0",   "0.5=0",  "0.6=1",  "1.5=2",
                              "2.5=2", "3.49=3", "3.51=4", "15.5=16", "16.4=0", "16.5=0", "17=0",
                              "-1=0",  "abc=0",  "x1=0",   "=0",      " + 9=9", "2,9=2",  "  7 please=7"}) {
        const qsizetype split = row.lastIndexOf(u'=');
        QTest::addRow("\"%s\"", qPrintable(row.left(split))) << row.left(split) << row.mid(split + 1).toInt();
    }
}

void tst_Dbus::execute() {
    QFETCH(QString, command);
    QFETCH(int, button);
    QCOMPARE(ValuePublisher::buttonNumber(command), button);
    PublishedValues values;
    ValuePublisher publisher(values);
    QSignalSpy pressed(&publisher, &ValuePublisher::buttonRequested);
    const PrivateBus::Result result = call(BusNames::serviceName(), "org.kelvane.Dde.Execute", {command});
    QVERIFY2(result.exitCode != 0 && result.error.contains("org.kelvane.Dde.Error.Refused"),
             result.error.constData());
    QCOMPARE(pressed.size(), button > 0 ? 1 : 0);
    QCOMPARE(pressed.value(0).value(0).toInt(), button);
}

void tst_Dbus::publishedItems() {
    PublishedValues values{"12,5\tkg", "12,5", "-", "kg", "ST,GS,-  12.50 kg"};
    auto publisher = std::make_unique<ValuePublisher>(values);
    const QString service = BusNames::serviceName();
    QCOMPARE(call(service, "org.freedesktop.DBus.Properties.GetAll", {"org.kelvane.Dde"}).output.trimmed(),
             QByteArray("({'DDEDirect': <'ST,GS,-  12.50 kg'>, 'DDESTRING': <'12,5\\tkg'>, 'DDESign': <'-'>, "
                        "'DDEUnit': <'kg'>, 'DDEValue': <'12,5'>},)"));
    // A second publisher finds the name taken and leaves the first alone.
    QTest::ignoreMessage(
        QtWarningMsg, QRegularExpression(QStringLiteral("name org.kelvane.tst_Dbus cannot be registered")));
    QVERIFY(!ValuePublisher(values, QDBusConnection::connectToBus(m_bus.address(), QStringLiteral("second")))
                 .isOffered());
    QDBusConnection::disconnectFromBus(QStringLiteral("second"));
    QCOMPARE(readItem(service, "DDEValue"), QByteArray("(<'12,5'>,)"));
    Monitor monitor(service);
    QTRY_VERIFY_WITH_TIMEOUT(monitor.output().contains("is owned by"), WaitMs);
    // Nothing changed since the start: no signal. An item is read when asked, not when announced.
    publisher->publishChanges();
    values.value = QStringLiteral("7");
    values.unit = QStringLiteral("µg");
    QCOMPARE(readItem(service, "DDEUnit"), QByteArray("(<'µg'>,)"));
    publisher->publishChanges();
    publisher->publishChanges();
    // Back to empty is a change too; an execute command announces what changed before it.
    values.sign.clear();
    values.record = QStringLiteral("last");
    call(service, "org.kelvane.Dde.Execute", {"0"});
    QTRY_VERIFY_WITH_TIMEOUT(monitor.output().contains("'last'"), WaitMs);
    QCOMPARE(monitor.changes(), QStringList({announced("{'DDEUnit': <'µg'>, 'DDEValue': <'7'>}"),
                                             announced("{'DDEDirect': <'last'>, 'DDESign': <''>}")}));
    // The name goes with the publisher.
    publisher.reset();
    QVERIFY(call(service, "org.freedesktop.DBus.Properties.Get", {"org.kelvane.Dde", "DDEUnit"})
                .error.contains("org.freedesktop.DBus.Error.ServiceUnknown"));
}

// Announcements made while the bus daemon reads nothing fill the socket and wait in the
// connection's queue; all of them reach a listener once the daemon goes on, in order, and the
// queue is written without help from the next announcement.
void tst_Dbus::announcementsOutlastAStalledBus() {
    QTest::failOnWarning(QRegularExpression(QStringLiteral("QSocketNotifier")));
    PublishedValues values;
    ValuePublisher publisher(values);
    Monitor monitor(BusNames::serviceName());
    QTRY_VERIFY_WITH_TIMEOUT(monitor.output().contains("is owned by"), WaitMs);
    // About 2 MB of announcements: ten times what a socket holds.
    constexpr int Count = 2000;
    const QString padding(1000, u'x');
    m_bus.pause();
    for (int n = 1; n <= Count; ++n) {
        values.record = QString::number(n) + padding;
        publisher.publishChanges();
    }
    m_bus.resume();
    const QByteArray last = "'" + QByteArray::number(Count) + padding.toLatin1() + "'";
    QTRY_VERIFY_WITH_TIMEOUT(monitor.output().contains(last), WaitMs);
    QList<int> seen;
    for (const QString& line : monitor.changes()) {
        seen.append(line.section(u"'DDEDirect': <'"_s, 1).section(u'x', 0, 0).toInt());
    }
    QList<int> expected(Count);
    std::iota(expected.begin(), expected.end(), 1);
    QCOMPARE(seen, expected);
}

void tst_Dbus::commandClient_data() {
    QTest::addColumn<QString>("target"); // bus name/object path
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("question"); // its end; empty: none
    const auto row = [](const char* name, const char* target, const char* mode, bool yes,
                        const QString& question) {
        QTest::newRow(name) << QString::fromLatin1(target) << QString::fromLatin1(mode) << yes << question;
    };
    const char* sheet = "org.example.Sheet/Macros";
    row("taken", sheet, "", true, {});
    row("no answer in time", sheet, "silent", true, {});
    row("no-reply error", sheet, "org.freedesktop.DBus.Error.NoReply", true, {});
    row("time-out error", sheet, "org.freedesktop.DBus.Error.Timeout", true, {});
    const QString partner = QStringLiteral("Makro nicht gefunden");
    row("refused, go on", sheet, "org.kelvane.Dde.Error.Refused", false,
        partner + "org.kelvane.Dde.Error.Refused" + Question);
    row("own error, end", sheet, "com.example.Sheet.Error.Busy", true,
        partner + "com.example.Sheet.Error.Busy" + Question);
    row("not running", "org.example.Gone/Macros", "", true,
        "org.freedesktop.DBus.Error.ServiceUnknown" + Question);
    row("unknown object", "org.example.Sheet/Nowhere", "", false,
        "org.freedesktop.DBus.Error.UnknownObject" + Question);
    // Names the bus cannot carry never reach it, and nobody is asked.
    row("a name of one part", "Excel/System", "", true, {});
    row("blank in the object path", "org.example.Sheet/Two words", "", true, {});
}

void tst_Dbus::commandClient() {
    QFETCH(QString, target);
    QFETCH(QString, mode);
    QFETCH(bool, yes);
    QFETCH(QString, question);
    Settings settings;
    settings.busName = target.section(u'/', 0, 0);
    settings.objectPath = target.section(u'/', 1);
    settings.busCommand = QStringLiteral("go");
    m_partner.mode = mode;
    ScriptedDialogs dialogs;
    dialogs.answers.push_back(yes ? Dialogs::Answer::Yes : Dialogs::Answer::No);
    const bool valid = CommandClient::targetProblem(settings.busName, settings.objectPath).isEmpty();
    QCOMPARE(CommandClient::execute(settings, dialogs, mode == u"silent" ? 500 : WaitMs),
             !valid                       ? CommandClient::Outcome::InvalidTarget
             : yes && !question.isEmpty() ? CommandClient::Outcome::EndProgram
                                          : CommandClient::Outcome::Done);
    // Only the one object of the partner answers.
    QCOMPARE(m_partner.calls,
             QStringList(QStringLiteral("/Macros|go")).mid(target == u"org.example.Sheet/Macros" ? 0 : 1));
    QCOMPARE(dialogs.questions.size(), question.isEmpty() ? 0 : 1);
    QCOMPARE(dialogs.questions.value(0).right(question.size()), question);
}

void tst_Dbus::programOnTheBus_data() {
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<bool>("partnerCalled");
    QTest::addColumn<QStringList>("device");
    QTest::addColumn<QByteArray>("field"); // the value field of the record
    QTest::addColumn<QByteArray>("text");  // the output text
    QTest::addColumn<QByteArray>("value"); // as published: plain decimals
    const QStringList value{"--value", "12.5"};
    const QByteArray item = "Anwendung=DDE-Kanal\n";
    QTest::newRow("item DDESTRING") << item << false << value << QByteArray(" 12.50") << QByteArray("12.50 g")
                                    << QByteArray("12.5");
    QTest::newRow("command of another program")
        << QByteArray("Anwendung=*DDE*\n[DDECONN]\nanwend=org.example.Sheet\ntopic=Macros\nbefehl=[RUN("
                      "\"getdata\")]\n")
        << true << value << QByteArray(" 12.50") << QByteArray("12.50 g") << QByteArray("12.5");
    QTest::newRow("large value") << item << false << QStringList{"--value", "100000", "--decimals", "0"}
                                 << QByteArray("100000") << QByteArray("100000.000000 g")
                                 << QByteArray("100000");
}

void tst_Dbus::programOnTheBus() {
    QFETCH(QByteArray, target);
    QFETCH(bool, partnerCalled);
    QFETCH(QStringList, device);
    QFETCH(QByteArray, field);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, value);
    ProgramFolder folder;
    DeviceSimulator simulator;
    QVERIFY(simulator.start(QStringList{"--interval", "100"} + device));
    folder.writeConfiguration("standard.cfg", simulator.portSettings() +
                                                  "[Anwendung]\nFormat={Messwert} {Einheit}\n" + target);
    // The monitor watches the name before the program takes it.
    Monitor monitor(Program);
    QTRY_VERIFY_WITH_TIMEOUT(monitor.output().contains("Monitoring"), WaitMs);
    HeadlessProgram kelvane(folder);
    QVERIFY(kelvane.start());
    QTRY_VERIFY2_WITH_TIMEOUT(
        monitor.changes().value(0).endsWith(QString::fromLatin1(
            field + " g  \\r\\n'>, 'DDESTRING': <'" + text +
            "'>, 'DDESign': <'+'>, 'DDEUnit': <'g'>, 'DDEValue': <'" + value + "'>}, @as [])")),
        monitor.output().constData(), WaitMs);
    QCOMPARE(readItem(Program, "DDESTRING"), "(<'" + text + "'>,)");
    QTRY_VERIFY_WITH_TIMEOUT(m_partner.calls.size() >= 2 || !partnerCalled, WaitMs);
    // Button 8 ends the program; the command is refused all the same.
    const PrivateBus::Result end = call(Program, "org.kelvane.Dde.Execute", {"8"});
    QVERIFY2(end.error.contains("org.kelvane.Dde.Error.Refused"), end.error.constData());
    QVERIFY(kelvane.process().waitForFinished(WaitMs));
    QVERIFY(kelvane.exitStatus() == QProcess::NormalExit && kelvane.exitCode() == 0);
    QCOMPARE(m_partner.calls.isEmpty(), !partnerCalled);
    QCOMPARE(m_partner.calls.count(QStringLiteral("/Macros|[RUN(\"getdata\")]")), m_partner.calls.size());
    // No complaint about the bus, no question about the partner.
    QVERIFY2(!QString::fromUtf8(kelvane.standardError())
                  .contains(QRegularExpression(QStringLiteral("D-Bus|Programm beenden"))),
             kelvane.standardError().constData());
}

// The headless program in flow mode over two timer runs of two values each, the second started
// through Execute: the first value of each run has no flow, and the one connection the program
// opened at start-up serves it all.
void tst_Dbus::timedFlowOverTwoRuns() {
    ProgramFolder folder;
    DeviceSimulator simulator;
    QVERIFY(simulator.start({"--interval", "100", "--ramp", "10:900:1", "--verbose"}));
    const QDateTime start = QDateTime::currentDateTime().addSecs(-3600);
    folder.writeConfiguration(
        "standard.cfg",
        simulator.portSettings() +
            "[Anwendung]\nAnwendung=Text-Datei\nTextFile=values.txt\nFormat={Messwert};{Einheit}\n"
            "[anzeige]\nanzeigemodus=2\n[Mode]\nmodus=TIMER\nactiv=1\nint_modus=1\nanz_mess=2\n"
            "d_start=" +
            LocaleFormats::dateText(start.date()).toUtf8() +
            "\nt_start=" + LocaleFormats::timeText(start.time()).toUtf8() + "\n");
    HeadlessProgram kelvane(folder);
    QVERIFY(kelvane.start());
    const auto lines = [&folder] {
        return QString::fromLatin1(TestFiles::read(folder.file("values.txt")))
            .split(u"\r\n"_s, Qt::SkipEmptyParts);
    };
    QTRY_COMPARE_WITH_TIMEOUT(lines().size(), 2, WaitMs);
    // The value after the last of the count stops the timer; T-Start begins the second run.
    QTest::qWait(500);
    QCOMPARE(lines().size(), 2);
    QVERIFY(call(Program, "org.kelvane.Dde.Execute", {"2"}).error.contains("Refused"));
    QTRY_COMPARE_WITH_TIMEOUT(lines().size(), 4, WaitMs);
    QVERIFY(kelvane.signalAndWait(SIGTERM) && kelvane.exitCode() == 0);
    const QString flow = u"[1-9]\\d*\\.\\d\\d;ml"_s;
    const QString written = lines().join(u' ');
    QVERIFY2(QRegularExpression(u"^0\\.00;ml %1 0\\.00;ml %1$"_s.arg(flow)).match(written).hasMatch(),
             qPrintable(written));
    QCOMPARE(simulator.process().standardError().count("connected"), 1);
}

// The headless program against a ramp with an upper limit: the statistics on the bus are those of
// the values the simulator sent, the ones above the limit counted as out of tolerance.
void tst_Dbus::statisticsOfARamp() {
    ProgramFolder folder;
    DeviceSimulator simulator;
    QVERIFY(simulator.start({"--interval", "100", "--ramp", "1:100:0.5", "--count", "20", "--verbose"}));
    folder.writeConfiguration("standard.cfg", simulator.portSettings() +
                                                  "[Anwendung]\nAnwendung=Text-Datei\nTextFile=values.txt\n"
                                                  "Format={Messwert}\n[Filter]\nOTG=8\n");
    Monitor monitor(Program);
    QTRY_VERIFY_WITH_TIMEOUT(monitor.output().contains("Monitoring"), WaitMs);
    HeadlessProgram kelvane(folder);
    QVERIFY(kelvane.start());
    const auto statistics = [] {
        const QByteArray all =
            call(Program, "org.freedesktop.DBus.Properties.GetAll", {"org.kelvane.Statistics"}).output;
        QMap<QString, double> figures;
        static const QRegularExpression item(u"'(\\w+)': <(?:int64 )?([^>]+)>"_s);
        for (const QRegularExpressionMatch& match : item.globalMatch(QString::fromUtf8(all))) {
            figures.insert(match.captured(1), match.captured(2).toDouble());
        }
        return figures;
    };
    QTRY_COMPARE_WITH_TIMEOUT(statistics().value("Count"), 20.0, WaitMs);
    QTRY_VERIFY2(
        monitor.output().contains("PropertiesChanged ('org.kelvane.Statistics', {'Count': <int64 20>"),
        monitor.seen.constData());
    // The values as the simulator sent them.
    QList<double> sent;
    static const QRegularExpression record(u"sent.*\\+ *(\\d+\\.\\d\\d) g"_s);
    for (const QRegularExpressionMatch& match :
         record.globalMatch(QString::fromLatin1(simulator.process().standardError()))) {
        sent << match.captured(1).toDouble();
    }
    QCOMPARE(sent.size(), 20);
    const double mean = std::accumulate(sent.cbegin(), sent.cend(), 0.0) / 20;
    const double squares = std::accumulate(sent.cbegin(), sent.cend(), 0.0, [mean](double sum, double v) {
        return sum + (v - mean) * (v - mean);
    });
    const QMap<QString, double> figures = statistics();
    QCOMPARE(figures.value("Mean"), mean);
    QCOMPARE(figures.value("StdDev"), std::sqrt(squares / 19));
    QCOMPARE(figures.value("Min"), *std::min_element(sent.cbegin(), sent.cend()));
    QCOMPARE(figures.value("Max"), *std::max_element(sent.cbegin(), sent.cend()));
    QCOMPARE(figures.value("InTolerance"),
             double(std::count_if(sent.cbegin(), sent.cend(), [](double v) { return v <= 8; })) / 20);
    // Reset starts a new series.
    QVERIFY(call(Program, "org.kelvane.Statistics.Reset", {}).finished);
    QCOMPARE(statistics().value("Count"), 0.0);
    QVERIFY(std::isnan(statistics().value("Mean")));
    QVERIFY(kelvane.signalAndWait(SIGTERM) && kelvane.exitCode() == 0);
}

QTEST_GUILESS_MAIN(tst_Dbus)
#include "tst_Dbus.moc"
