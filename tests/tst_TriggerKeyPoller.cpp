// Matching the hotkey and device command tables against a scripted key state.

#include "platform/RecordingKeyState.h"
#include "settings/Settings.h"
#include "triggers/TriggerKeyPoller.h"

#include <QtTest>

namespace {

constexpr int Shift = 16;
constexpr int Ctrl = 17;
constexpr int Alt = 18;
constexpr int F1 = 112;

constexpr int fKey(int number) {
    return F1 + number - 1;
}

void setKeys(std::array<QString, Settings::HotkeyCells + 1>& row, const QString& k1, const QString& k2,
             const QString& k3) {
    row[1] = k1;
    row[2] = k2;
    row[3] = k3;
}

void setKeys(std::array<QString, Settings::ActionCells + 1>& row, const QString& k1, const QString& k2,
             const QString& k3) {
    row[1] = k1;
    row[2] = k2;
    row[3] = k3;
}

} // namespace

class tst_TriggerKeyPoller : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstKeyCodes_data();
    void firstKeyCodes();
    void thirdKeyCodes_data();
    void thirdKeyCodes();
    void allRowsEmptyQueriesNothing();
    void secondKeyWithoutFirstNeverMatches();
    void thirdKeyWithoutSecondNeverMatches();
    void singleKeyMatchesWhenDownOrPressed();
    void unknownThirdKeyIsPolledAsCode3();
    void keysQueriedInOrderEvenAfterAMiss();
    void highestMatchingRowWins();
    void heldCombinationMatchesEveryPoll();
    void hotkeysNeedEachStateDeviceKeysACommonBit();
    void deviceRowsAreNumberedFromZero();
    void threeKeyDeviceCombination();
    void namesAreCaseSensitive();
    void stalePressesAreDiscarded();
    void withoutKeyStateNothingMatches();
};

void tst_TriggerKeyPoller::firstKeyCodes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    QTest::newRow("CTRL") << "CTRL" << 17;
    QTest::newRow("ALT") << "ALT" << 18;
    QTest::newRow("SHIFT") << "SHIFT" << 16;
    QTest::newRow("ESC") << "ESC" << 27;
    QTest::newRow("PRINT") << "PRINT" << 44;
    for (int key = 1; key <= 12; ++key) {
        const QString name = u'F' + QString::number(key);
        QTest::newRow(qPrintable(name)) << name << 111 + key;
    }
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("unknown") << "NUM" << 0;
    QTest::newRow("F13 is not offered") << "F13" << 0;
    QTest::newRow("F0") << "F0" << 0;
    QTest::newRow("lower case") << "ctrl" << 0;
    QTest::newRow("trailing space") << "F1 " << 0;
}

void tst_TriggerKeyPoller::firstKeyCodes() {
    QFETCH(QString, name);
    QFETCH(int, code);
    QCOMPARE(TriggerKeyPoller::firstKeyCode(name), code);
}

void tst_TriggerKeyPoller::thirdKeyCodes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("F1") << "F1" << 112;
    QTest::newRow("F12") << "F12" << 123;
    QTest::newRow("CTRL is not a third key") << "CTRL" << 3;
    QTest::newRow("unknown") << "Q" << 3;
    QTest::newRow("f5 lower case") << "f5" << 3;
}

void tst_TriggerKeyPoller::thirdKeyCodes() {
    QFETCH(QString, name);
    QFETCH(int, code);
    QCOMPARE(TriggerKeyPoller::thirdKeyCode(name), code);
}

void tst_TriggerKeyPoller::allRowsEmptyQueriesNothing() {
    Settings settings;
    RecordingKeyState keys;
    keys.held = {Ctrl, fKey(1), fKey(5)};
    TriggerKeyPoller poller(settings, &keys);
    QCOMPARE(poller.PollHotkeys(), -1);
    QCOMPARE(poller.PollDeviceCommandKeys(), -1);
    QVERIFY(keys.queries.isEmpty());
    // Not even the keyboard is read.
    QCOMPARE(keys.updates, 0);
}

void tst_TriggerKeyPoller::secondKeyWithoutFirstNeverMatches() {
    Settings settings;
    setKeys(settings.Hotkeys[0], {}, QStringLiteral("F5"), {});
    setKeys(settings.Action[0], QStringLiteral("NUM"), QStringLiteral("F5"), {});
    RecordingKeyState keys;
    keys.held = {fKey(5)};
    TriggerKeyPoller poller(settings, &keys);
    QCOMPARE(poller.PollHotkeys(), -1);
    QCOMPARE(poller.PollDeviceCommandKeys(), -1);
    QVERIFY(keys.queries.isEmpty());
}

void tst_TriggerKeyPoller::thirdKeyWithoutSecondNeverMatches() {
    Settings settings;
    setKeys(settings.Hotkeys[4], QStringLiteral("CTRL"), {}, QStringLiteral("F5"));
    setKeys(settings.Action[4], QStringLiteral("CTRL"), {}, QStringLiteral("F5"));
    RecordingKeyState keys;
    keys.held = {Ctrl, fKey(5)};
    TriggerKeyPoller poller(settings, &keys);
    QCOMPARE(poller.PollHotkeys(), -1);
    QCOMPARE(poller.PollDeviceCommandKeys(), -1);
    QVERIFY(keys.queries.isEmpty());
}

void tst_TriggerKeyPoller::singleKeyMatchesWhenDownOrPressed() {
    Settings settings;
    setKeys(settings.Hotkeys[3], QStringLiteral("F9"), {}, {});
    RecordingKeyState keys;
    TriggerKeyPoller poller(settings, &keys);

    QCOMPARE(poller.PollHotkeys(), -1);
    keys.held = {fKey(9)};
    QCOMPARE(poller.PollHotkeys(), 4);
    keys.held.clear();
    keys.pressed = {fKey(9)};
    QCOMPARE(poller.PollHotkeys(), 4);
    // The pressed bit was consumed by that query.
    QCOMPARE(poller.PollHotkeys(), -1);
    QCOMPARE(keys.queries, (QList<int>{fKey(9), fKey(9), fKey(9), fKey(9)}));
    // The keyboard is read once per poll that asks for keys.
    QCOMPARE(keys.updates, 4);
}

void tst_TriggerKeyPoller::unknownThirdKeyIsPolledAsCode3() {
    Settings settings;
    setKeys(settings.Hotkeys[0], QStringLiteral("CTRL"), QStringLiteral("ALT"), QStringLiteral("X"));
    RecordingKeyState keys;
    keys.held = {Ctrl, Alt};
    TriggerKeyPoller poller(settings, &keys);
    QCOMPARE(poller.PollHotkeys(), -1);
    QCOMPARE(keys.queries, (QList<int>{Ctrl, Alt, 3}));
    keys.held.insert(3);
    QCOMPARE(poller.PollHotkeys(), 1);
}

void tst_TriggerKeyPoller::keysQueriedInOrderEvenAfterAMiss() {
    Settings settings;
    setKeys(settings.Hotkeys[1], QStringLiteral("SHIFT"), QStringLiteral("F2"), {});
    setKeys(settings.Hotkeys[2], QStringLiteral("ALT"), QStringLiteral("CTRL"), QStringLiteral("F3"));
    RecordingKeyState keys;
    // Nothing is down, F2 and F3 were pressed: every key of every row is still asked, so
    // the presses are consumed although no row matches.
    keys.pressed = {fKey(2), fKey(3)};
    TriggerKeyPoller poller(settings, &keys);
    QCOMPARE(poller.PollHotkeys(), -1);
    QCOMPARE(keys.queries, (QList<int>{Shift, fKey(2), Alt, Ctrl, fKey(3)}));
    QVERIFY(keys.pressed.isEmpty());
}

void tst_TriggerKeyPoller::highestMatchingRowWins() {
    Settings settings;
    setKeys(settings.Hotkeys[2], QStringLiteral("F3"), {}, {});
    setKeys(settings.Hotkeys[6], QStringLiteral("CTRL"), QStringLiteral("F7"), {});
    RecordingKeyState keys;
    keys.held = {fKey(3), Ctrl, fKey(7)};
    TriggerKeyPoller poller(settings, &keys);
    QCOMPARE(poller.PollHotkeys(), 7);
    keys.held.remove(fKey(7));
    QCOMPARE(poller.PollHotkeys(), 3);
}

void tst_TriggerKeyPoller::heldCombinationMatchesEveryPoll() {
    Settings settings;
    setKeys(settings.Hotkeys[0], QStringLiteral("CTRL"), QStringLiteral("SHIFT"), QStringLiteral("F1"));
    RecordingKeyState keys;
    keys.held = {Ctrl, Shift, fKey(1)};
    TriggerKeyPoller poller(settings, &keys);
    for (int tick = 0; tick < 3; ++tick) {
        QCOMPARE(poller.PollHotkeys(), 1);
    }
}

void tst_TriggerKeyPoller::hotkeysNeedEachStateDeviceKeysACommonBit() {
    Settings settings;
    setKeys(settings.Hotkeys[5], QStringLiteral("CTRL"), QStringLiteral("F6"), {});
    setKeys(settings.Action[5], QStringLiteral("CTRL"), QStringLiteral("F6"), {});
    RecordingKeyState keys;
    TriggerKeyPoller poller(settings, &keys);

    // Ctrl held (0x8000), F6 only pressed and released (0x0001).
    keys.held = {Ctrl};
    keys.pressed = {fKey(6)};
    QCOMPARE(poller.PollHotkeys(), 6);
    keys.pressed = {fKey(6)};
    QCOMPARE(poller.PollDeviceCommandKeys(), -1);

    // Both held: both polls match.
    keys.held = {Ctrl, fKey(6)};
    QCOMPARE(poller.PollHotkeys(), 6);
    QCOMPARE(poller.PollDeviceCommandKeys(), 5);

    // Both only pressed: the pressed bits are common.
    keys.held.clear();
    keys.pressed = {Ctrl, fKey(6)};
    QCOMPARE(poller.PollDeviceCommandKeys(), 5);
}

void tst_TriggerKeyPoller::deviceRowsAreNumberedFromZero() {
    Settings settings;
    setKeys(settings.Action[0], QStringLiteral("ESC"), {}, {});
    setKeys(settings.Action[7], QStringLiteral("PRINT"), {}, {});
    RecordingKeyState keys;
    TriggerKeyPoller poller(settings, &keys);
    keys.held = {27};
    QCOMPARE(poller.PollDeviceCommandKeys(), 0);
    keys.held = {27, 44};
    QCOMPARE(poller.PollDeviceCommandKeys(), 7);
}

void tst_TriggerKeyPoller::threeKeyDeviceCombination() {
    Settings settings;
    setKeys(settings.Action[2], QStringLiteral("CTRL"), QStringLiteral("ALT"), QStringLiteral("F12"));
    RecordingKeyState keys;
    TriggerKeyPoller poller(settings, &keys);
    keys.held = {Ctrl, Alt};
    QCOMPARE(poller.PollDeviceCommandKeys(), -1);
    QCOMPARE(keys.queries, (QList<int>{Ctrl, Alt, fKey(12)}));
    keys.held.insert(fKey(12));
    QCOMPARE(poller.PollDeviceCommandKeys(), 2);
}

void tst_TriggerKeyPoller::namesAreCaseSensitive() {
    Settings settings;
    setKeys(settings.Hotkeys[0], QStringLiteral("f9"), {}, {});
    RecordingKeyState keys;
    keys.held = {fKey(9)};
    TriggerKeyPoller poller(settings, &keys);
    QCOMPARE(poller.PollHotkeys(), -1);
    QVERIFY(keys.queries.isEmpty());
}

void tst_TriggerKeyPoller::stalePressesAreDiscarded() {
    Settings settings;
    setKeys(settings.Hotkeys[0], QStringLiteral("F9"), {}, {});
    setKeys(settings.Action[1], QStringLiteral("F10"), {}, {});
    RecordingKeyState keys;
    TriggerKeyPoller poller(settings, &keys);
    keys.pressed = {fKey(9), fKey(10)};
    poller.discardStalePresses();
    QCOMPARE(poller.PollHotkeys(), -1);
    QCOMPARE(poller.PollDeviceCommandKeys(), -1);
    // A key still held is no stale press: it fires.
    keys.held = {fKey(10)};
    poller.discardStalePresses();
    QCOMPARE(poller.PollDeviceCommandKeys(), 1);
}

void tst_TriggerKeyPoller::withoutKeyStateNothingMatches() {
    Settings settings;
    setKeys(settings.Hotkeys[0], QStringLiteral("F9"), {}, {});
    setKeys(settings.Action[0], QStringLiteral("F9"), {}, {});
    TriggerKeyPoller poller(settings, nullptr);
    QVERIFY(!poller.available());
    QCOMPARE(poller.PollHotkeys(), -1);
    QCOMPARE(poller.PollDeviceCommandKeys(), -1);
}

QTEST_GUILESS_MAIN(tst_TriggerKeyPoller)
#include "tst_TriggerKeyPoller.moc"
