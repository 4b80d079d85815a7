// Hotkeys through the desktop's GlobalShortcuts portal, against a fake portal on a private
// session bus: each hotkey and device command row is bound as a shortcut with the trigger its
// keys make, the rows are bound again when they change, an activation makes the row's hotkey or
// device command fire, and an activation while Kelvane types (or just after) does not count.

#include "base/config/SettingText.h"
#include "base/config/Settings.h"
#include "base/delivery/KeyTokenizer.h"
#include "base/texts/LanguageTable.h"
#include "base/triggers/TriggerKeys.h"
#include "platform/PlatformFactory.h"
#include "platform/portal/PortalKeyState.h"
#include "platform/portal/PortalTrigger.h"
#include "support/DeviceSimulator.h"
#include "support/FakePortal.h"
#include "support/FakeShortcutsPortal.h"
#include "support/HeadlessProgram.h"
#include "support/PrivateBus.h"
#include "support/ProgramFolder.h"
#include "support/TestFiles.h"

#include <QtTest>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

constexpr int Shift = 16, Ctrl = 17, Alt = 18, Esc = 27, Print = 44;
constexpr int F(int n) {
    return 111 + n;
}

// The rows the tests bind: hotkeys 1 (F1), 3 (Ctrl+Shift+F2) and 5 (Shift+Ctrl, no key the
// desktop could take), device commands 2 (Alt+Esc) and 4 (Print).
Settings rows() {
    Settings settings;
    settings.hotkeys[0].keys = SettingText::triggerKeys(u"F1"_s, {}, {});
    settings.hotkeys[2].keys = SettingText::triggerKeys(u"CTRL"_s, u"SHIFT"_s, u"F2"_s);
    settings.hotkeys[4].keys = SettingText::triggerKeys(u"SHIFT"_s, u"CTRL"_s, {});
    settings.deviceCommands[1].keys = SettingText::triggerKeys(u"ALT"_s, u"ESC"_s, {});
    settings.deviceCommands[3].keys = SettingText::triggerKeys(u"PRINT"_s, {}, {});
    return settings;
}

} // namespace

class tst_PortalShortcuts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void triggers_data();
    void triggers();
    void bindsOneShortcutPerRow();
    void bindsAgainWhenRowsChange();
    void activationFires_data();
    void activationFires();
    void heldShortcutStaysDown();
    void ownTypingDoesNotCount_data();
    void ownTypingDoesNotCount();
    void headlessHotkeyPressesAButton();
    void headlessHotkeyTypesAValue();

private:
    struct Fired {
        std::optional<MainButton> hotkey;
        std::optional<int> deviceCommand;
    };
    Fired poll() { return {m_triggers->pollHotkeys(), m_triggers->pollDeviceCommandKeys()}; }
    FakeShortcutsPortal& shortcuts() { return *m_portal->shortcuts(); }

    PrivateBus m_bus;
    std::unique_ptr<FakePortal> m_portal;
    std::unique_ptr<ProgramFolder> m_folder;
    Settings m_settings;
    PlatformServices m_services;
    std::unique_ptr<TriggerKeys> m_triggers;
};

void tst_PortalShortcuts::initTestCase() {
    if (QStandardPaths::findExecutable(u"dbus-daemon"_s).isEmpty()) {
        QSKIP("dbus-daemon is not installed");
    }
    LanguageTable::instance().load(TestFiles::sourceDataDir() + u"/language.ini"_s, u"ENGLISH"_s);
    QVERIFY(m_bus.start());
    m_bus.makeCurrent();
    // A Wayland session whose compositor is not reachable: the portal serves keys and hotkeys.
    qputenv("WAYLAND_DISPLAY", "/nonexistent/kelvane-test-no-compositor");
    qunsetenv("DISPLAY");
    m_portal = std::make_unique<FakePortal>(m_bus.address(), true);
    QVERIFY(m_portal->isRegistered());
}

void tst_PortalShortcuts::init() {
    m_triggers.reset();
    m_services = {};
    m_portal->reset();
    m_folder = std::make_unique<ProgramFolder>();
    m_settings = rows();
    m_services = PlatformFactory::create();
    QCOMPARE(m_services.backend, PlatformServices::Backend::Portal);
    QVERIFY(m_services.keyState);
    m_triggers = std::make_unique<TriggerKeys>(m_settings, m_services.keyState.get());
}

void tst_PortalShortcuts::triggers_data() {
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::addColumn<int>("third");
    QTest::addColumn<QString>("trigger");
    QTest::newRow("one key") << F(1) << 0 << 0 << u"F1"_s;
    QTest::newRow("highest F key") << F(12) << 0 << 0 << u"F12"_s;
    QTest::newRow("two keys besides modifiers") << Esc << Print << 0 << u""_s;
    QTest::newRow("modifiers in fixed order") << Shift << Alt << F(5) << u"ALT+SHIFT+F5"_s;
    QTest::newRow("modifiers only") << Alt << Ctrl << 0 << u""_s;
    QTest::newRow("Ctrl+Shift+F2") << Shift << Ctrl << F(2) << u"CTRL+SHIFT+F2"_s;
    QTest::newRow("a modifier twice") << Ctrl << Ctrl << Esc << u"CTRL+Escape"_s;
    QTest::newRow("key first") << Print << Alt << 0 << u"ALT+Print"_s;
    QTest::newRow("unknown third key") << Ctrl << Alt << 3 << u""_s;
}

void tst_PortalShortcuts::triggers() {
    QFETCH(int, first);
    QFETCH(int, second);
    QFETCH(int, third);
    QFETCH(QString, trigger);
    QCOMPARE(PortalTrigger::of({first, second, third}), trigger);
}

// The first poll binds every row with keys in one session, the description naming the row; the
// status names the portal.
void tst_PortalShortcuts::bindsOneShortcutPerRow() {
    QVERIFY(PlatformFactory::statusText(m_services).contains(languageText(TextKey::DesktopHotkeysPortal)));
    QVERIFY(shortcuts().bound.isEmpty());
    poll();
    poll();
    QCOMPARE(m_portal->callsOf(u"Shortcuts.CreateSession"_s).size(), 1);
    QCOMPARE(m_portal->callsOf(u"BindShortcuts"_s).size(), 1);
    const QString token = m_portal->callsOf(u"Shortcuts.CreateSession"_s)
                              .at(0)
                              .arguments.at(0)
                              .toMap()
                              .value(u"session_handle_token"_s)
                              .toString();
    QVERIFY2(shortcuts().boundSession.endsWith(u'/' + token), qPrintable(shortcuts().boundSession));
    QStringList bound;
    for (const PortalShortcut& shortcut : std::as_const(shortcuts().bound)) {
        bound << shortcut.id + u'=' + shortcut.properties.value(u"preferred_trigger"_s).toString() + u'|' +
                     shortcut.properties.value(u"description"_s).toString();
    }
    QCOMPARE(bound, (QStringList{u"hotkey-1=F1|Kelvane: hotkey row 1"_s,
                                 u"hotkey-3=CTRL+SHIFT+F2|Kelvane: hotkey row 3"_s,
                                 u"hotkey-5=|Kelvane: hotkey row 5"_s,
                                 u"device-command-2=ALT+Escape|Kelvane: device command 2"_s,
                                 u"device-command-4=Print|Kelvane: device command 4"_s}));
    QVERIFY(!shortcuts().bound.at(2).properties.contains(u"preferred_trigger"_s));
}

// A changed row binds all rows again in a new session; activations of the old one are stale.
void tst_PortalShortcuts::bindsAgainWhenRowsChange() {
    poll();
    const QString first = shortcuts().boundSession;
    m_settings.hotkeys[0].keys = SettingText::triggerKeys(u"F7"_s, {}, {});
    m_settings.deviceCommands[3].keys = SettingText::triggerKeys({}, {}, {});
    poll();
    QCOMPARE(m_portal->callsOf(u"BindShortcuts"_s).size(), 2);
    QVERIFY(shortcuts().boundSession != first);
    QCOMPARE(shortcuts().bound.size(), 4);
    QCOMPARE(shortcuts().bound.at(0).properties.value(u"preferred_trigger"_s).toString(), u"F7"_s);
    QCOMPARE(shortcuts().bound.at(3).id, u"device-command-2"_s);

    const QString current = shortcuts().boundSession;
    shortcuts().boundSession = first;
    QVERIFY(shortcuts().send(u"hotkey-1"_s, true));
    QTest::qWait(200);
    const Fired stale = poll();
    QVERIFY(!stale.hotkey);
    shortcuts().boundSession = current;
    QVERIFY(shortcuts().send(u"hotkey-1"_s, true));
    QTRY_COMPARE(poll().hotkey, std::optional(MainButton(1)));
}

void tst_PortalShortcuts::activationFires_data() {
    QTest::addColumn<QString>("id");
    QTest::addColumn<bool>("released");
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("command");
    QTest::newRow("hotkey row 1, held") << u"hotkey-1"_s << false << 1 << -1;
    QTest::newRow("hotkey row 1, tapped") << u"hotkey-1"_s << true << 1 << -1;
    QTest::newRow("hotkey row 3, three keys, tapped") << u"hotkey-3"_s << true << 3 << -1;
    // Its keys are in row 3 too, which takes their presses first, as with X11 keys; held, its
    // keys read as down.
    QTest::newRow("hotkey row 5, trigger picked in the desktop, held") << u"hotkey-5"_s << false << 5 << -1;
    QTest::newRow("device command 2, held") << u"device-command-2"_s << false << 0 << 1;
    QTest::newRow("device command 4, tapped") << u"device-command-4"_s << true << 0 << 3;
    QTest::newRow("unknown id") << u"hotkey-2"_s << false << 0 << -1;
}

// An activation fires its row at the next poll; a tap (released before that poll) fires it
// once, and the next poll finds nothing.
void tst_PortalShortcuts::activationFires() {
    QFETCH(QString, id);
    QFETCH(bool, released);
    QFETCH(int, button);
    QFETCH(int, command);
    QVERIFY(!poll().hotkey);
    QVERIFY(shortcuts().send(id, true));
    if (released) {
        QVERIFY(shortcuts().send(id, false));
    }
    // The signals come through the bus and the event loop.
    QTest::qWait(300);
    const Fired fired = poll();
    QCOMPARE(fired.hotkey.has_value(), button != 0);
    if (button != 0) {
        QCOMPARE(*fired.hotkey, MainButton(button));
    }
    QCOMPARE(fired.deviceCommand.value_or(-1), command);
    if (released) {
        const Fired again = poll();
        QVERIFY(!again.hotkey && !again.deviceCommand);
    }
}

// While the desktop holds the shortcut active the hotkey reads as held, as a held key does, until
// the desktop says it is released.
void tst_PortalShortcuts::heldShortcutStaysDown() {
    poll();
    QVERIFY(shortcuts().send(u"hotkey-1"_s, true));
    QTRY_COMPARE(poll().hotkey, std::optional(MainButton(1)));
    QCOMPARE(poll().hotkey, std::optional(MainButton(1)));
    QVERIFY(shortcuts().send(u"hotkey-1"_s, false));
    QTRY_VERIFY(!poll().hotkey);
}

void tst_PortalShortcuts::ownTypingDoesNotCount_data() {
    QTest::addColumn<bool>("whileTyping");
    QTest::newRow("while typing") << true;
    QTest::newRow("just after typing") << false;
}

// The desktop takes a key Kelvane types for a shortcut: that activation does not count, but the
// user's next one, once the typing is over, does.
void tst_PortalShortcuts::ownTypingDoesNotCount() {
    QFETCH(bool, whileTyping);
    poll();
    if (whileTyping) {
        m_portal->onKey = [this] { shortcuts().send(u"hotkey-1"_s, true); };
    }
    KeyTokenizer::typeText(u"12"_s, *m_services.keyboard);
    QCOMPARE(m_portal->keyEvents().size(), 4);
    m_portal->onKey = nullptr;
    if (!whileTyping) {
        QVERIFY(shortcuts().send(u"hotkey-1"_s, true));
    }
    QTest::qWait(200);
    QVERIFY(!poll().hotkey);
    QVERIFY(shortcuts().send(u"hotkey-1"_s, false));
    QTest::qWait(PortalKeyState::OwnTypingGraceMs);
    QVERIFY(shortcuts().send(u"hotkey-1"_s, true));
    QTRY_COMPARE(poll().hotkey, std::optional(MainButton(1)));
}

// Kelvane headless in hotkey mode against the device simulator, with the portal for keys and
// hotkeys: it binds its rows at start, and the desktop reporting the online button's hotkey
// takes the device offline.
void tst_PortalShortcuts::headlessHotkeyPressesAButton() {
    DeviceSimulator simulator;
    QVERIFY(simulator.start({u"--interval"_s, u"100"_s}));
    m_folder->writeConfiguration(u"standard.cfg"_s,
                                 simulator.portSettings() +
                                     "[Mode]\nmodus=HOTKEY\n[Hotkeys]\nkey0=F9,,,\nkey6=F10,,,\n");
    HeadlessProgram kelvane(*m_folder);
    kelvane.setEnvironmentValue(u"WAYLAND_DISPLAY"_s, u"/nonexistent/kelvane-test-no-compositor"_s);
    QVERIFY(kelvane.start());
    // The fake portal answers from this process: the waits let its events run.
    QTRY_VERIFY2_WITH_TIMEOUT(
        kelvane.standardError().contains(languageText(TextKey::DesktopHotkeysPortal).toUtf8()),
        kelvane.standardError().constData(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!shortcuts().bound.isEmpty(), 10000);
    QStringList bound;
    for (const PortalShortcut& shortcut : std::as_const(shortcuts().bound)) {
        bound << shortcut.id + u'=' + shortcut.properties.value(u"preferred_trigger"_s).toString();
    }
    QCOMPARE(bound, (QStringList{u"hotkey-1=F9"_s, u"hotkey-7=F10"_s}));
    const QByteArray offline = "status: " + languageText(TextKey::DeviceInactive).toUtf8() + '\n';
    QTRY_VERIFY2_WITH_TIMEOUT(kelvane.standardError().contains("status: Device activated TCP/IP"),
                              kelvane.standardError().constData(), 10000);
    QVERIFY(!kelvane.standardError().contains(offline));
    QVERIFY(shortcuts().send(u"hotkey-7"_s, true));
    QVERIFY(shortcuts().send(u"hotkey-7"_s, false));
    QTRY_VERIFY2_WITH_TIMEOUT(kelvane.standardError().contains(offline), kelvane.standardError().constData(),
                              10000);
    QVERIFY(kelvane.signalAndWait(SIGTERM) && kelvane.exitCode() == 0);
    QVERIFY2(!kelvane.standardError().contains("message:"), kelvane.standardError().constData());
}

// The same program with its value going to the focused window: the desktop reporting the take-value
// hotkey has the value typed through the RemoteDesktop portal, once.
void tst_PortalShortcuts::headlessHotkeyTypesAValue() {
    DeviceSimulator simulator;
    QVERIFY(simulator.start({u"--interval"_s, u"100"_s, u"--ramp"_s, u"7:7:0"_s}));
    m_folder->writeConfiguration(
        u"standard.cfg"_s,
        simulator.portSettings() +
            "[Mode]\nmodus=HOTKEY\n[Hotkeys]\nkey0=F9,,,\n[Anwendung]\nAnwendung=*free*\nFormat={Messwert}"
            "\n");
    HeadlessProgram kelvane(*m_folder);
    kelvane.setEnvironmentValue(u"WAYLAND_DISPLAY"_s, u"/nonexistent/kelvane-test-no-compositor"_s);
    QVERIFY(kelvane.start());
    QTRY_VERIFY_WITH_TIMEOUT(!shortcuts().bound.isEmpty(), 10000);
    QTRY_VERIFY2_WITH_TIMEOUT(kelvane.standardError().contains("status: Device activated TCP/IP"),
                              kelvane.standardError().constData(), 10000);
    QVERIFY(shortcuts().send(u"hotkey-1"_s, true));
    QVERIFY(shortcuts().send(u"hotkey-1"_s, false));
    // "7.00", each key pressed and let go.
    const QStringList typed{u"+37"_s, u"-37"_s, u"+2e"_s, u"-2e"_s, u"+30"_s, u"-30"_s, u"+30"_s, u"-30"_s};
    QTRY_VERIFY2_WITH_TIMEOUT(m_portal->keyEvents().size() >= typed.size(),
                              kelvane.standardError().constData(), 15000);
    QTest::qWait(500);
    QCOMPARE(m_portal->keyEvents(), typed);
    // The program closes its portal session on the way out: the fake portal answers from this
    // process, so the wait lets events run.
    ::kill(static_cast<pid_t>(kelvane.process().processId()), SIGTERM);
    QTRY_COMPARE_WITH_TIMEOUT(kelvane.process().state(), QProcess::NotRunning, 20000);
    QCOMPARE(kelvane.exitCode(), 0);
}

QTEST_GUILESS_MAIN(tst_PortalShortcuts)
#include "tst_PortalShortcuts.moc"
