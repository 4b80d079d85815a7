// The outbox: its journal read back after cuts and damage, and values that wait for a text file,
// a workbook or an SQLite table that cannot take them now, delivered in order once it can.

#include "base/config/SettingText.h"
#include "base/config/Settings.h"
#include "base/delivery/Delivery.h"
#include "base/delivery/Outbox.h"
#include "base/delivery/PublishedValues.h"
#include "base/texts/LanguageTable.h"
#include "support/ProgramFolder.h"
#include "support/RecordingMainView.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const DeliveryTarget Target{DeliveryTarget::Kind::Workbook, u"/data/lab.xlsx"_s, u"Tabelle1"_s};

QStringList textsOf(const std::deque<OutboxJournal::Entry>& entries) {
    QStringList texts;
    for (const OutboxJournal::Entry& entry : entries) {
        texts << entry.text;
    }
    return texts;
}

// Runs a tool to its end; its standard output, or nothing when it failed.
QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    const bool ok = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
                    process.exitCode() == 0;
    return ok ? QString::fromUtf8(process.readAllStandardOutput()).trimmed() : QString();
}

QString python(const QString& code) {
    return run(u"/usr/bin/python3"_s, {u"-c"_s, code});
}

// A file target that refuses values until it is released, and its values read back.
class BlockedTarget {
public:
    virtual ~BlockedTarget() = default;
    virtual bool block() = 0;
    virtual void release() = 0;
    virtual QStringList values() = 0;
};

// Made unwritable with the immutable attribute, which binds root too.
class ImmutableTextFile : public BlockedTarget {
public:
    explicit ImmutableTextFile(QString path) : m_path(std::move(path)) {}
    ~ImmutableTextFile() override { release(); }
    bool block() override {
        return TestFiles::write(m_path, "") && QProcess::execute(u"chattr"_s, {u"+i"_s, m_path}) == 0;
    }
    void release() override { QProcess::execute(u"chattr"_s, {u"-i"_s, m_path}); }
    QStringList values() override {
        return QString::fromUtf8(TestFiles::read(m_path))
            .remove(u"{TAB}"_s)
            .split(u"\r\n"_s, Qt::SkipEmptyParts);
    }

private:
    QString m_path;
};

// A workbook with LibreOffice's lock file beside it, or without the worksheet until it is added.
class Workbook : public BlockedTarget {
public:
    Workbook(QString path, bool lockFile) : m_path(std::move(path)), m_lockFile(lockFile) {}
    bool block() override {
        const QString title = m_lockFile ? u"Tabelle1"_s : u"Sheet1"_s;
        return python(u"import openpyxl\nwb = openpyxl.Workbook(); wb.active.title = '%1'\n"
                      "wb.save('%2'); print('ok')"_s.arg(title, m_path)) == u"ok" &&
               (!m_lockFile || TestFiles::write(lockPath(), ",user,host,06.12.2026 09:00,file:///;"));
    }
    void release() override {
        if (m_lockFile) {
            QFile::remove(lockPath());
        } else {
            python(u"import openpyxl\nwb = openpyxl.load_workbook('%1'); wb.create_sheet('Tabelle1')\n"
                   "wb.save('%1')"_s.arg(m_path));
        }
    }
    QStringList values() override {
        const QString rows = python(u"import openpyxl\nws = openpyxl.load_workbook('%1')['Tabelle1']\n"
                                    "for r in ws.iter_rows(values_only=True): print(r[0])"_s.arg(m_path));
        return rows.isEmpty() ? QStringList() : rows.split(u'\n');
    }

private:
    QString lockPath() const {
        const QFileInfo info(m_path);
        return info.dir().filePath(u".~lock."_s + info.fileName() + u'#');
    }
    QString m_path;
    bool m_lockFile;
};

// An SQLite table held by another connection's exclusive transaction.
class LockedDatabase : public BlockedTarget {
public:
    explicit LockedDatabase(QString path) : m_path(std::move(path)) {}
    ~LockedDatabase() override {
        release();
        QSqlDatabase::removeDatabase(u"holder"_s);
    }
    bool block() override {
        if (run(u"sqlite3"_s, {m_path, u"CREATE TABLE w (value TEXT); SELECT 'ok';"_s}) != u"ok") {
            return false;
        }
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"holder"_s);
        db.setDatabaseName(m_path);
        return db.open() && QSqlQuery(db).exec(u"BEGIN EXCLUSIVE"_s);
    }
    void release() override {
        QSqlDatabase db = QSqlDatabase::database(u"holder"_s, false);
        if (db.isOpen()) {
            QSqlQuery(db).exec(u"COMMIT"_s);
            db.close();
        }
    }
    QStringList values() override {
        const QString rows = run(u"sqlite3"_s, {m_path, u"SELECT value FROM w ORDER BY rowid;"_s});
        return rows.isEmpty() ? QStringList() : rows.split(u'\n');
    }

private:
    QString m_path;
};

struct Session {
    Settings settings;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    PublishedValues published;
    QStringList status;
    Delivery delivery{settings, view, [this](const QString& text) { status << text; }, dialogs, published};
};

} // namespace

class tst_Outbox : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A journal of the values 1 to 4, the first two taken, read back after its end was cut or
    // one byte in it was changed: every whole record before the damage counts.
    void journal_data() {
        QTest::addColumn<int>("cut");  // bytes cut off the end
        QTest::addColumn<int>("flip"); // the byte changed, counted from the end; -1 none
        QTest::addColumn<QStringList>("waiting");
        QTest::addColumn<bool>("whole");
        using L = QStringList;
        QTest::newRow("whole") << 0 << -1 << L{"3", "4 g"} << true;
        QTest::newRow("last newline cut") << 1 << -1 << L{"3"} << false;
        QTest::newRow("half the last record cut") << 12 << -1 << L{"3"} << false;
        QTest::newRow("last value changed") << 0 << 2 << L{"3"} << false;
        QTest::newRow("checksum changed") << 0 << 6 << L{"3"} << false;
        QTest::newRow("second mark changed") << 0 << 25 << L{"2", "3"} << false;
        QTest::newRow("first mark changed") << 0 << 40 << L{"1", "2", "3"} << false;
        QTest::newRow("everything cut") << 10000 << -1 << L{} << true;
    }

    void journal() {
        QFETCH(int, cut);
        QFETCH(int, flip);
        QFETCH(QStringList, waiting);
        ProgramFolder folder;
        const QString path = folder.file(u"j.journal"_s);
        QString error;
        auto journal = OutboxJournal::create(path, Target, &error);
        QVERIFY2(journal, qPrintable(error));
        for (const QString& text : {u"1"_s, u"2"_s, u"3"_s}) {
            QVERIFY(journal->keep(text, &error));
        }
        QVERIFY(journal->markFirstDelivered(&error) && journal->markFirstDelivered(&error));
        QVERIFY(journal->keep(u"4 g"_s, &error));
        QCOMPARE(textsOf(journal->waiting()), (QStringList{"3", "4 g"}));
        QByteArray bytes = TestFiles::read(path);
        if (flip >= 0) {
            bytes[bytes.size() - 1 - flip] = bytes.at(bytes.size() - 1 - flip) ^ 0x01;
        }
        bytes.chop(qMin<qsizetype>(cut, bytes.size()));
        const OutboxJournal::Contents contents = OutboxJournal::parse(bytes);
        QCOMPARE(contents.target.has_value(), cut < bytes.size() + cut && !bytes.isEmpty());
        QCOMPARE(textsOf(contents.waiting), waiting);
        QTEST(contents.wholeBytes == bytes.size(), "whole");
        if (contents.target) {
            QCOMPARE(*contents.target, Target);
        }
    }

    // A damaged journal found at start: what it holds up to the damage waits on, its rest is set
    // aside for the user, and the values kept after it are read back whole.
    void damagedAtStart() {
        ProgramFolder folder;
        const QString outbox = folder.file(u"outbox"_s);
        QVERIFY(QDir().mkpath(outbox));
        const QString path = outbox + u"/a.journal"_s;
        QVERIFY(
            TestFiles::write(path, OutboxJournal::encode(Target, {{1, u"1"_s}, {2, u"2"_s}}) + "V 3 1 0"));
        QVERIFY(TestFiles::write(outbox + u"/b.journal"_s, "not a journal"));
        Outbox box(outbox, 10);
        const std::vector<Outbox::Damage> damages = box.load();
        QCOMPARE(damages.size(), std::size_t(2));
        QCOMPARE(damages.at(0).valuesRead, 2);
        QCOMPARE(TestFiles::read(damages.at(0).setAside), QByteArray("V 3 1 0"));
        QCOMPARE(TestFiles::read(damages.at(1).setAside), QByteArray("not a journal"));
        QVERIFY(!QFile::exists(outbox + u"/b.journal"_s));
        QCOMPARE(box.keep(Target, u"3"_s), Outbox::Kept::Yes);
        QCOMPARE(box.waitingFor(Target), 3);
        const OutboxJournal::Contents contents = OutboxJournal::parse(TestFiles::read(path));
        QCOMPARE(textsOf(contents.waiting), (QStringList{"1", "2", "3"}));
        QCOMPARE(contents.wholeBytes, TestFiles::read(path).size());
    }

    // A round whose time is up stops after the value it is on and says so; the next one goes on
    // in order, and a target that is still blocked leaves the others' values to go.
    void roundsAreBounded() {
        ProgramFolder folder;
        Outbox box(folder.file(u"outbox"_s), 10);
        const DeliveryTarget other{DeliveryTarget::Kind::TextFile, u"/data/values.txt"_s, {}};
        for (const QString& text : {u"1"_s, u"2"_s, u"3"_s}) {
            QCOMPARE(box.keep(Target, text), Outbox::Kept::Yes);
            QCOMPARE(box.keep(other, text), Outbox::Kept::Yes);
        }
        QStringList taken;
        const auto take = [&taken](const DeliveryTarget& target, const QString& text) {
            if (target.kind == DeliveryTarget::Kind::Workbook) {
                return DeliveryProblem::OpenElsewhere;
            }
            taken << text;
            return DeliveryProblem::None;
        };
        Outbox::Round round = box.deliverWaiting(take, QDeadlineTimer(0));
        QVERIFY(round.unfinished);
        QCOMPARE(round.blocked, Target);
        QCOMPARE(round.problem, DeliveryProblem::OpenElsewhere);
        QCOMPARE(box.waitingCount(), 6);
        round = box.deliverWaiting(take);
        QVERIFY(!round.unfinished);
        QCOMPARE(round.delivered, 3);
        QCOMPARE(taken, (QStringList{"1", "2", "3"}));
        QCOMPARE(box.waitingFor(Target), 3);
        QCOMPARE(box.waitingFor(other), 0);
    }

    // Values for a target that cannot take them wait, the later ones behind the earlier, and go in
    // order once it can: with the next value, or by the retry alone, or after a restart.
    void waitsAndCatchesUp_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("catchUp"); // "value", "retry" or "restart"
        QTest::addColumn<QString>("reason");
        QTest::newRow("text file unwritable, next value") << "Text-Datei"
                                                          << "value"
                                                          << "%1 cannot be written";
        QTest::newRow("workbook open elsewhere, retry") << "Excel-Datei"
                                                        << "retry"
                                                        << "workbook open in another program";
        QTest::newRow("sheet missing, restart")
            << "sheet"
            << "restart"
            << "worksheet Tabelle1 not found in %1 (set it in kelvane.ini)";
        QTest::newRow("SQLite locked, next value") << "Access-Datenbank"
                                                   << "value"
                                                   << "database %1 locked by another program";
    }

    void waitsAndCatchesUp() {
        QFETCH(QString, target);
        QFETCH(QString, catchUp);
        QFETCH(QString, reason);
        ProgramFolder folder;
        LanguageTable::instance().load(folder.file(u"language.ini"_s), u"ENGLISH"_s);
        const QString path = folder.file(target == u"Text-Datei"         ? u"values.txt"_s
                                         : target == u"Access-Datenbank" ? u"lab.db"_s
                                                                         : u"lab.xlsx"_s);
        std::unique_ptr<BlockedTarget> blocked;
        if (target == u"Text-Datei") {
            blocked = std::make_unique<ImmutableTextFile>(path);
        } else if (target == u"Access-Datenbank") {
            blocked = std::make_unique<LockedDatabase>(path);
        } else {
            blocked = std::make_unique<Workbook>(path, target != u"sheet");
        }
        if (!blocked->block()) {
            QSKIP("the target cannot be blocked here (chattr, openpyxl or sqlite3 missing)");
        }
        auto session = std::make_unique<Session>();
        session->settings.target = SettingText::target(target == u"sheet" ? u"Excel-Datei"_s : target);
        session->settings.textFilePath = session->settings.workbookPath = session->settings.databasePath =
            path;
        session->settings.databaseTable = u"w"_s;
        session->settings.outboxLimit = 3;
        for (const QString& value : {u"1"_s, u"2"_s, u"3"_s, u"4"_s}) {
            session->delivery.deliver(value + u"{TAB}"_s);
        }
        QCOMPARE(session->delivery.waitingCount(), 3);
        if (reason.contains(u"%1")) {
            reason = reason.arg(path);
        }
        QCOMPARE(session->status.last(), u"3 values waiting: "_s + reason);
        QCOMPARE(session->dialogs.messages,
                 QStringList{u"The outbox for %1 is full (3 values). Further values for this target are "
                             "not kept until it takes values again."_s.arg(path)});
        QCOMPARE(blocked->values(), QStringList());
        if (catchUp == u"restart") {
            session->delivery.finish();
            QCOMPARE(session->dialogs.messages.last(),
                     u"3 values are still waiting for their target (%1). They stay in the outbox and are "
                     "delivered after the next start."_s.arg(reason));
            session = std::make_unique<Session>();
        }
        blocked->release();
        if (catchUp == u"value") {
            session->delivery.deliver(u"5{TAB}"_s);
        } else if (catchUp == u"restart") {
            session->delivery.resumeWaiting();
        }
        QTRY_COMPARE_WITH_TIMEOUT(session->delivery.waitingCount(), 0, 2 * Delivery::RetryIntervalMs);
        QCOMPARE(blocked->values(),
                 (catchUp == u"value" ? QStringList{"1", "2", "3", "5"} : QStringList{"1", "2", "3"}));
        QCOMPARE(session->status.last(), u"All waiting values are delivered."_s);
        QCOMPARE(QDir(folder.file(u"outbox"_s)).entryList(QDir::Files), QStringList());
    }
};

QTEST_GUILESS_MAIN(tst_Outbox)
#include "tst_Outbox.moc"
