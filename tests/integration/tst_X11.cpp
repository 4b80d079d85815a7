// The X11 desktop services against a private Xvfb: texts typed byte for byte into xterm windows
// under two layouts, keys pressed with xdotool seen by the hotkey and device command polls, and
// windows found by their titles and activated, without and with a window manager (openbox).

#include "base/config/SettingText.h"
#include "base/delivery/KeyTokenizer.h"
#include "base/delivery/TargetWindow.h"
#include "base/triggers/TriggerKeys.h"
#include "platform/PlatformFactory.h"
#include "platform/x11/X11Display.h"
#include "platform/x11/X11Keyboard.h"
#include "platform/x11/X11WindowList.h"
#include "support/ProcessRunner.h"
#include "support/ProgramFolder.h"
#include "support/ScriptedDialogs.h"
#include "support/XtermReceiver.h"
#include "support/XvfbServer.h"

#include <QtTest>

#include <numeric>

// Xlib last: its macros clash with Qt's headers.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int F11 = 122;

template <typename... Values> void row(const char* name, Values... values) {
    (QTest::newRow(name) << ... << values);
}

} // namespace

class tst_X11 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void typesTextByteForByte_data();
    void typesTextByteForByte();
    void pollsSeeKeysPressed_data();
    void pollsSeeKeysPressed();
    void mainWindowAfterStartUp_data();
    void mainWindowAfterStartUp();
    // Last: from its managed rows on, openbox runs on the display.
    void deliversToTheTargetWindow_data();
    void deliversToTheTargetWindow();

private:
    bool xdotool(const QStringList& arguments) { return m_server->run(u"xdotool"_s, arguments); }
    // What typing arrives at a receiver, up to an end marker typed after it.
    QByteArray typed(XtermReceiver& receiver, const std::function<void()>& type);
    bool noKeyDown();
    // The titles of the open windows, top of the stacking order first: the receivers' or the others'.
    QStringList openTitles(bool receivers);
    bool isViewable(unsigned long window);
    std::vector<KeySym> keyboardMapping();
    X11WindowList& windows() { return static_cast<X11WindowList&>(*m_services.windows); }

    std::unique_ptr<XvfbServer> m_server;
    std::vector<std::unique_ptr<XtermReceiver>> m_receivers;
    PlatformServices m_services;
    std::unique_ptr<X11Display> m_probe;
    QProcess m_manager;
};

void tst_X11::initTestCase() {
    m_server = std::make_unique<XvfbServer>();
    QVERIFY2(m_server->isRunning(), qPrintable(m_server->error()));
    m_server->makeCurrent();
    QVERIFY(m_server->run(u"setxkbmap"_s, {u"us"_s}));
    // One after the other, so that the stacking order is known: the last one on top.
    for (const QString& name : {u"Alpha"_s, u"Beta"_s, u"Gamma µ"_s}) {
        m_receivers.push_back(std::make_unique<XtermReceiver>(*m_server, u"Kelvane Receiver "_s + name));
        QVERIFY(m_receivers.back()->waitUntilReady());
    }
    // The factory picks X11 only where $DISPLAY names a display that answers; a Wayland session
    // around the test would come first.
    qunsetenv("WAYLAND_DISPLAY");
    for (const char* other : {"", ":65000"}) {
        qputenv("DISPLAY", other);
        const PlatformServices none = PlatformFactory::create();
        QVERIFY(!none.keyboard && !none.windows && !none.keyState);
    }
    m_server->makeCurrent();
    m_services = PlatformFactory::create();
    QVERIFY(m_services.available());
    m_probe = std::make_unique<X11Display>();
    QVERIFY(!windows().windowManagerPresent());
}

void tst_X11::cleanupTestCase() {
    // The connections go before the server does: Xlib ends the process when its server vanishes.
    m_services = {};
    m_probe.reset();
    m_receivers.clear();
    m_manager.terminate();
    m_manager.waitForFinished(5000);
    m_server.reset();
}

QByteArray tst_X11::typed(XtermReceiver& receiver, const std::function<void()>& type) {
    const qsizetype before = receiver.received().size();
    type();
    const bool ended = QTest::qWaitFor([&] { return receiver.received().mid(before).endsWith('#'); }, 10000);
    return receiver.received().mid(before).chopped(ended ? 1 : 0);
}

QStringList tst_X11::openTitles(bool receivers) {
    QStringList titles;
    for (const TopLevelWindow& window : windows().topLevelWindows()) {
        if (window.visible && window.bordered &&
            window.title.startsWith(u"Kelvane Receiver"_s) == receivers) {
            titles.append(window.title);
        }
    }
    return titles;
}

bool tst_X11::isViewable(unsigned long window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(m_probe->get(), window, &attributes) && attributes.map_state == IsViewable;
}

bool tst_X11::noKeyDown() {
    char keys[32] = {};
    XQueryKeymap(m_probe->get(), keys);
    return std::all_of(std::begin(keys), std::end(keys), [](char bits) { return bits == 0; });
}

std::vector<KeySym> tst_X11::keyboardMapping() {
    int first = 0;
    int last = 0;
    XDisplayKeycodes(m_probe->get(), &first, &last);
    int perKeycode = 0;
    KeySym* keysyms = XGetKeyboardMapping(m_probe->get(), KeyCode(first), last - first + 1, &perKeycode);
    std::vector<KeySym> mapping(keysyms, keysyms + (last - first + 1) * perKeycode);
    XFree(keysyms);
    return mapping;
}

void tst_X11::typesTextByteForByte_data() {
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");
    row("value, tab, unit, enter", "us", "12.5{TAB}kg{ENTER}", QByteArray("12.5\tkg\r"));
    row("modifier taps type nothing", "us", "A+b^c%d{BS}", QByteArray("Abcd\x7f"));
    row("shifted and missing characters", "us", "{@µ°}", u"{@µ°}"_s.toUtf8());
    row("AltGr and shifted characters", "de", "{@µ°}~|\\[]", u"{@µ°}~|\\[]"_s.toUtf8());
    row("letters where the layouts differ", "de", "yzYZäÖß€", u"yzYZäÖß€"_s.toUtf8());
    row("letters the layout lacks", "us", "äÖß€", u"äÖß€"_s.toUtf8());
    row("dead-key characters typed plain", "de", "`´", u"`´"_s.toUtf8());
    row("the second group's letters", "us,de", "aä@Ö", u"aä@Ö"_s.toUtf8());
}

void tst_X11::typesTextByteForByte() {
    QFETCH(QString, layout);
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    QVERIFY(m_server->run(u"setxkbmap"_s, {u"-layout"_s, layout}));
    const std::vector<KeySym> mapping = keyboardMapping();
    XtermReceiver& alpha = *m_receivers[0];
    QVERIFY(windows().activate(alpha.window()));
    QCOMPARE(typed(alpha, [&] { KeyTokenizer::typeText(text + u'#', *m_services.keyboard); }), expected);
    QVERIFY(noKeyDown());
    auto& keyboard = static_cast<X11Keyboard&>(*m_services.keyboard);
    const auto has = [&keyboard](X11Keyboard::Event::Kind kind) {
        return std::any_of(keyboard.lastBurst().begin(), keyboard.lastBurst().end(),
                           [kind](const X11Keyboard::Event& event) { return event.kind == kind; });
    };
    // Characters of a second layout are typed in its group, not through bound keycodes.
    QVERIFY(!layout.contains(u',') ||
            (has(X11Keyboard::Event::Kind::LockGroup) && !has(X11Keyboard::Event::Kind::Bind)));
    XkbStateRec state{};
    QVERIFY(XkbGetState(m_probe->get(), XkbUseCoreKbd, &state) == Success);
    QCOMPARE(int(state.locked_group), 0);
    // Keycodes bound for characters the layout lacks are given back once typing rests.
    QTRY_VERIFY_WITH_TIMEOUT(!keyboard.hasBoundKeycodes(), 10000);
    QVERIFY(keyboardMapping() == mapping);
    QVERIFY(m_server->run(u"setxkbmap"_s, {u"-layout"_s, u"us"_s}));
}

void tst_X11::pollsSeeKeysPressed_data() {
    QTest::addColumn<QString>("hotkeys"); // row=key,key,key; ...
    QTest::addColumn<QString>("commands");
    QTest::addColumn<QStringList>("pressed"); // xdotool's arguments, or "kelvane" and what it types
    QTest::addColumn<bool>("discard");        // the presses are stale, as after a modal window
    QTest::addColumn<int>("button");          // of the hotkey rows; 0 for none
    QTest::addColumn<int>("command");         // the device command row; -1 for none
    using L = QStringList;
    // A row whose first key is empty never matches.
    row("one key", "0=,F9,;1=F9,,", QString(), L{"key", "F9"}, false, 2, -1);
    row("three keys", "6=CTRL,SHIFT,F2", QString(), L{"key", "ctrl+shift+F2"}, false, 7, -1);
    row("device command", QString(), "3=ALT,F4,", L{"key", "alt+F4"}, false, 0, 3);
    row("held keys, at every poll", "5=SHIFT,F7,", QString(), L{"keydown", "shift", "keydown", "F7"}, false,
        6, -1);
    row("stale presses discarded", "0=F9,,", "2=F10,,", L{"key", "F9", "F10"}, true, 0, -1);
    // What the program types itself is no key press of the user's: neither its F9 nor the Shift of
    // its capital letter fires anything.
    row("the program's own keys", "0=F9,,;1=SHIFT,,", "2=SHIFT,,", L{"kelvane", "{F9}A"}, false, 0, -1);
}

void tst_X11::pollsSeeKeysPressed() {
    QFETCH(QString, hotkeys);
    QFETCH(QString, commands);
    QFETCH(QStringList, pressed);
    QFETCH(bool, discard);
    QFETCH(int, button);
    QFETCH(int, command);
    Settings settings;
    for (const bool device : {false, true}) {
        for (const QString& entry : (device ? commands : hotkeys).split(u';', Qt::SkipEmptyParts)) {
            const QStringList keys = entry.section(u'=', 1).split(u',');
            const int r = entry.left(1).toInt();
            (device ? settings.deviceCommands[r].keys : settings.hotkeys[r].keys) =
                SettingText::triggerKeys(keys.value(0), keys.value(1), keys.value(2));
        }
    }
    KeyState& keys = *m_services.keyState;
    TriggerKeys triggers(settings, &keys);
    // Keys pressed by earlier tests (Shift while typing) are no part of this one.
    triggers.discardStalePresses();
    const auto poll = [&triggers] {
        const auto hot = triggers.pollHotkeys();
        return qMakePair(hot ? int(*hot) : 0, triggers.pollDeviceCommandKeys().value_or(-1));
    };
    if (pressed.first() == u"kelvane") {
        KeyTokenizer::typeText(pressed.last(), *m_services.keyboard);
    } else {
        QVERIFY(xdotool(pressed));
    }
    // F11 goes last: once its press has come in, so have the others.
    QVERIFY(xdotool({u"key"_s, u"F11"_s}));
    QVERIFY(QTest::qWaitFor(
        [&keys] {
            keys.update();
            return (keys.query(F11) & KeyState::PressedBit) != 0;
        },
        10000));
    if (discard) {
        triggers.discardStalePresses();
    }
    QCOMPARE(poll(), qMakePair(button, command));
    // A press counts once, a held key at every poll.
    const bool held = pressed.contains(u"keydown"_s);
    QCOMPARE(poll(), held ? qMakePair(button, command) : qMakePair(0, -1));
    QVERIFY(!held || xdotool(QStringList(pressed).replaceInStrings(u"keydown"_s, u"keyup"_s)));
    QTRY_VERIFY(noKeyDown());
}

// The main window comes only after the start-up: not while the start-up's first window is open,
// the message about a missing configuration or the language window.
void tst_X11::mainWindowAfterStartUp_data() {
    QTest::addColumn<bool>("language");
    QTest::addColumn<QString>("first"); // the title of the start-up's first window
    row("configuration missing", true, u"Kelvane"_s);
    row("no language", false, u"Sprachauswahl"_s);
}

void tst_X11::mainWindowAfterStartUp() {
    QFETCH(bool, language);
    QFETCH(QString, first);
    ProgramFolder folder(language);
    ProcessRunner kelvane(u"kelvane"_s);
    kelvane.setEnvironmentValue(u"KELVANE_HOME"_s, folder.path());
    kelvane.setEnvironmentValue(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    QVERIFY(kelvane.start({}));
    QTRY_VERIFY_WITH_TIMEOUT(openTitles(false).contains(first), 10000);
    // Time enough for a main window shown before it to be mapped.
    QTest::qWait(500);
    QCOMPARE(openTitles(false), QStringList{first});
}

void tst_X11::deliversToTheTargetWindow_data() {
    QTest::addColumn<bool>("manager");
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("focused");   // the receiver that has the focus before, -1 for any
    QTest::addColumn<int>("raised");    // the receiver raised before, -1 for none
    QTest::addColumn<int>("receiver");  // the one that gets the text
    QTest::addColumn<QString>("found"); // the title found and activated
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("putAway"); // how the receiver is put away before: minimised, another workspace
    const QString here;
    row("title fragment", false, "Beta", 0, -1, 1, "Kelvane Receiver Beta", "12,5{TAB}g{ENTER}", here);
    row("the topmost of several", false, "Receiver", 0, 2, 2, "Kelvane Receiver Gamma µ", "top", here);
    // The text still goes out, to the window that has the focus.
    row("titles are case-sensitive", false, "receiver beta", 0, -1, 0, QString(), "lost", here);
    row("the focused window", false, "*free*", 2, 1, 2, QString(), "free", here);
    row("managed: the lower window", true, "Alpha", -1, -1, 0, "Kelvane Receiver Alpha", "12,5{TAB}g{ENTER}",
        here);
    row("managed: another window", true, "Beta", -1, -1, 1, "Kelvane Receiver Beta", "@{}", here);
    row("managed: back again", true, "Alpha", -1, -1, 0, "Kelvane Receiver Alpha", "°µ", here);
    // Still listed, and restored by the activation.
    row("managed: minimised", true, "Beta", -1, -1, 1, "Kelvane Receiver Beta", "1,5", u"minimised"_s);
    row("managed: on another workspace", true, "Alpha", -1, -1, 0, "Kelvane Receiver Alpha", "2,5",
        u"workspace"_s);
}

void tst_X11::deliversToTheTargetWindow() {
    QFETCH(bool, manager);
    QFETCH(QString, target);
    QFETCH(int, focused);
    QFETCH(int, raised);
    QFETCH(int, receiver);
    QFETCH(QString, found);
    QFETCH(QString, text);
    QFETCH(QString, putAway);
    if (manager && m_manager.state() == QProcess::NotRunning) {
        m_manager.start(u"openbox"_s, {u"--sm-disable"_s});
        QVERIFY2(m_manager.waitForStarted(10000), "openbox does not start");
        // The manager takes the windows already there over in more than one pass: it is done once
        // its list has held the three receivers for a while.
        int complete = 0;
        QVERIFY(QTest::qWaitFor(
            [&] {
                complete =
                    windows().windowManagerPresent() && openTitles(true).size() == 3 ? complete + 1 : 0;
                return complete == 30;
            },
            20000));
    }
    const QString away = QString::number(m_receivers[receiver]->window());
    if (putAway == u"minimised") {
        QVERIFY(xdotool({u"windowminimize"_s, u"--sync"_s, away}));
    } else if (putAway == u"workspace") {
        QVERIFY(xdotool({u"set_desktop_for_window"_s, away, u"1"_s}));
    }
    // Put away, the window is not on the screen, but open.
    QTRY_VERIFY(putAway.isEmpty() || !isViewable(m_receivers[receiver]->window()));
    QCOMPARE(openTitles(true).size(), 3);
    QVERIFY(focused < 0 || xdotool({u"windowfocus"_s, QString::number(m_receivers[focused]->window())}));
    QVERIFY(raised < 0 || xdotool({u"windowraise"_s, QString::number(m_receivers[raised]->window())}));
    Settings settings;
    settings.target = SettingText::target(target);
    settings.applications = {{u"Editor"_s, u"editor.exe"_s}};
    ScriptedDialogs dialogs;
    TargetWindow window(settings, dialogs, &windows(), m_services.keyboard.get());
    int missing = 0;
    window.setHandlers({[&missing] { ++missing; }, {}});
    // Everything the receivers got: only the one that has the focus gets the text.
    const auto total = [this] {
        return std::accumulate(m_receivers.begin(), m_receivers.end(), qsizetype(0),
                               [](qsizetype sum, const auto& r) { return sum + r->received().size(); });
    };
    const qsizetype before = total();
    const QByteArray expected =
        QString(text).replace(u"{TAB}"_s, u"\t"_s).replace(u"{ENTER}"_s, u"\r"_s).toUtf8();
    bool delivered = false;
    QCOMPARE(typed(*m_receivers[receiver], [&] { delivered = window.deliver(text + u'#'); }), expected);
    QCOMPARE(total(), before + expected.size() + 1);
    QCOMPARE(window.foundTitle(), found);
    // A window that is not found is reported before the text goes out.
    const bool lost = found.isEmpty() && target != u"*free*"_s;
    QCOMPARE(delivered, !lost);
    QCOMPARE(missing, int(lost));
    QCOMPARE(dialogs.messages, lost ? QStringList{u"Anwendung editor.exe nicht aktiv"_s} : QStringList());
    // The activated window is raised: the list, top first, shows it above the other receivers.
    QTRY_VERIFY_WITH_TIMEOUT(found.isEmpty() || openTitles(true).value(0) == found, 10000);
}

QTEST_GUILESS_MAIN(tst_X11)
#include "tst_X11.moc"
