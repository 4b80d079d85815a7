#include "settings/IniAccess.h"
#include "support/DeviceSimulator.h"
#include "support/PostgresCluster.h"
#include "support/ProcessRunner.h"
#include "support/ProgramFolder.h"
#include "support/TestFiles.h"

#include <QtTest>

#include <csignal>

namespace {

QString runTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

const QByteArray OfflineLink = "[Port settings]\nportnum=99\n";
} // namespace

class tst_headless : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startAndStopBySignal_data();
    void startAndStopBySignal();
    void changedSettingsAnsweredNo();
    void missingConfigurationRunsOn();
    void brokenLanguageFileShowsKeys_data();
    void brokenLanguageFileShowsKeys();
    void withoutLanguageFileTakesEnglish();
    void followsTheSimulator_data();
    void followsTheSimulator();
    void timedRunSendsTheCount();
    void deliversIntoFilesAndDatabases_data();
    void deliversIntoFilesAndDatabases();
};

void tst_headless::startAndStopBySignal_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<QString>("argument");
    QTest::newRow("SIGTERM, standard.cfg") << int(SIGTERM) << QString();
    QTest::newRow("SIGINT, job.cfg") << int(SIGINT) << QStringLiteral("job.cfg");
}

void tst_headless::startAndStopBySignal() {
    QFETCH(int, signalNumber);
    QFETCH(QString, argument);
    ProgramFolder folder;
    folder.writeConfiguration(argument.isEmpty() ? QStringLiteral("standard.cfg") : argument,
                              OfflineLink + "[Mode]\nmodus=HOTKEY\n");
    ProcessRunner kelvane(QStringLiteral("kelvane"));
    kelvane.setEnvironmentValue(QStringLiteral("KELVANE_HOME"), folder.path());
    kelvane.setEnvironmentValue(QStringLiteral("DISPLAY"), QString());
    QStringList arguments{QStringLiteral("--headless")};
    if (!argument.isEmpty()) {
        arguments.append(argument);
    }
    QVERIFY(kelvane.start(arguments));
    QVERIFY2(kelvane.waitForError("status: Start über 'online'\n"), kelvane.standardError().constData());
    QVERIFY(kelvane.signalAndWait(signalNumber));
    QCOMPARE(kelvane.exitStatus(), QProcess::NormalExit);
    QCOMPARE(kelvane.exitCode(), 0);
    // The shutdown ran: the snapshot exists and, the settings unchanged, nothing was asked.
    QCOMPARE(ReadIniValue(QStringLiteral("Mode"), QStringLiteral("modus"), {},
                          folder.file(QStringLiteral("tmp.cfg"))),
             QStringLiteral("HOTKEY"));
    QVERIFY2(!kelvane.standardError().contains("message:"), kelvane.standardError().constData());
}

void tst_headless::changedSettingsAnsweredNo() {
    ProgramFolder folder;
    // A partial file: the snapshot completes it, so the settings count as changed.
    QVERIFY(TestFiles::write(folder.file(QStringLiteral("standard.cfg")), OfflineLink));
    const QByteArray before = TestFiles::read(folder.file(QStringLiteral("standard.cfg")));
    ProcessRunner kelvane(QStringLiteral("kelvane"));
    kelvane.setEnvironmentValue(QStringLiteral("KELVANE_HOME"), folder.path());
    QVERIFY(kelvane.start({QStringLiteral("--headless")}));
    QVERIFY(kelvane.waitForError("status: Start über 'online'\n"));
    QVERIFY(kelvane.signalAndWait(SIGTERM));
    QCOMPARE(kelvane.exitCode(), 0);
    QCOMPARE(kelvane.standardError().count("message: "), 1);
    QCOMPARE(TestFiles::read(folder.file(QStringLiteral("standard.cfg"))), before);
}

void tst_headless::missingConfigurationRunsOn() {
    ProgramFolder folder;
    ProcessRunner kelvane(QStringLiteral("kelvane"));
    kelvane.setEnvironmentValue(QStringLiteral("KELVANE_HOME"), folder.path());
    QVERIFY(kelvane.start({QStringLiteral("--headless")}));
    QVERIFY(kelvane.waitForError("status: Start über 'online'\n"));
    const QByteArray error = kelvane.standardError();
    QVERIFY2(error.contains("message: "), error.constData());
    QVERIFY(error.contains("dialog: "));
    QVERIFY(kelvane.signalAndWait(SIGTERM));
    QCOMPARE(kelvane.exitCode(), 0);
}

void tst_headless::brokenLanguageFileShowsKeys_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("binary") << QByteArray("[SPRACHE]\naktuell=ENGLISH\n\x00\xff\xfe\x01[ENGLISH\n\x00", 40);
    QTest::newRow("truncated") << QByteArray("[SPRACHE]\naktuell=ENGLISH\n[ENGLISH]\nTextSta");
    QTest::newRow("overlong lines") << (QByteArray("[SPRACHE]\naktuell=ENGLISH\n[ENGLISH]\nTextStatus=") +
                                        QByteArray(100000, 'x') + '\n');
}

void tst_headless::brokenLanguageFileShowsKeys() {
    QFETCH(QByteArray, content);
    ProgramFolder folder(false);
    QVERIFY(TestFiles::write(folder.file(QStringLiteral("language.ini")), content));
    folder.writeConfiguration(QStringLiteral("standard.cfg"), OfflineLink);
    ProcessRunner kelvane(QStringLiteral("kelvane"));
    kelvane.setEnvironmentValue(QStringLiteral("KELVANE_HOME"), folder.path());
    QVERIFY(kelvane.start({QStringLiteral("--headless")}));
    QVERIFY2(kelvane.waitForError("status: TextFrmJSLink_Label1Caption\n"),
             kelvane.standardError().constData());
    QVERIFY(kelvane.waitForError("status: Start über 'online'\n"));
    QVERIFY(kelvane.signalAndWait(SIGTERM));
    QCOMPARE(kelvane.exitCode(), 0);
}

void tst_headless::withoutLanguageFileTakesEnglish() {
    ProgramFolder folder(false);
    folder.writeConfiguration(QStringLiteral("standard.cfg"), OfflineLink);
    ProcessRunner kelvane(QStringLiteral("kelvane"));
    kelvane.setEnvironmentValue(QStringLiteral("KELVANE_HOME"), folder.path());
    QVERIFY(kelvane.start({QStringLiteral("--headless")}));
    QVERIFY(kelvane.waitForError("status: Start über 'online'\n"));
    QVERIFY(kelvane.signalAndWait(SIGTERM));
    QCOMPARE(ReadIniValue(QStringLiteral("SPRACHE"), QStringLiteral("aktuell"), {},
                          folder.file(QStringLiteral("language.ini"))),
             QStringLiteral("ENGLISH"));
}

void tst_headless::followsTheSimulator_data() {
    QTest::addColumn<bool>("serial");
    QTest::newRow("TCP/IP") << false;
    QTest::newRow("serial pseudo-terminal") << true;
}

void tst_headless::followsTheSimulator() {
    QFETCH(bool, serial);
    ProgramFolder folder;
    const QString link = folder.file(QStringLiteral("balance"));
    DeviceSimulator simulator;
    QStringList arguments{QStringLiteral("--interval"), QStringLiteral("100"), QStringLiteral("--value"),
                          QStringLiteral("12.5")};
    if (serial) {
        arguments << QStringLiteral("--pty") << link;
    }
    QVERIFY(simulator.start(arguments));
    if (serial) {
        QVERIFY(simulator.process().waitForOutput("pty: "));
        QVERIFY(TestFiles::write(folder.file(QStringLiteral("kelvane.ini")),
                                 "[ports]\nCOM7=" + QFile::encodeName(link) + "\n"));
    }
    const QByteArray port =
        serial ? QByteArray("portnum=7\n")
               : "portnum=TCP/IP\ntcpip=127.0.0.1\ntcpport=" + QByteArray::number(simulator.port()) + "\n";
    folder.writeConfiguration(
        QStringLiteral("standard.cfg"),
        "[Port settings]\n" + port +
            "[Anwendung]\nAnwendung=Text-Datei\nTextFile=values.txt\nFormat={Messwert} {Einheit}\n");
    ProcessRunner kelvane(QStringLiteral("kelvane"));
    kelvane.setEnvironmentValue(QStringLiteral("KELVANE_HOME"), folder.path());
    QVERIFY(kelvane.start({QStringLiteral("--headless")}));
    QTRY_VERIFY_WITH_TIMEOUT(
        TestFiles::read(folder.file(QStringLiteral("values.txt"))).count("12.50 g\r\n") >= 3, 10000);
    QVERIFY(kelvane.signalAndWait(SIGTERM));
    QCOMPARE(kelvane.exitCode(), 0);
    const QByteArray status = kelvane.standardError();
    QVERIFY2(status.contains(serial ? "status: Device activated COM7" : "status: Device activated TCP/IP"),
             status.constData());
    QVERIFY(TestFiles::read(folder.file(QStringLiteral("protocol.txt"))).contains("Command: 12.50 g\r\n"));
}

void tst_headless::timedRunSendsTheCount() {
    ProgramFolder folder;
    DeviceSimulator simulator;
    QVERIFY(simulator.start({QStringLiteral("--interval"), QStringLiteral("100"), QStringLiteral("--ramp"),
                             QStringLiteral("1:900:1")}));
    // Three values one second apart, starting with the program.
    folder.writeConfiguration(
        QStringLiteral("standard.cfg"),
        "[Port settings]\nportnum=TCP/IP\ntcpip=127.0.0.1\ntcpport=" + QByteArray::number(simulator.port()) +
            "\n[Mode]\nmodus=TIMER\nactiv=1\nint_modus=1\nanz_mess=3\n[Intervall]\nint_sek=1\n"
            "[Anwendung]\nAnwendung=Text-Datei\nTextFile=values.txt\nFormat={Messwert}\n");
    ProcessRunner kelvane(QStringLiteral("kelvane"));
    kelvane.setEnvironmentValue(QStringLiteral("KELVANE_HOME"), folder.path());
    QVERIFY(kelvane.start({QStringLiteral("--headless")}));
    QVERIFY(kelvane.waitForError("( 3)", 15000));
    // Let further values arrive: the count is reached, nothing more is sent.
    QTest::qWait(1500);
    QVERIFY(kelvane.signalAndWait(SIGTERM));
    const QList<QByteArray> lines = TestFiles::read(folder.file(QStringLiteral("values.txt"))).split('\n');
    QCOMPARE(lines.size(), 4);
    QVERIFY(lines.last().isEmpty());
    // About one second (ten simulator values) apart, in order.
    double previous = -1.0;
    for (int i = 0; i < 3; ++i) {
        const double value = lines.at(i).trimmed().toDouble();
        if (previous >= 0.0) {
            QVERIFY2(value - previous >= 5.0 && value - previous <= 20.0, lines.at(i).constData());
        }
        previous = value;
    }
}

void tst_headless::deliversIntoFilesAndDatabases_data() {
    QTest::addColumn<QString>("target");
    QTest::newRow("workbook") << QStringLiteral("Excel-Datei");
    QTest::newRow("SQLite database") << QStringLiteral("sqlite");
    QTest::newRow("PostgreSQL server") << QStringLiteral("postgresql");
}

void tst_headless::deliversIntoFilesAndDatabases() {
    QFETCH(QString, target);
    ProgramFolder folder;
    PostgresCluster cluster;
    QByteArray anwendung;
    if (target == QLatin1String("Excel-Datei")) {
        runTool(QStringLiteral("/usr/bin/python3"),
                {QStringLiteral("-c"),
                 QStringLiteral("import openpyxl\nwb = openpyxl.Workbook(); wb.active.title = "
                                "'Tabelle1'\nwb.active['A1'] = 'Wert'\nwb.save('%1')")
                     .arg(folder.file(QStringLiteral("lab.xlsx")))});
        anwendung = "Anwendung=Excel-Datei\nExcelFile=lab.xlsx\n";
    } else if (target == QLatin1String("sqlite")) {
        runTool(QStringLiteral("sqlite3"), {folder.file(QStringLiteral("lab.db")),
                                            QStringLiteral("CREATE TABLE w (value REAL, unit TEXT);")});
        anwendung = "Anwendung=Access-Datenbank\nAccessFile=lab.db\nAccessTable=w\n";
    } else {
        if (!cluster.start()) {
            QSKIP(qPrintable(cluster.reason()));
        }
        cluster.psql(QStringLiteral("CREATE TABLE w (value numeric, unit text);"));
        anwendung = "Anwendung=Access-Datenbank\nAccessFile=" + cluster.url().toUtf8() + "\nAccessTable=w\n";
    }
    DeviceSimulator simulator;
    QVERIFY(simulator.start({QStringLiteral("--interval"), QStringLiteral("150"), QStringLiteral("--ramp"),
                             QStringLiteral("10:90:0.25")}));
    folder.writeConfiguration(
        QStringLiteral("standard.cfg"),
        "[Port settings]\nportnum=TCP/IP\ntcpip=127.0.0.1\ntcpport=" + QByteArray::number(simulator.port()) +
            "\n[Anwendung]\n" + anwendung + "Format={Messwert}{TAB}{Einheit}{TAB}\n");
    ProcessRunner kelvane(QStringLiteral("kelvane"));
    kelvane.setEnvironmentValue(QStringLiteral("KELVANE_HOME"), folder.path());
    QVERIFY(kelvane.start({QStringLiteral("--headless")}));
    // Rows as "value|unit", read back by the database's or the workbook's own tool.
    const auto rows = [&] {
        QString text;
        if (target == QLatin1String("Excel-Datei")) {
            text = runTool(
                QStringLiteral("/usr/bin/python3"),
                {QStringLiteral("-c"),
                 QStringLiteral("import openpyxl\nws = openpyxl.load_workbook('%1')['Tabelle1']\n"
                                "print(ws['A1'].value)\n"
                                "for r in ws.iter_rows(min_row=2, values_only=True): print('%s|%s' % r[:2])")
                     .arg(folder.file(QStringLiteral("lab.xlsx")))});
            if (!text.startsWith(QLatin1String("Wert\n"))) {
                return QStringList();
            }
            text = text.mid(5);
        } else if (target == QLatin1String("sqlite")) {
            text = runTool(QStringLiteral("sqlite3"),
                           {folder.file(QStringLiteral("lab.db")),
                            QStringLiteral("SELECT value, unit FROM w ORDER BY rowid;")});
        } else {
            text = cluster.psql(QStringLiteral("SELECT value, unit FROM w ORDER BY value;"));
        }
        return text.isEmpty() ? QStringList() : text.split(u'\n');
    };
    QTRY_VERIFY_WITH_TIMEOUT(rows().size() >= 4, 15000);
    QVERIFY(kelvane.signalAndWait(SIGTERM));
    QCOMPARE(kelvane.exitCode(), 0);
    QVERIFY2(!kelvane.standardError().contains("message:"), kelvane.standardError().constData());
    // Every value arrived as a number, in order, none lost between the first and the last.
    const QStringList delivered = rows();
    double previous = 0.0;
    for (int i = 0; i < delivered.size(); ++i) {
        const QStringList fields = delivered.at(i).split(u'|');
        QCOMPARE(fields.size(), 2);
        QCOMPARE(fields.at(1), QStringLiteral("g"));
        bool ok = false;
        const double value = fields.at(0).toDouble(&ok);
        QVERIFY2(ok, qPrintable(delivered.at(i)));
        if (i > 0) {
            QCOMPARE(value - previous, 0.25);
        }
        previous = value;
    }
}

QTEST_GUILESS_MAIN(tst_headless)
#include "tst_headless.moc"
