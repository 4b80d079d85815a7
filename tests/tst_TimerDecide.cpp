#include "core/MainController.h"
#include "language/LanguageTable.h"
#include "settings/LocaleFormats.h"
#include "support/ProgramFolder.h"
#include "support/RecordingMainView.h"
#include "support/ScriptedDialogs.h"
#include "triggers/TimerDecide.h"

#include <QtTest>

namespace {

const QDateTime Morning(QDate(2026, 3, 4), QTime(8, 0, 0));

struct Schedule {
    Schedule() : controller(view, dialogs), timer(controller) {
        timer.now = [this] { return clock; };
        Settings& s = controller.settings();
        s.portnum = QStringLiteral("99");
        s.modus = QStringLiteral("TIMER");
        s.int_std = s.int_min = s.int_sek = QStringLiteral("0");
        s.anz_mess = QStringLiteral("0");
    }
    void startAt(const QDateTime& start, const QDateTime& stop) {
        Settings& s = controller.settings();
        s.d_start = LocaleFormats::dateText(start.date());
        s.t_start = LocaleFormats::timeText(start.time());
        s.d_end = LocaleFormats::dateText(stop.date());
        s.t_end = LocaleFormats::timeText(stop.time());
        controller.Command5_Click(2);
    }
    // One accepted value at the clock's time; true when it is transferred.
    bool value() {
        controller.TransferPending = false;
        timer.endCheck();
        timer.decide();
        return controller.TransferPending;
    }
    ProgramFolder folder;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    MainController controller;
    TimerDecide timer;
    QDateTime clock = Morning;
};

} // namespace

class tst_TimerDecide : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void schedules_data();
    void schedules();
    void countModeStatus();
    void futureStartWaits();
    void stopDateEndsWithCount();
    void stopAndRestart();
    void minimisedStartGoesToTitle();
    void interval_data();
    void interval();
    void notInTimerMode();
};

void tst_TimerDecide::initTestCase() {
    ProgramFolder folder;
    LanguageTable::instance().load(folder.file(QStringLiteral("language.ini")), QStringLiteral("ENGLISH"));
}

void tst_TimerDecide::schedules_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("seconds");
    QTest::addColumn<int>("startOffset"); // seconds from the first value
    QTest::addColumn<int>("stopOffset");
    QTest::addColumn<QList<int>>("transferredAt"); // seconds of the values sent on, one value a second

    QTest::newRow("count 3 every 10 s") << "1"
                                        << "3"
                                        << "10" << -3600 << 3600 << QList<int>{0, 10, 20};
    QTest::newRow("count 0 sends nothing") << "1"
                                           << "0"
                                           << "10" << -3600 << 3600 << QList<int>{};
    QTest::newRow("interval 0 sends every value")
        << "0"
        << "0"
        << "0" << -3600 << 3600
        << QList<int>{0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19,
                      20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39};
    QTest::newRow("start in 15 s, every 10 s") << "0"
                                               << "0"
                                               << "10" << 15 << 3600 << QList<int>{15, 25, 35};
    QTest::newRow("stop after 25 s") << "0"
                                     << "0"
                                     << "10" << -10 << 25 << QList<int>{0, 10, 20};
}

void tst_TimerDecide::schedules() {
    QFETCH(QString, mode);
    QFETCH(QString, count);
    QFETCH(QString, seconds);
    QFETCH(int, startOffset);
    QFETCH(int, stopOffset);
    QFETCH(QList<int>, transferredAt);
    Schedule s;
    Settings& settings = s.controller.settings();
    settings.int_modus = mode;
    settings.anz_mess = count;
    settings.int_sek = seconds;
    s.startAt(Morning.addSecs(startOffset), Morning.addSecs(stopOffset));
    QList<int> transferred;
    for (int second = 0; second < 40; ++second) {
        s.clock = Morning.addSecs(second);
        if (s.value()) {
            transferred.append(second);
        }
    }
    QCOMPARE(transferred, transferredAt);
}

void tst_TimerDecide::countModeStatus() {
    Schedule s;
    s.controller.settings().int_modus = QStringLiteral("1");
    s.controller.settings().anz_mess = QStringLiteral("3");
    s.controller.settings().int_sek = QStringLiteral("10");
    s.startAt(Morning.addSecs(-60), Morning.addSecs(3600));
    QVERIFY(s.value());
    QCOMPARE(s.view.statusText(), TimerDecide::dueText(Morning.addSecs(10)) + QStringLiteral(" ( 1)"));
    QCOMPARE(s.controller.TimerCount, 1);
    for (int second = 1; second <= 20; ++second) {
        s.clock = Morning.addSecs(second);
        s.value();
    }
    QCOMPARE(s.controller.TimerCount, 3);
    QVERIFY(s.controller.TimerRunning);
    // The value after the last one stops the timer.
    s.clock = Morning.addSecs(21);
    QVERIFY(!s.value());
    QVERIFY(!s.controller.TimerRunning);
    QVERIFY(s.view.isButtonEnabled(2));
    QVERIFY(!s.view.isButtonEnabled(3));
}

void tst_TimerDecide::futureStartWaits() {
    Schedule s;
    s.controller.settings().int_modus = QStringLiteral("0");
    s.controller.settings().int_sek = QStringLiteral("5");
    s.startAt(Morning.addSecs(30), Morning.addSecs(3600));
    QVERIFY(!s.value());
    QCOMPARE(s.view.statusText(),
             LanguageText(QStringLiteral("TextTimerAktivStart")) + TimerDecide::dueText(Morning.addSecs(30)));
    s.clock = Morning.addSecs(30);
    QVERIFY(s.value());
}

void tst_TimerDecide::stopDateEndsWithCount() {
    Schedule s;
    s.controller.settings().int_modus = QStringLiteral("0");
    s.controller.settings().int_sek = QStringLiteral("10");
    s.startAt(Morning.addSecs(-5), Morning.addSecs(15));
    QVERIFY(s.value()); // 08:00:00, next due 08:00:10
    s.clock = Morning.addSecs(10);
    QVERIFY(s.value()); // next due 08:00:20, after the stop time
    s.clock = Morning.addSecs(11);
    QVERIFY(!s.value());
    QVERIFY(!s.controller.TimerRunning);
    QCOMPARE(s.view.statusText(), LanguageText(QStringLiteral("TextTimerGestoppt")) + QStringLiteral("2") +
                                      LanguageText(QStringLiteral("TextUndMesswerteGesendet")));
}

void tst_TimerDecide::stopAndRestart() {
    Schedule s;
    s.controller.settings().int_modus = QStringLiteral("1");
    s.controller.settings().anz_mess = QStringLiteral("5");
    s.startAt(Morning.addSecs(-5), Morning.addSecs(3600));
    QVERIFY(s.value());
    QCOMPARE(s.controller.TimerCount, 1);
    s.controller.Command5_Click(3);
    QVERIFY(s.controller.TimerDue.isNull());
    QCOMPARE(s.view.statusText(), QString());
    QVERIFY(!s.value());
    s.controller.Command5_Click(2);
    QCOMPARE(s.controller.TimerCount, 0);
    QVERIFY(s.value());
    QCOMPARE(s.controller.TimerCount, 1);
}

void tst_TimerDecide::minimisedStartGoesToTitle() {
    Schedule s;
    s.view.minimized = true;
    s.view.setStatusText(QStringLiteral("before"));
    s.startAt(Morning.addSecs(60), Morning.addSecs(3600));
    QCOMPARE(s.view.windowTitle(),
             LanguageText(QStringLiteral("TextTimerAktivStart")) + TimerDecide::dueText(Morning.addSecs(60)));
    QVERIFY(!s.view.statusText().startsWith(LanguageText(QStringLiteral("TextTimerAktivStart"))));
}

void tst_TimerDecide::interval_data() {
    QTest::addColumn<QString>("hours");
    QTest::addColumn<QString>("minutes");
    QTest::addColumn<QString>("seconds");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("carried into larger units") << "0"
                                               << "90"
                                               << "75" << qint64(5475);
    QTest::newRow("hours") << "2"
                           << "0"
                           << "0" << qint64(7200);
    QTest::newRow("not a number counts 0") << "x"
                                           << "1"
                                           << "" << qint64(60);
    QTest::newRow("beyond 16 bits counts 0") << "40000"
                                             << "0"
                                             << "1" << qint64(1);
}

void tst_TimerDecide::interval() {
    QFETCH(QString, hours);
    QFETCH(QString, minutes);
    QFETCH(QString, seconds);
    QFETCH(qint64, expected);
    QCOMPARE(TimerDecide::intervalSeconds(hours, minutes, seconds), expected);
}

void tst_TimerDecide::notInTimerMode() {
    Schedule s;
    s.controller.settings().modus = QStringLiteral("PRINT");
    s.controller.Command5_Click(2);
    QVERIFY(!s.controller.TimerRunning);
    QVERIFY(!s.value());
}

QTEST_GUILESS_MAIN(tst_TimerDecide)
#include "tst_TimerDecide.moc"
