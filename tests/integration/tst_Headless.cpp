// The real program, kelvane --headless, against real peers: the device simulator over TCP/IP and a
// pseudo-terminal, a text file, a workbook read back by openpyxl, SQLite and a throwaway PostgreSQL.

#include "base/files/IniFile.h"
#include "base/session/ConnectionControl.h"
#include "support/DeviceSimulator.h"
#include "support/HeadlessProgram.h"
#include "support/PostgresCluster.h"
#include "support/PrivateBus.h"
#include "support/ProcessRunner.h"
#include "support/ProgramFolder.h"
#include "support/SocatPair.h"
#include "support/TestFiles.h"

#include <QtTest>

#include <csignal>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray Running = "status: Start über 'online'\n";
const QByteArray Hotkeys = "[Port settings]\nportnum=99\n[Mode]\nmodus=HOTKEY\n";

// Runs a tool to its end: its standard output, or nothing when it failed.
QString runTool(const QString& program, const QStringList& arguments) {
    const PrivateBus::Result result = PrivateBus::run(program, arguments);
    return result.finished && result.exitCode == 0 ? QString::fromUtf8(result.output).trimmed() : QString();
}

using Kelvane = HeadlessProgram;

} // namespace

class tst_Headless : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void commandLine_data();
    void commandLine();
    void startsAndEnds_data();
    void startsAndEnds();
    void delivers_data();
    void delivers();
    void serialPortWithoutAccess();
    void linkComesBack_data();
    void linkComesBack();
};

void tst_Headless::commandLine_data() {
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>(
        "text"); // on standard output after success, else on standard error; @ is the folder
    QTest::newRow("help") << "--help" << 0 << QByteArray("Usage: kelvane [options] [CONFIG]\n");
    QTest::newRow("version") << "--version" << 0 << QByteArray("kelvane " KELVANE_VERSION "\n");
    QTest::newRow("unknown option") << "--frobnicate" << 2
                                    << QByteArray("kelvane: Unknown option 'frobnicate'.");
    QTest::newRow("missing file") << "--headless missing.cfg" << 2
                                  << QByteArray(
                                         "kelvane: the configuration file @/missing.cfg does not exist\n");
    QTest::newRow("two files") << "standard.cfg job.cfg" << 2
                               << QByteArray("kelvane: only one configuration file can be given");
}

// Answered before anything starts: with a display that does not exist, opening a window would
// abort the program instead.
void tst_Headless::commandLine() {
    QFETCH(QString, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, text);
    ProgramFolder folder;
    folder.writeConfiguration(QStringLiteral("standard.cfg"), Hotkeys);
    Kelvane kelvane(folder);
    kelvane.setEnvironmentValue(QStringLiteral("DISPLAY"), QStringLiteral(":97"));
    kelvane.setEnvironmentValue(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QVERIFY(kelvane.start(arguments.split(u' ')));
    QVERIFY(kelvane.process().waitForFinished(10000));
    QCOMPARE(kelvane.exitStatus(), QProcess::NormalExit);
    QCOMPARE(kelvane.exitCode(), exitCode);
    text.replace('@', QFile::encodeName(folder.path()));
    const QByteArray shown = exitCode == 0 ? kelvane.standardOutput() : kelvane.standardError();
    QVERIFY2(shown.contains(text), shown.constData());
    QVERIFY(!kelvane.standardError().contains("status: "));
}

void tst_Headless::startsAndEnds_data() {
    QTest::addColumn<QByteArray>("configuration"); // empty: none
    QTest::addColumn<bool>("complete");            // else only the keys given
    QTest::addColumn<QByteArray>("language");      // "shipped", or the file written; empty: none
    QTest::addColumn<QString>("argument");
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<QByteArray>("shown");
    QTest::addColumn<int>("messages");
    const auto row = [](const char* name, const QByteArray& configuration, bool complete,
                        const QByteArray& language, const char* argument, int signalNumber,
                        const QByteArray& shown, int messages) {
        QTest::newRow(name) << configuration << complete << language << QString::fromLatin1(argument)
                            << signalNumber << shown << messages;
    };
    row("SIGTERM", Hotkeys, true, "shipped", "", SIGTERM, Running, 0);
    row("SIGINT, job.cfg", Hotkeys, true, "shipped", "job.cfg", SIGINT, Running, 0);
    // The snapshot completes a partial file, so the settings count as changed; the answer is No.
    row("changed settings", Hotkeys, false, "shipped", "", SIGTERM, Running, 1);
    // Asked for one, the user chooses none and the settings stay empty; the answer to saving is No.
    row("missing configuration", {}, false, "shipped", "", SIGTERM, "dialog: ", 2);
    row("no language file", Hotkeys, true, {}, "", SIGTERM, Running, 0);
    // A broken language file shows the keys instead of the texts.
    const QByteArray header = "[SPRACHE]\naktuell=ENGLISH\n";
    const QByteArray keys = "status: TextFrmJSLink_Label1Caption\n";
    row("binary language file", Hotkeys, true, header + QByteArray("\x00\xff\xfe\x01[ENGLISH\n\x00", 14), "",
        SIGTERM, keys, 0);
    row("overlong line", Hotkeys, true, header + "[ENGLISH]\nTextStatus=" + QByteArray(100000, 'x'), "",
        SIGTERM, keys, 0);
}

void tst_Headless::startsAndEnds() {
    QFETCH(QByteArray, configuration);
    QFETCH(bool, complete);
    QFETCH(QByteArray, language);
    QFETCH(QString, argument);
    QFETCH(int, signalNumber);
    QFETCH(QByteArray, shown);
    QFETCH(int, messages);
    ProgramFolder folder(language == "shipped");
    QVERIFY(language == "shipped" || language.isEmpty() ||
            TestFiles::write(folder.file(QStringLiteral("language.ini")), language));
    const QString name = argument.isEmpty() ? QStringLiteral("standard.cfg") : argument;
    if (complete) {
        folder.writeConfiguration(name, configuration);
    } else if (!configuration.isEmpty()) {
        QVERIFY(TestFiles::write(folder.file(name), configuration));
    }
    const QByteArray before = TestFiles::read(folder.file(name));
    Kelvane kelvane(folder);
    QVERIFY(kelvane.start(QStringList{QStringLiteral("--headless")} + QStringList(argument).filter(u".cfg")));
    QVERIFY2(kelvane.waitForError(shown) && kelvane.waitForError(Running),
             kelvane.standardError().constData());
    QVERIFY(kelvane.signalAndWait(signalNumber));
    QVERIFY(kelvane.exitStatus() == QProcess::NormalExit && kelvane.exitCode() == 0);
    QCOMPARE(kelvane.standardError().count("message: "), messages);
    // The shutdown ran: the snapshot holds the settings, the configuration was not saved over, and a
    // missing language file was made.
    QCOMPARE(TestFiles::read(folder.file(name)), before);
    const auto read = [&folder](const char* file, const char* section, const char* key) {
        return IniFile::read(folder.file(QString::fromLatin1(file)), QString::fromLatin1(section),
                             QString::fromLatin1(key), {});
    };
    QCOMPARE(read("tmp.cfg", "Mode", "modus"),
             configuration.isEmpty() ? QString() : QStringLiteral("HOTKEY"));
    QCOMPARE(read("language.ini", "SPRACHE", "aktuell"), QStringLiteral("ENGLISH"));
}

void tst_Headless::delivers_data() {
    QTest::addColumn<bool>("serial");
    QTest::addColumn<QByteArray>("target"); // section [Anwendung]; @ is the server's address
    // Made with the peer's own tool, which says ok unless the peer is missing; @ is the program folder,
    // psql the client of the server.
    QTest::addColumn<QStringList>("prepare");
    QTest::addColumn<QStringList>("readBack"); // rows "value|unit"
    QTest::addColumn<QString>("unit");         // as read back: empty where the column refused it
    const QByteArray text = "Anwendung=Text-Datei\nTextFile=values.txt\n";
    const QStringList sed{"sed", "s/{TAB}\r$//; s/{TAB}/|/", "@/values.txt"};
    const QString python = QStringLiteral("/usr/bin/python3");
    const QByteArray database = "Anwendung=Access-Datenbank\nAccessTable=w\nAccessFile=";
    QTest::newRow("text file, TCP/IP") << false << text << QStringList() << sed << "g";
    QTest::newRow("text file, pseudo-terminal") << true << text << QStringList() << sed << "g";
    QTest::newRow("workbook")
        << false << QByteArray("Anwendung=Excel-Datei\nExcelFile=lab.xlsx\n")
        << QStringList{python, "-c",
                       "import openpyxl\nwb = openpyxl.Workbook(); wb.active.title = 'Tabelle1'\n"
                       "wb.active['A1'] = 'Wert'\nwb.save('@/lab.xlsx'); print('ok')"}
        << QStringList{python, "-c",
                       "import openpyxl\nws = openpyxl.load_workbook('@/lab.xlsx')['Tabelle1']\n"
                       "assert ws['A1'].value == 'Wert'\n"
                       "for r in ws.iter_rows(min_row=2, values_only=True): print('%s|%s' % r[:2])"}
        << "g";
    const QStringList sqliteRows{"sqlite3", "@/lab.db", "SELECT value, unit FROM w ORDER BY rowid;"};
    QTest::newRow("SQLite database") << false << database + "lab.db\n"
                                     << QStringList{"sqlite3", "@/lab.db",
                                                    "CREATE TABLE w (value REAL, unit TEXT); SELECT 'ok';"}
                                     << sqliteRows << "g";
    QTest::newRow("SQLite, the unit refused")
        << false << database + "lab.db\n"
        << QStringList{"sqlite3", "@/lab.db",
                       "CREATE TABLE w (value REAL, unit INTEGER) STRICT; SELECT 'ok';"}
        << sqliteRows << "";
    const QStringList postgresRows{"psql", "SELECT value, unit FROM w ORDER BY value;"};
    QTest::newRow("PostgreSQL server")
        << false << database + "@\n"
        << QStringList{"psql", "CREATE TABLE w (value numeric, unit text); SELECT 'ok';"} << postgresRows
        << "g";
    QTest::newRow("PostgreSQL, the unit refused")
        << false << database + "@\n"
        << QStringList{"psql", "CREATE TABLE w (value numeric, unit numeric); SELECT 'ok';"} << postgresRows
        << "";
}

void tst_Headless::delivers() {
    QFETCH(bool, serial);
    QFETCH(QByteArray, target);
    QFETCH(QStringList, prepare);
    QFETCH(QStringList, readBack);
    QFETCH(QString, unit);
    ProgramFolder folder;
    PostgresCluster cluster;
    if (prepare.value(0) == u"psql") {
        const bool started = cluster.start();
        if (!started && cluster.reason().startsWith(u"no PostgreSQL")) {
            QSKIP(qPrintable(cluster.reason()));
        }
        QVERIFY2(started, qPrintable(cluster.reason()));
        target.replace('@', cluster.url().toUtf8());
    }
    const auto run = [&](QStringList command) {
        command.replaceInStrings(QStringLiteral("@"), folder.path());
        const QString output = command.first() == u"psql" ? cluster.psql(command.last())
                                                          : runTool(command.first(), command.mid(1));
        return output.isEmpty() ? QStringList() : output.split(u'\n');
    };
    if (!prepare.isEmpty() && !run(prepare).endsWith(QStringLiteral("ok"))) {
        QSKIP(qPrintable(prepare.first() + QStringLiteral(" does not work: the peer is missing")));
    }
    const QString link = folder.file(QStringLiteral("balance"));
    DeviceSimulator simulator;
    QVERIFY(simulator.start(QStringList{"--interval", "150", "--ramp", "10:90:0.25"} +
                            (serial ? QStringList{"--pty", link} : QStringList())));
    QVERIFY(!serial ||
            (simulator.process().waitForOutput("pty: ") &&
             TestFiles::write(folder.file("kelvane.ini"), "[ports]\nCOM7=" + QFile::encodeName(link))));
    folder.writeConfiguration(
        QStringLiteral("standard.cfg"),
        (serial ? QByteArray("[Port settings]\nportnum=7\n") : simulator.portSettings()) + "[Anwendung]\n" +
            target + "Format={Messwert}{TAB}{Einheit}{TAB}\n");
    Kelvane kelvane(folder);
    QVERIFY(kelvane.start());
    QTRY_VERIFY_WITH_TIMEOUT(run(readBack).size() >= 4, 15000);
    QVERIFY(kelvane.signalAndWait(SIGTERM) && kelvane.exitCode() == 0);
    const QByteArray status = kelvane.standardError();
    QVERIFY2(!status.contains("message:"), status.constData());
    QVERIFY2(status.contains(serial ? "status: Device activated COM7\n" : "status: Device activated TCP/IP"),
             status.constData());
    // Every value arrived as a number with its unit, in order, none lost between the first and the last.
    QStringList delivered;
    QStringList expected;
    for (const QString& row : run(readBack)) {
        delivered << QString::number(row.section(u'|', 0, 0).toDouble()) + u'|' + row.section(u'|', 1);
        expected << QString::number(delivered.first().section(u'|', 0, 0).toDouble() +
                                    0.25 * expected.size()) +
                        u'|' + unit;
    }
    QCOMPARE(delivered, expected);
}

// A user outside the group that owns the serial device is told which group grants access, once,
// in the language file's words. Runs the program as user nobody, which takes root.
void tst_Headless::serialPortWithoutAccess() {
    const struct group* dialout = ::getgrnam("dialout");
    const struct passwd* nobody = ::getpwnam("nobody");
    if (::geteuid() != 0 || !dialout || !nobody) {
        QSKIP("needs root, the group dialout and the user nobody");
    }
    SocatPair pair;
    QVERIFY(pair.start());
    const QByteArray device = QFile::encodeName(QFileInfo(pair.programEnd()).symLinkTarget());
    QVERIFY(::chown(device.constData(), 0, dialout->gr_gid) == 0 && ::chmod(device.constData(), 0660) == 0);
    ProgramFolder folder;
    folder.writeConfiguration(QStringLiteral("standard.cfg"), "[Port settings]\nportnum=7\n");
    QVERIFY(TestFiles::write(folder.file(QStringLiteral("kelvane.ini")), "[ports]\nCOM7=" + device + "\n"));
    // A copy of the program in the folder, so that no folder of the build needs to be open to nobody.
    QVERIFY(QFile::copy(TestFiles::binaryDir() + QStringLiteral("/kelvane"),
                        folder.file(QStringLiteral("kelvane"))));
    QVERIFY(::chown(QFile::encodeName(folder.path()).constData(), nobody->pw_uid, nobody->pw_gid) == 0);
    for (const QString& name : QDir(folder.path()).entryList(QDir::Files)) {
        QVERIFY(::chown(QFile::encodeName(folder.file(name)).constData(), nobody->pw_uid, nobody->pw_gid) ==
                0);
    }
    ProcessRunner kelvane(QStringLiteral("/usr/sbin/runuser"));
    kelvane.setEnvironmentValue(QStringLiteral("KELVANE_HOME"), folder.path());
    kelvane.setEnvironmentValue(QStringLiteral("DISPLAY"), QString());
    kelvane.setEnvironmentValue(QStringLiteral("WAYLAND_DISPLAY"), QString());
    QVERIFY(kelvane.start({QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--"),
                           folder.file(QStringLiteral("kelvane")), QStringLiteral("--headless")}));
    const QByteArray told =
        "message: COM7 (" + device +
        ") cannot be opened: your user has no access to it. Members of the group dialout have "
        "access: sudo adduser $USER dialout, then log in again.\n";
    QVERIFY2(kelvane.waitForError(told) && kelvane.waitForError(Running),
             kelvane.standardError().constData());
    QVERIFY(kelvane.signalAndWait(SIGTERM));
    QCOMPARE(kelvane.standardError().count(told), 1);
}

void tst_Headless::linkComesBack_data() {
    QTest::addColumn<bool>("serial");
    QTest::addColumn<bool>("reconnect"); // the kelvane.ini setting
    QTest::newRow("TCP/IP simulator restarted") << false << true;
    QTest::newRow("pseudo-terminal made anew") << true << true;
    QTest::newRow("switched off") << false << false;
}

// The device goes away while online and comes back: the TCP/IP simulator is stopped and started
// again on its port, or the simulator replaces its pseudo-terminal after five records. The program
// tries again every two seconds, says so, and takes values again by itself.
void tst_Headless::linkComesBack() {
    QFETCH(bool, serial);
    QFETCH(bool, reconnect);
    ProgramFolder folder;
    const QString link = folder.file(QStringLiteral("balance"));
    const QStringList values{"--interval", "100", "--ramp", "1:900:1"};
    DeviceSimulator simulator;
    QVERIFY(simulator.start(
        values + (serial ? QStringList{"--pty", link, "--disconnect-after", "5"} : QStringList())));
    QVERIFY(!serial || simulator.process().waitForOutput("pty: "));
    QVERIFY(TestFiles::write(folder.file(QStringLiteral("kelvane.ini")),
                             "[ports]\nCOM7=" + QFile::encodeName(link) +
                                 (reconnect ? "\n" : "\n[link]\nreconnect=0\n")));
    folder.writeConfiguration(
        QStringLiteral("standard.cfg"),
        (serial ? QByteArray("[Port settings]\nportnum=7\n") : simulator.portSettings()) +
            "[Anwendung]\nAnwendung=Text-Datei\nTextFile=values.txt\nFormat={Messwert}\n");
    Kelvane kelvane(folder);
    QVERIFY(kelvane.start());
    const auto lines = [&folder] {
        return TestFiles::read(folder.file(QStringLiteral("values.txt"))).count('\n');
    };
    QTRY_VERIFY_WITH_TIMEOUT(lines() >= 3, 10000);
    if (!serial) {
        const quint16 port = simulator.port();
        simulator.stop();
        QVERIFY2(kelvane.waitForError("status: The interface is not available."),
                 kelvane.standardError().constData());
        QVERIFY(simulator.start({"--interval", "100", "--ramp", "500:900:1"}, port));
    }
    const QByteArray attempt = "status: Link lost, trying again (attempt 1) ...\n";
    if (!reconnect) {
        const qsizetype before = lines();
        QTest::qWait(3 * ConnectionControl::ReconnectIntervalMs);
        QVERIFY(!kelvane.standardError().contains(attempt));
        QCOMPARE(lines(), before);
    } else {
        QVERIFY2(kelvane.waitForError(attempt), kelvane.standardError().constData());
        const qsizetype before = lines();
        QTRY_VERIFY_WITH_TIMEOUT(lines() >= before + 3, 10000);
        const QByteArray status = kelvane.standardError();
        QVERIFY2(
            status.indexOf(serial ? "status: Device activated COM7" : "status: Device activated TCP/IP 7",
                           status.indexOf(attempt)) > 0,
            status.constData());
    }
    QVERIFY(kelvane.signalAndWait(SIGTERM) && kelvane.exitCode() == 0);
}

QTEST_GUILESS_MAIN(tst_Headless)
#include "tst_Headless.moc"
