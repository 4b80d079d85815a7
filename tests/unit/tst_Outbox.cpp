// The outbox: its journal read back after cuts and damage, rounds bounded in time, and values
// that wait for a text file that cannot be written, delivered in order once it can be.

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

// A text file that not even root may write while it is held, with the immutable attribute.
class UnwritableFile {
public:
    explicit UnwritableFile(QString path) : m_path(std::move(path)) {}
    ~UnwritableFile() { release(); }
    bool hold() {
        return TestFiles::write(m_path, "") && QProcess::execute(u"chattr"_s, {u"+i"_s, m_path}) == 0;
    }
    void release() { QProcess::execute(u"chattr"_s, {u"-i"_s, m_path}); }
    QStringList lines() const {
        return QString::fromUtf8(TestFiles::read(m_path)).split(u"\r\n"_s, Qt::SkipEmptyParts);
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
        auto journal = OutboxJournal::create(path, Target, OutboxJournal::Sync::Later, &error);
        QVERIFY2(journal, qPrintable(error));
        for (const QString& text : {u"1"_s, u"2"_s}) {
            QVERIFY(journal->keep(text, OutboxJournal::Sync::Later, &error));
        }
        QVERIFY(journal->keep(u"3"_s, OutboxJournal::Sync::Now, &error));
        QVERIFY(journal->markDelivered(2, &error));
        QVERIFY(journal->keep(u"4 g"_s, OutboxJournal::Sync::Now, &error));
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
        const auto take = [&taken](const DeliveryTarget& target, const QStringList& texts) {
            if (target.kind == DeliveryTarget::Kind::Workbook) {
                return BatchOutcome{DeliveryProblem::OpenElsewhere, {}};
            }
            taken << texts;
            return BatchOutcome{};
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

    // Values for a text file that cannot be written wait, the later ones behind the earlier, up to
    // the limit, and go in order once it can be: with the next value, by the retry alone, or
    // after a restart that the user was told of.
    void waitsAndCatchesUp_data() {
        QTest::addColumn<QString>("catchUp");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("next value") << "value" << QStringList{"1", "2", "3", "5"};
        QTest::newRow("retry") << "retry" << QStringList{"1", "2", "3"};
        QTest::newRow("restart") << "restart" << QStringList{"1", "2", "3"};
    }

    void waitsAndCatchesUp() {
        QFETCH(QString, catchUp);
        ProgramFolder folder;
        LanguageTable::instance().load(folder.file(u"language.ini"_s), u"ENGLISH"_s);
        const QString path = folder.file(u"values.txt"_s);
        UnwritableFile file(path);
        if (!file.hold()) {
            QSKIP("chattr cannot make the file immutable here");
        }
        auto session = std::make_unique<Session>();
        session->settings.target = SettingText::target(u"Text-Datei"_s);
        session->settings.textFilePath = path;
        session->settings.outboxLimit = 3;
        for (const QString& value : {u"1"_s, u"2"_s, u"3"_s, u"4"_s}) {
            session->delivery.deliver(value);
        }
        QCOMPARE(session->delivery.waitingCount(), 3);
        QCOMPARE(session->status.last(), u"3 values waiting: %1 cannot be written"_s.arg(path));
        QCOMPARE(session->dialogs.messages,
                 QStringList{u"The outbox for %1 is full (3 values). Further values for this target are "
                             "not kept until it takes values again."_s.arg(path)});
        QCOMPARE(file.lines(), QStringList());
        if (catchUp == u"restart") {
            session->delivery.finish();
            QCOMPARE(session->dialogs.messages.last(),
                     u"3 values are still waiting for their target (%1 cannot be written). They stay in the "
                     "outbox and are delivered after the next start."_s.arg(path));
            session = std::make_unique<Session>();
        }
        file.release();
        if (catchUp == u"value") {
            session->settings.target = SettingText::target(u"Text-Datei"_s);
            session->settings.textFilePath = path;
            session->delivery.deliver(u"5"_s);
        } else if (catchUp == u"restart") {
            session->delivery.resumeWaiting();
        }
        QTRY_COMPARE_WITH_TIMEOUT(session->delivery.waitingCount(), 0, 2 * Delivery::RetryIntervalMs);
        QTEST(file.lines(), "lines");
        QCOMPARE(session->status.last(), u"All waiting values are delivered."_s);
        QCOMPARE(QDir(folder.file(u"outbox"_s)).entryList(QDir::Files), QStringList());
    }
};

QTEST_GUILESS_MAIN(tst_Outbox)
#include "tst_Outbox.moc"
