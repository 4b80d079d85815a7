#include "base/config/SettingText.h"
#include "base/texts/LanguageTable.h"
#include "base/triggers/TimerFields.h"
#include "base/triggers/TimerSchedule.h"
#include "base/triggers/TriggerKeys.h"
#include "support/RecordingKeyState.h"
#include "support/TestFiles.h"

#include <QtTest>

#include <climits>

namespace {

constexpr int Shift = 16, Ctrl = 17, Alt = 18, Esc = 27, Print = 44;
constexpr int F(int n) {
    return 111 + n;
}

// Hotkey and device command rows alike, as "ROW:KEY1,KEY2,KEY3" separated by blanks.
Settings withRows(const QString& rows) {
    Settings settings;
    for (const QString& row : rows.split(u' ', Qt::SkipEmptyParts)) {
        const auto r = std::size_t(row.section(u':', 0, 0).toInt());
        const QStringList k = QString(row.section(u':', 1) + QStringLiteral(",,")).split(u',');
        settings.hotkeys[r].keys = settings.deviceCommands[r].keys =
            SettingText::triggerKeys(k[0], k[1], k[2]);
    }
    return settings;
}

RecordingKeyState keysWith(const QList<int>& held, const QList<int>& pressed) {
    RecordingKeyState keys;
    keys.held = QSet<int>(held.begin(), held.end());
    keys.pressed = QSet<int>(pressed.begin(), pressed.end());
    return keys;
}

constexpr int None = INT_MIN;

// Seconds from 08:00:00 on 4 March 2026.
QDateTime at(int offset) {
    return offset == None ? QDateTime() : QDateTime(QDate(2026, 3, 4), QTime(8, 0)).addSecs(offset);
}

// One accepted value against a timer schedule; times in seconds as at() takes them.
struct ScheduleCase {
    const char* name;
    int mode; // 0 start/stop, 1 count
    int count;
    const char* interval; // [[hours:]minutes:]seconds
    int start, stop;
    bool running;
    int due, taken, now;
    const char* end;     // the end check: nullptr goes on, "" stops without a text
    const char* outcome; // what of "due", "transfer" and "stop" the decision says
    int next;
    const char* status; // %1 stands for the next due time, or the due time before the start
};

constexpr ScheduleCase Schedules[] = {
    {"count: first value is due now", 1, 3, "10", -3600, 3600, true, -3600, 0, 5, nullptr, "due transfer", 15,
     "%1 ( 1)"},
    {"count: next from the due time", 1, 3, "10", -3600, 3600, true, 15, 1, 17, nullptr, "due transfer", 25,
     "%1 ( 2)"},
    {"count: not yet due", 1, 3, "10", -3600, 3600, true, 15, 1, 14, nullptr, "", None, nullptr},
    {"count reached", 1, 3, "10", -3600, 3600, true, 45, 3, 45, "", "due stop", 55, "%1 ( 4)"},
    {"count reached, timer stopped", 1, 3, "10", -3600, 3600, false, 45, 3, 40, nullptr, "", None, nullptr},
    {"count of 0", 1, 0, "10", -3600, 3600, true, 0, 0, 0, "", "due stop", 10, "%1 ( 1)"},
    {"before the start", 0, 0, "10", 30, 3600, true, 30, 0, 29, nullptr, "", None,
     "Timer active, start at %1"},
    {"at the start", 0, 0, "10", 30, 3600, true, 30, 0, 30, nullptr, "due transfer", 40, "%1 ( 1)"},
    {"no due time", 0, 0, "10", -5, 3600, true, None, 0, 0, nullptr, "", None, nullptr},
    {"due time after the stop", 0, 0, "10", -5, 15, true, 20, 2, 21, "Timer stopped, 2 values sent",
     "due stop", 30, "%1 ( 3)"},
    {"due time on the stop", 0, 0, "10", -5, 15, true, 15, 1, 15, nullptr, "due stop", 25, "%1 ( 2)"},
    {"yesterday's due time on today", 0, 0, "10", -86400, 15, true, 20 - 86400, 1, 0,
     "Timer stopped, 1 values sent", "due transfer", 30 - 86400, "%1 ( 2)"},
    {"no stop time", 0, 0, "10", -5, None, true, 0, 0, 0, nullptr, "due stop", 10, "%1 ( 1)"},
    {"interval carried", 1, 3, "1:90:75", -5, 3600, true, 0, 0, 0, nullptr, "due transfer", 9075, "%1 ( 1)"},
    {"other mode takes nothing", 2, 3, "10", -5, 15, true, 20, 1, 21, nullptr, "due", 30, "%1 ( 2)"},
};

} // namespace

class tst_Triggers : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        LanguageTable::instance().load(TestFiles::sourceDataDir() + QStringLiteral("/language.ini"),
                                       QStringLiteral("ENGLISH"));
    }

    void poll_data() {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QList<int>>("held");
        QTest::addColumn<QList<int>>("pressed");
        QTest::addColumn<int>("button");  // hotkey row r presses button r + 1; 0 for none
        QTest::addColumn<int>("command"); // device command row; -1 for none
        QTest::addColumn<QList<int>>("queries");
        using L = QList<int>;
        QTest::newRow("no rows: the keyboard is not read") << "" << L{Ctrl, F(1)} << L{} << 0 << -1 << L{};
        QTest::newRow("one key held") << "3:F9" << L{F(9)} << L{} << 4 << 3 << L{F(9)};
        QTest::newRow("two held") << "5:CTRL,F6" << L{Ctrl, F(6)} << L{} << 6 << 5 << L{Ctrl, F(6)};
        QTest::newRow("held, pressed: no bit in common")
            << "5:CTRL,F6" << L{Ctrl} << L{F(6)} << 6 << -1 << L{Ctrl, F(6)};
        QTest::newRow("both pressed") << "5:CTRL,F6" << L{} << L{Ctrl, F(6)} << 6 << 5 << L{Ctrl, F(6)};
        QTest::newRow("second up") << "0:SHIFT,F2" << L{Shift} << L{} << 0 << -1 << L{Shift, F(2)};
        QTest::newRow("unknown third key is code 3")
            << "0:CTRL,ALT,X" << L{Ctrl, Alt, 3} << L{} << 1 << 0 << L{Ctrl, Alt, 3};
        QTest::newRow("third key without second") << "4:CTRL,,F5" << L{Ctrl, F(5)} << L{} << 0 << -1 << L{};
        QTest::newRow("second key without first") << "0:,F5" << L{F(5)} << L{} << 0 << -1 << L{};
        QTest::newRow("highest row wins")
            << "2:F3 6:CTRL,F7" << L{F(3), Ctrl, F(7)} << L{} << 7 << 6 << L{F(3), Ctrl, F(7)};
        QTest::newRow("every key asked after a miss") << "1:SHIFT,F2 2:ALT,CTRL,F3" << L{} << L{F(2), F(3)}
                                                      << 0 << -1 << L{Shift, F(2), Alt, Ctrl, F(3)};
        QTest::newRow("first and last row")
            << "0:ESC 7:PRINT" << L{Esc, Print} << L{} << 8 << 7 << L{Esc, Print};
    }

    void poll() {
        QFETCH(QString, rows);
        QFETCH(QList<int>, held);
        QFETCH(QList<int>, pressed);
        QFETCH(QList<int>, queries);
        const Settings settings = withRows(rows);
        RecordingKeyState hotkeyState = keysWith(held, pressed);
        const auto hotkey = TriggerKeys(settings, &hotkeyState).pollHotkeys();
        QTEST(hotkey ? static_cast<int>(*hotkey) : 0, "button");
        QCOMPARE(hotkeyState.queries, queries);
        QCOMPARE(hotkeyState.updates, queries.isEmpty() ? 0 : 1);
        RecordingKeyState commandState = keysWith(held, pressed);
        QTEST(TriggerKeys(settings, &commandState).pollDeviceCommandKeys().value_or(-1), "command");
        QCOMPARE(commandState.queries, queries);
    }

    void stalePressesAndNoKeyState() {
        const Settings settings = withRows(QStringLiteral("0:F9 1:F10"));
        RecordingKeyState keys = keysWith({}, {F(9), F(10)});
        TriggerKeys triggers(settings, &keys);
        triggers.discardStalePresses();
        QCOMPARE(triggers.pollHotkeys(), std::nullopt);
        QCOMPARE(triggers.pollDeviceCommandKeys(), std::nullopt);
        // A key still held is no stale press.
        keys.held = {F(10)};
        triggers.discardStalePresses();
        QCOMPARE(triggers.pollDeviceCommandKeys(), 1);
        QCOMPARE(triggers.pollHotkeys(), MainButton::TimerStart);
        TriggerKeys withoutDisplay(settings, nullptr);
        QCOMPARE(withoutDisplay.pollHotkeys(), std::nullopt);
        QCOMPARE(withoutDisplay.pollDeviceCommandKeys(), std::nullopt);
    }

    void schedule_data() {
        QTest::addColumn<int>("row");
        for (int row = 0; row < int(std::size(Schedules)); ++row) {
            QTest::newRow(Schedules[row].name) << row;
        }
    }

    void schedule() {
        QFETCH(int, row);
        const ScheduleCase& c = Schedules[row];
        Settings s;
        s.timerMode = SettingText::timerMode(QString::number(c.mode));
        s.measurementCount = SettingText::wholeNumber(QString::number(c.count));
        const QStringList interval = QString(QStringLiteral("0:0:") + QLatin1String(c.interval)).split(u':');
        s.intervalHours = SettingText::shortNumber(interval.at(interval.size() - 3));
        s.intervalMinutes = SettingText::shortNumber(interval.at(interval.size() - 2));
        s.intervalSeconds = SettingText::shortNumber(interval.last());
        s.startDate = {{}, at(c.start).date()};
        s.startTime = {{}, at(c.start).time()};
        s.stopDate = {{}, at(c.stop).date()}; // invalid for None: no stop time
        s.stopTime = {{}, at(c.stop).time()};
        TimerSchedule schedule(s);
        schedule.now = [&c] { return at(c.now); };
        const TimerRun run{c.running, at(c.due), c.taken};

        const TimerSchedule::End end = schedule.endCheck(run);
        QCOMPARE(end.stopTimer, c.end != nullptr);
        QCOMPARE(end.status.value_or("-"), QString::fromUtf8(c.end && *c.end ? c.end : "-"));
        const TimerSchedule::Decision d = schedule.decide(run);
        const QStringList outcome{d.fellDue ? "due" : "", d.transfer ? "transfer" : "",
                                  d.stopTimer ? "stop" : ""};
        QCOMPARE(outcome.join(u' ').simplified(), QLatin1String(c.outcome));
        QCOMPARE(d.showRunningButtons, d.transfer && c.mode == 0);
        QCOMPARE(d.nextDue.value_or(QDateTime()), at(c.next));
        const QString time =
            at(c.next == None ? c.due : c.next).toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
        QCOMPARE(d.status.value_or("-"),
                 c.status ? QString::fromUtf8(c.status).arg(time) : QStringLiteral("-"));
    }

    void timerFields_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("message"); // -1: accepted
        QTest::addColumn<QString>("normalized");
        using K = TimerFields::Kind;
        const int ok = -1, number = int(TextKey::EnterNumber), aboveZero = int(TextKey::EnterNumberAboveZero);
        const QString n;
        QTest::newRow("interval decimal comma") << int(K::Interval) << "1,5" << ok << n;
        QTest::newRow("interval empty") << int(K::Interval) << "" << number << n;
        QTest::newRow("interval infinite") << int(K::Interval) << "inf" << number << n;
        QTest::newRow("count 3") << int(K::Count) << "3" << ok << n;
        QTest::newRow("count 0") << int(K::Count) << "0" << aboveZero << n;
        QTest::newRow("date") << int(K::Date) << "31.12.2026" << ok << n;
        QTest::newRow("no such day") << int(K::Date) << "30.02.2026" << int(TextKey::EnterDate) << n;
        QTest::newRow("time rewritten") << int(K::Time) << "7:05" << ok << "07:05:00";
        QTest::newRow("no such hour") << int(K::Time) << "24:00" << int(TextKey::EnterTime) << n;
    }

    void timerFields() {
        QFETCH(int, kind);
        QFETCH(QString, text);
        QFETCH(int, message);
        const TimerFields::Check check = TimerFields::check(static_cast<TimerFields::Kind>(kind), text);
        QCOMPARE(check.ok, message < 0);
        QCOMPARE(check.message ? int(*check.message) : -1, message);
        QTEST(check.normalized.value_or(QString()), "normalized");
    }
};

int main(int argc, char** argv) {
    // The timer reads and writes dates, times and numbers as the German locale does.
    qputenv("LC_ALL", "de_DE.UTF-8");
    QCoreApplication app(argc, argv);
    tst_Triggers test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_Triggers.moc"
