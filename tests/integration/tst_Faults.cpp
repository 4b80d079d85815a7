// The real program, kelvane --headless, against the device simulator while its target fails for
// ten seconds or the program is killed: every value sent arrives exactly once and in order, and
// the program keeps running.

#include "support/DeviceSimulator.h"
#include "support/HeadlessProgram.h"
#include "support/PostgresCluster.h"
#include "support/ProgramFolder.h"
#include "support/TestFiles.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QtTest>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

constexpr int FaultMs = 10000;
const QString Python = u"/usr/bin/python3"_s;

QString runTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    const bool ok = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
                    process.exitCode() == 0;
    return ok ? QString::fromUtf8(process.readAllStandardOutput()).trimmed() : QString();
}

// A workbook made by openpyxl with one worksheet of that title; replaced atomically, so that the
// program never reads it half written.
bool makeWorkbook(const QString& path, const QString& sheet) {
    return runTool(Python,
                   {u"-c"_s, u"import openpyxl, os\nwb = openpyxl.Workbook(); wb.active.title = '%1'\n"
                             "wb.save('%2.new'); os.replace('%2.new', '%2'); print('ok')"_s.arg(
                                 sheet, path)}) == u"ok";
}

// The target of one test: how the program is set up for it, and the numbers it holds.
struct Target {
    QByteArray settings; // section [Anwendung]
    std::function<QString()> read;

    QList<double> values() const {
        QList<double> numbers;
        const QString text = read();
        for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
            numbers << QString(line).replace(u',', u'.').section(u"{TAB}"_s, 0, 0).toDouble();
        }
        return numbers;
    }
};

// A file that not even root may write while this holds it.
class Immutable {
public:
    explicit Immutable(QString path) : m_path(std::move(path)) {
        m_held = QProcess::execute(u"chattr"_s, {u"+i"_s, m_path}) == 0;
    }
    ~Immutable() { release(); }
    bool isHeld() const { return m_held; }
    void release() {
        if (m_held) {
            m_held = QProcess::execute(u"chattr"_s, {u"-i"_s, m_path}) != 0;
        }
    }

private:
    QString m_path;
    bool m_held = false;
};

QList<double> ramp(int count) {
    QList<double> numbers;
    for (int k = 1; k <= count; ++k) {
        numbers << k;
    }
    return numbers;
}

struct Run {
    ProgramFolder folder;
    DeviceSimulator simulator;
    HeadlessProgram kelvane{folder};

    // The simulator sends the ramp 1, 2, 3 ... every 100 ms, count records in all.
    bool start(const Target& target, int count, int intervalMs = 100) {
        if (!simulator.start({u"--interval"_s, QString::number(intervalMs), u"--ramp"_s, u"1:900:1"_s,
                              u"--count"_s, QString::number(count)})) {
            return false;
        }
        folder.writeConfiguration(u"standard.cfg"_s, simulator.portSettings() + "[Anwendung]\n" +
                                                         target.settings + "Format={Messwert}{TAB}\n");
        return kelvane.start();
    }
};

} // namespace

class tst_Faults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void targetFails_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("workbook open in LibreOffice") << "lock file";
        QTest::newRow("worksheet missing, then added") << "sheet";
        QTest::newRow("SQLite file locked") << "sqlite";
        QTest::newRow("PostgreSQL server stopped") << "postgres";
        QTest::newRow("text file unwritable") << "text";
    }

    void targetFails() {
        QFETCH(QString, fault);
        constexpr int Records = 150;
        Run run;
        const QString folder = run.folder.path();
        PostgresCluster cluster;
        Target target;
        if (fault == u"lock file" || fault == u"sheet") {
            const QString path = run.folder.file(u"lab.xlsx"_s);
            QVERIFY(makeWorkbook(path, fault == u"sheet" ? u"Sheet1"_s : u"Tabelle1"_s));
            target.settings = "Anwendung=Excel-Datei\nExcelFile=lab.xlsx\n";
            target.read = [path] {
                return runTool(Python,
                               {u"-c"_s, u"import openpyxl\nws = openpyxl.load_workbook('%1')['Tabelle1']\n"
                                         "for r in ws.iter_rows(values_only=True): print(r[0])"_s.arg(path)});
            };
        } else if (fault == u"sqlite") {
            const QString path = run.folder.file(u"lab.db"_s);
            QCOMPARE(runTool(u"sqlite3"_s, {path, u"CREATE TABLE w (value REAL); SELECT 'ok';"_s}), u"ok"_s);
            target.settings = "Anwendung=Access-Datenbank\nAccessFile=lab.db\nAccessTable=w\n";
            target.read = [path] {
                return runTool(u"sqlite3"_s, {path, u"SELECT value FROM w ORDER BY rowid;"_s});
            };
        } else if (fault == u"postgres") {
            if (!cluster.start()) {
                if (cluster.reason().startsWith(u"no PostgreSQL")) {
                    QSKIP(qPrintable(cluster.reason()));
                }
                QFAIL(qPrintable(cluster.reason()));
            }
            QVERIFY(
                cluster.psql(u"CREATE TABLE w (value numeric, id serial); SELECT 'ok';"_s).endsWith(u"ok"));
            target.settings =
                "Anwendung=Access-Datenbank\nAccessTable=w\nAccessFile=" + cluster.url().toUtf8() + "\n";
            target.read = [&cluster] { return cluster.psql(u"SELECT value FROM w ORDER BY id;"_s); };
        } else {
            const QString path = run.folder.file(u"values.txt"_s);
            target.settings = "Anwendung=Text-Datei\nTextFile=values.txt\n";
            target.read = [path] { return QString::fromUtf8(TestFiles::read(path)); };
        }
        QVERIFY(run.start(target, Records));
        HeadlessProgram& kelvane = run.kelvane;
        if (fault == u"sheet") {
            QVERIFY2(kelvane.waitForError("values waiting: worksheet Tabelle1 not found in"),
                     kelvane.standardError().constData());
            QTest::qWait(FaultMs);
            QVERIFY(makeWorkbook(run.folder.file(u"lab.xlsx"_s), u"Tabelle1"_s));
        } else {
            QTRY_VERIFY2_WITH_TIMEOUT(target.values().size() >= 5, kelvane.standardError().constData(),
                                      15000);
            if (fault == u"lock file") {
                const QString lock = run.folder.file(u".~lock.lab.xlsx#"_s);
                QVERIFY(TestFiles::write(lock, ",user,host,06.12.2026 09:00,file:///;"));
                QTest::qWait(FaultMs);
                QVERIFY(QFile::remove(lock));
            } else if (fault == u"sqlite") {
                ProcessRunner holder(Python);
                QVERIFY(holder.start(
                    {u"-c"_s, u"import sqlite3, time\ndb = sqlite3.connect('%1', isolation_level=None)\n"
                              "db.execute('BEGIN EXCLUSIVE'); print('locked', flush=True)\n"
                              "time.sleep(%2); db.execute('COMMIT')"_s.arg(run.folder.file(u"lab.db"_s))
                                  .arg(FaultMs / 1000)}));
                QVERIFY(holder.waitForOutput("locked"));
                QVERIFY(holder.process().waitForFinished(FaultMs + 10000));
            } else if (fault == u"postgres") {
                QVERIFY(cluster.restart(FaultMs));
            } else {
                Immutable unwritable(run.folder.file(u"values.txt"_s));
                QVERIFY(unwritable.isHeld());
                QTest::qWait(FaultMs);
            }
        }
        // Read back once a second: a reader that never pauses would hold the database itself.
        for (int second = 0; second < 40 && target.values().size() < Records; ++second) {
            QTest::qWait(1000);
        }
        QCOMPARE(target.values(), ramp(Records));
        QCOMPARE(kelvane.process().state(), QProcess::Running);
        const QByteArray status = kelvane.standardError();
        QVERIFY2(status.contains(" values waiting: ") && status.contains("All waiting values are delivered."),
                 status.constData());
        QVERIFY2(!status.contains("message:"), status.constData());
        QVERIFY(kelvane.signalAndWait(SIGTERM) && kelvane.exitCode() == 0);
        Q_UNUSED(folder);
    }

    // Killed while values wait for a text file that cannot be written: the next start delivers them.
    void killedWhileValuesWait() {
        constexpr int Records = 20;
        Run run;
        const QString path = run.folder.file(u"values.txt"_s);
        QVERIFY(TestFiles::write(path, ""));
        Immutable unwritable(path);
        QVERIFY(unwritable.isHeld());
        const Target target{"Anwendung=Text-Datei\nTextFile=values.txt\n",
                            [path] { return QString::fromUtf8(TestFiles::read(path)); }};
        QVERIFY(run.start(target, Records));
        const bool waiting = run.kelvane.waitForError(
            "status: 20 values waiting: " + QFile::encodeName(path) + " cannot be written\n", 15000);
        unwritable.release();
        QVERIFY2(waiting, run.kelvane.standardError().constData());
        QVERIFY(run.kelvane.signalAndWait(SIGKILL));
        QCOMPARE(target.values(), QList<double>());
        HeadlessProgram again(run.folder);
        QVERIFY(again.start());
        QVERIFY2(again.waitForError("status: All waiting values are delivered.\n"),
                 again.standardError().constData());
        QCOMPARE(target.values(), ramp(Records));
        QVERIFY(again.signalAndWait(SIGTERM) && again.exitCode() == 0);
    }

    // Killed at random moments while it streams into a workbook and, at the end, while it writes
    // its configuration snapshot: afterwards each file is whole, the old one or the new one. After
    // a last run ended normally, every value taken is in the workbook, but for at most the one
    // being saved when a kill came.
    void killedWhileSaving() {
        Run run;
        const QString book = run.folder.file(u"lab.xlsx"_s);
        const QString snapshot = run.folder.file(u"tmp.cfg"_s);
        QVERIFY(makeWorkbook(book, u"Tabelle1"_s));
        const Target target{
            "Anwendung=Excel-Datei\nExcelFile=lab.xlsx\n", [book] {
                return runTool(Python,
                               {u"-c"_s, u"import openpyxl\nws = openpyxl.load_workbook('%1')"
                                         "['Tabelle1']\nprint('rows', ws.max_row)\n"
                                         "for r in ws.iter_rows(values_only=True): print(r[0])"_s.arg(book)});
            }};
        // Several saves in each round, values waiting for the next one most of the time, and the
        // kill comes somewhere among them.
        QVERIFY(run.start(target, 100000, 20));
        QVERIFY(run.kelvane.waitForError("status: Device activated"));
        QVERIFY(run.kelvane.signalAndWait(SIGTERM));
        const QByteArray snapshotBytes = TestFiles::read(snapshot);
        QVERIFY(!snapshotBytes.isEmpty());
        QRandomGenerator random(7);
        for (int round = 0; round < 10; ++round) {
            HeadlessProgram kelvane(run.folder);
            QVERIFY(kelvane.start());
            QTest::qWait(random.bounded(300, 1000));
            // Half the rounds are killed during the shutdown, where the snapshot is written.
            if (round % 2 == 1) {
                ::kill(static_cast<pid_t>(kelvane.process().processId()), SIGTERM);
                QTest::qWait(random.bounded(0, 30));
            }
            QVERIFY(kelvane.signalAndWait(SIGKILL));
            const QString rows = target.read();
            QVERIFY2(rows.startsWith(u"rows "),
                     qPrintable(u"round %1: the workbook does not load"_s.arg(round)));
            QCOMPARE(TestFiles::read(snapshot), snapshotBytes);
        }
        HeadlessProgram last(run.folder);
        QVERIFY(last.start());
        QTest::qWait(1000);
        QVERIFY(last.signalAndWait(SIGTERM) && last.exitCode() == 0);
        // Counted by value in hundredths, since the ramp may begin anew.
        QHash<qint64, int> missing;
        const QString protocol = QString::fromUtf8(TestFiles::read(run.folder.file(u"protocol.txt"_s)));
        for (const QString& line : protocol.split(u"\r\n"_s)) {
            if (line.startsWith(u"Command: ")) {
                ++missing[qRound64(line.mid(9).section(u"{TAB}"_s, 0, 0).replace(u',', u'.').toDouble() *
                                   100)];
            }
        }
        const QStringList rows = target.read().split(u'\n');
        qsizetype again = 0;
        for (const QString& row : rows.mid(2)) {
            const qint64 value = qRound64(row.toDouble() * 100);
            again += missing.value(value) > 0 ? 0 : 1;
            --missing[value];
        }
        qsizetype lost = 0;
        for (const int count : std::as_const(missing)) {
            lost += std::max(0, count);
        }
        QVERIFY2(rows.size() > 100, qPrintable(rows.first()));
        QVERIFY2(lost <= 10, qPrintable(u"%1 values lost in 10 kills"_s.arg(lost)));
        // A kill between a save and the marks of its values in the outbox delivers them again: at
        // most a second of values, 50 at one every 20 ms.
        QVERIFY2(again <= 10 * 50, qPrintable(u"%1 values delivered twice"_s.arg(again)));
    }
};

QTEST_GUILESS_MAIN(tst_Faults)
#include "tst_Faults.moc"
