// The X11 adapters against a private Xvfb: keys typed into xterm windows, windows found and
// activated by title, and keys pressed with xdotool seen by the hotkey polls.

#include "core/MainController.h"
#include "output/KeyNameTable.h"
#include "output/SendKeysNew.h"
#include "output/TargetApplication.h"
#include "platform/PlatformFactory.h"
#include "platform/X11Display.h"
#include "platform/X11GlobalKeyState.h"
#include "platform/X11Keyboard.h"
#include "platform/X11WindowList.h"
#include "settings/Settings.h"
#include "support/ProgramFolder.h"
#include "support/RecordingMainView.h"
#include "support/ScriptedDialogs.h"
#include "support/XtermReceiver.h"
#include "support/XvfbServer.h"
#include "triggers/TriggerKeyPoller.h"

#include <QtTest>

// Xlib last: its macros clash with Qt's headers.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <memory>

namespace {

constexpr int VirtualKeyF11 = 122;

// The main window logic that a failed activation acts on, with a link that is online.
struct Controller {
    Controller() : controller(view, dialogs) {
        Settings& s = controller.settings();
        s.portnum = QStringLiteral("99"); // no such serial device
        s.applicationList = {{QStringLiteral("Editor"), QStringLiteral("editor.exe")}};
        s.selectedApplication = 0;
        view.setButtonTag(7, QStringLiteral("True"));
        view.setButtonCaption(7, QStringLiteral("O&ffline"));
        view.setButtonEnabled(2, false);
        view.setButtonEnabled(3, true);
        controller.TimerRunning = true;
    }
    ProgramFolder folder;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    MainController controller;
};

std::vector<unsigned long> coreKeyboardMapping(Display* display) {
    int minKeycode = 0;
    int maxKeycode = 0;
    XDisplayKeycodes(display, &minKeycode, &maxKeycode);
    int perKeycode = 0;
    KeySym* keysyms = XGetKeyboardMapping(display, static_cast<KeyCode>(minKeycode),
                                          maxKeycode - minKeycode + 1, &perKeycode);
    std::vector<unsigned long> mapping(keysyms, keysyms + (maxKeycode - minKeycode + 1) * perKeycode);
    XFree(keysyms);
    return mapping;
}

} // namespace

class tst_X11Platform : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void keyNamesAreXKeysyms();
    void typesTextByteForByte_data();
    void typesTextByteForByte();
    void upperCaseIsShiftAroundTheKey();
    void altGrCharacterUnderGermanLayout();
    void missingKeysymIsBoundForTheKeystrokeThenRestored();
    void capsLockDoesNotChangeWhatIsTyped();
    void listsWindowsTopFirst();
    void activatesWindowByTitleFragment();
    void topmostOfTwoMatchesWins();
    void missingTargetShowsMessageAndPressesButtons();
    void freeTargetTypesIntoFocusedWindow();
    void hotkeysPressedWithXdotool();
    void deviceCommandKeysNeedACommonBit();
    void heldCombinationMatchesEveryPoll();
    void stalePressesAreDiscarded();
    void factoryDependsOnDisplay();

private:
    bool xdotool(const QStringList& arguments) { return m_server->run(QStringLiteral("xdotool"), arguments); }
    bool setLayout(const QString& layout) {
        return m_server->run(QStringLiteral("setxkbmap"), {QStringLiteral("-layout"), layout});
    }
    // Types text into the receiver and waits for what arrives, up to an end marker typed after it.
    QByteArray typeInto(XtermReceiver& receiver, const QString& text);
    // Waits until the press of F11, sent after the keys under test, has come in: then so have they.
    bool waitForMarker();
    bool noKeyDown();

    std::unique_ptr<XvfbServer> m_server;
    std::unique_ptr<XtermReceiver> m_alpha;
    std::unique_ptr<XtermReceiver> m_beta;
    std::unique_ptr<XtermReceiver> m_gamma;
    std::shared_ptr<X11Display> m_display;
    std::unique_ptr<X11Display> m_probe;
    std::unique_ptr<X11Keyboard> m_keyboard;
    std::unique_ptr<X11WindowList> m_windows;
    std::unique_ptr<X11GlobalKeyState> m_keys;
};

void tst_X11Platform::initTestCase() {
    m_server = std::make_unique<XvfbServer>();
    QVERIFY2(m_server->isRunning(), qPrintable(m_server->error()));
    m_server->makeCurrent();
    QVERIFY(setLayout(QStringLiteral("us")));

    // One after the other, so that their stacking order is known: the last one on top.
    for (auto* receiver : {&m_alpha, &m_beta, &m_gamma}) {
        const QString name = receiver == &m_alpha  ? QStringLiteral("Alpha")
                             : receiver == &m_beta ? QStringLiteral("Beta")
                                                   : QStringLiteral("Gamma");
        *receiver = std::make_unique<XtermReceiver>(*m_server, QStringLiteral("Kelvane Receiver ") + name);
        QVERIFY((*receiver)->waitUntilReady());
    }

    m_display = std::make_shared<X11Display>();
    QVERIFY(m_display->isOpen());
    m_probe = std::make_unique<X11Display>();
    QVERIFY(m_probe->isOpen());
    m_keyboard = std::make_unique<X11Keyboard>(m_display);
    m_windows = std::make_unique<X11WindowList>(m_display);
    m_keys = std::make_unique<X11GlobalKeyState>(std::make_unique<X11Display>());
    QVERIFY(m_keys->hasRawKeyEvents());
    QVERIFY(!m_windows->windowManagerPresent());
}

void tst_X11Platform::cleanupTestCase() {
    // Connections go before the server does: Xlib ends the process when its server vanishes.
    m_keys.reset();
    m_windows.reset();
    m_keyboard.reset();
    m_probe.reset();
    m_display.reset();
    m_alpha.reset();
    m_beta.reset();
    m_gamma.reset();
    m_server.reset();
}

void tst_X11Platform::cleanup() {
    if (m_server && m_server->isRunning()) {
        setLayout(QStringLiteral("us"));
    }
}

QByteArray tst_X11Platform::typeInto(XtermReceiver& receiver, const QString& text) {
    if (!m_windows->activate(receiver.window())) {
        return "activation failed";
    }
    const qsizetype before = receiver.received().size();
    SendKeysNew(text + u'#', *m_keyboard);
    if (!QTest::qWaitFor([&] { return receiver.received().mid(before).endsWith('#'); }, 10000)) {
        return "no end marker: " + receiver.received().mid(before);
    }
    QByteArray arrived = receiver.received().mid(before);
    arrived.chop(1);
    return arrived;
}

bool tst_X11Platform::waitForMarker() {
    return QTest::qWaitFor(
        [this] {
            m_keys->update();
            return (m_keys->GetAsyncKeyState(VirtualKeyF11) & GlobalKeyState::PressedBit) != 0;
        },
        10000);
}

bool tst_X11Platform::noKeyDown() {
    XSync(m_display->get(), False);
    char keys[32] = {};
    XQueryKeymap(m_probe->get(), keys);
    return std::all_of(std::begin(keys), std::end(keys), [](char bits) { return bits == 0; });
}

void tst_X11Platform::keyNamesAreXKeysyms() {
    for (const KeyNameTable::Entry& entry : KeyNameTable::entries()) {
        QCOMPARE(static_cast<std::uint32_t>(XStringToKeysym(entry.keysymName)), entry.keysym);
    }
    for (const QChar modifier : {u'+', u'^', u'%'}) {
        const KeyNameTable::Entry* entry = KeyNameTable::modifierOf(modifier);
        QVERIFY(entry);
        QCOMPARE(static_cast<std::uint32_t>(XStringToKeysym(entry->keysymName)), entry->keysym);
    }
}

void tst_X11Platform::typesTextByteForByte_data() {
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("us value, tab, unit, enter") << "us"
                                                << "12.5{TAB}kg{ENTER}" << QByteArray("12.5\tkg\r");
    QTest::newRow("de value, tab, unit, enter") << "de"
                                                << "12.5{TAB}kg{ENTER}" << QByteArray("12.5\tkg\r");
    QTest::newRow("us modifier taps type nothing") << "us"
                                                   << "A+b^c%d" << QByteArray("Abcd");
    QTest::newRow("us shifted and missing characters")
        << "us" << QStringLiteral("{@µ°}") << QStringLiteral("{@µ°}").toUtf8();
    QTest::newRow("de AltGr and shifted characters")
        << "de" << QStringLiteral("{@µ°}~|\\[]") << QStringLiteral("{@µ°}~|\\[]").toUtf8();
    QTest::newRow("de letters where us has others")
        << "de" << QStringLiteral("yzYZäÖß€") << QStringLiteral("yzYZäÖß€").toUtf8();
    QTest::newRow("us letters the layout lacks")
        << "us" << QStringLiteral("äÖß€") << QStringLiteral("äÖß€").toUtf8();
    QTest::newRow("de dead-key characters typed plain")
        << "de" << QStringLiteral("`´") << QStringLiteral("`´").toUtf8();
    QTest::newRow("us,de second group for missing letters")
        << "us,de" << QStringLiteral("aä@Ö") << QStringLiteral("aä@Ö").toUtf8();
    QTest::newRow("us unknown brace is typed") << "us"
                                               << "{X}{tab}" << QByteArray("{X}\t");
    QTest::newRow("us backspace names") << "us"
                                        << "a{BS}b{bksp}"
                                        << QByteArray("a\x7f"
                                                      "b\x7f");
}

void tst_X11Platform::typesTextByteForByte() {
    QFETCH(QString, layout);
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    QVERIFY(setLayout(layout));
    QCOMPARE(typeInto(*m_alpha, text), expected);
    QVERIFY(noKeyDown());
    if (layout.contains(u',')) {
        // Characters of the second layout are typed in its group, not through bound keycodes.
        const auto& burst = m_keyboard->lastBurst();
        QVERIFY(std::any_of(burst.begin(), burst.end(), [](const X11Keyboard::Event& e) {
            return e.kind == X11Keyboard::Event::Kind::LockGroup;
        }));
        QVERIFY(std::none_of(burst.begin(), burst.end(), [](const X11Keyboard::Event& e) {
            return e.kind == X11Keyboard::Event::Kind::Bind;
        }));
    }
    // The layout's group is the same as before.
    XkbStateRec state{};
    QVERIFY(XkbGetState(m_probe->get(), XkbUseCoreKbd, &state) == Success);
    QCOMPARE(int(state.locked_group), 0);
}

void tst_X11Platform::upperCaseIsShiftAroundTheKey() {
    QCOMPARE(typeInto(*m_alpha, QStringLiteral("A")), QByteArray("A"));
    using Event = X11Keyboard::Event;
    const unsigned shift = XKeysymToKeycode(m_probe->get(), XK_Shift_L);
    const unsigned a = XKeysymToKeycode(m_probe->get(), XK_a);
    const unsigned marker = XKeysymToKeycode(m_probe->get(), XK_numbersign);
    const std::vector<Event> expected = {
        {Event::Kind::Press, shift},    {Event::Kind::Press, a},       {Event::Kind::Release, a},
        {Event::Kind::Release, shift},  {Event::Kind::Press, shift},   {Event::Kind::Press, marker},
        {Event::Kind::Release, marker}, {Event::Kind::Release, shift},
    };
    QVERIFY(m_keyboard->lastBurst() == expected);
    QVERIFY(noKeyDown());
}

void tst_X11Platform::altGrCharacterUnderGermanLayout() {
    QVERIFY(setLayout(QStringLiteral("de")));
    QCOMPARE(typeInto(*m_alpha, QStringLiteral("@")), QByteArray("@"));
    const std::vector<X11Keyboard::Event>& burst = m_keyboard->lastBurst();
    QVERIFY(burst.size() >= 4);
    using Kind = X11Keyboard::Event::Kind;
    QCOMPARE(int(burst[0].kind), int(Kind::Press));
    QCOMPARE(XkbKeycodeToKeysym(m_probe->get(), static_cast<KeyCode>(burst[0].value), 0, 0),
             KeySym(XK_ISO_Level3_Shift));
    QCOMPARE(burst[1].value, unsigned(XKeysymToKeycode(m_probe->get(), XK_q)));
    QCOMPARE(int(burst[3].kind), int(Kind::Release));
    QCOMPARE(burst[3].value, burst[0].value);
    QVERIFY(noKeyDown());
}

void tst_X11Platform::missingKeysymIsBoundForTheKeystrokeThenRestored() {
    const std::vector<unsigned long> before = coreKeyboardMapping(m_probe->get());
    QCOMPARE(typeInto(*m_alpha, QStringLiteral("µ{F13}")).left(2), QStringLiteral("µ").toUtf8());
    const std::vector<X11Keyboard::Event>& burst = m_keyboard->lastBurst();
    QCOMPARE(
        std::count_if(burst.begin(), burst.end(),
                      [](const X11Keyboard::Event& e) { return e.kind == X11Keyboard::Event::Kind::Bind; }),
        2);
    QVERIFY(m_keyboard->hasBoundKeycodes());
    QVERIFY(coreKeyboardMapping(m_probe->get()) != before);
    QTRY_VERIFY_WITH_TIMEOUT(!m_keyboard->hasBoundKeycodes(), 10000);
    QVERIFY(coreKeyboardMapping(m_probe->get()) == before);
    QVERIFY(noKeyDown());
}

void tst_X11Platform::capsLockDoesNotChangeWhatIsTyped() {
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Caps_Lock")}));
    XkbStateRec state{};
    QVERIFY(QTest::qWaitFor(
        [&] {
            return XkbGetState(m_probe->get(), XkbUseCoreKbd, &state) == Success &&
                   (state.locked_mods & LockMask);
        },
        5000));
    // "ä" twice: bound for the first, still bound for the second burst.
    const QByteArray first = typeInto(*m_alpha, QStringLiteral("aB1ä"));
    const QByteArray second = typeInto(*m_alpha, QStringLiteral("ä"));
    QVERIFY(QTest::qWaitFor(
        [&] {
            return XkbGetState(m_probe->get(), XkbUseCoreKbd, &state) == Success &&
                   (state.locked_mods & LockMask);
        },
        5000));
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Caps_Lock")}));
    QCOMPARE(first, QStringLiteral("aB1ä").toUtf8());
    QCOMPARE(second, QStringLiteral("ä").toUtf8());
    QVERIFY(noKeyDown());
}

void tst_X11Platform::listsWindowsTopFirst() {
    Display* probe = m_probe->get();
    const Window root = DefaultRootWindow(probe);
    const Window hidden = XCreateSimpleWindow(probe, root, 0, 0, 10, 10, 0, 0, 0);
    XStoreName(probe, hidden, "Kelvane Hidden Window");
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    const Window popup = XCreateWindow(probe, root, 0, 0, 10, 10, 0, CopyFromParent, InputOutput,
                                       CopyFromParent, CWOverrideRedirect, &attributes);
    XStoreName(probe, popup, "Kelvane Popup");
    const QByteArray utf8Title = QStringLiteral("Waage – Protokoll µ").toUtf8();
    XChangeProperty(probe, popup, XInternAtom(probe, "_NET_WM_NAME", False),
                    XInternAtom(probe, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8Title.constData()),
                    static_cast<int>(utf8Title.size()));
    XMapWindow(probe, popup);
    XSync(probe, False);
    QVERIFY(xdotool({QStringLiteral("windowraise"), QString::number(m_alpha->window())}));
    QVERIFY(xdotool({QStringLiteral("windowraise"), QString::number(m_beta->window())}));

    const QList<TopLevelWindow> windows = m_windows->topLevelWindows();
    const auto find = [&windows](quint64 id) {
        return std::find_if(windows.begin(), windows.end(),
                            [id](const TopLevelWindow& w) { return w.id == id; });
    };
    const auto alpha = find(m_alpha->window());
    const auto beta = find(m_beta->window());
    const auto gamma = find(m_gamma->window());
    const auto hiddenEntry = find(hidden);
    const auto popupEntry = find(popup);
    XDestroyWindow(probe, hidden);
    XDestroyWindow(probe, popup);
    XSync(probe, False);

    QVERIFY(alpha != windows.end() && beta != windows.end() && gamma != windows.end());
    QVERIFY(hiddenEntry != windows.end() && popupEntry != windows.end());
    // Raised last, on top; raised before it, next; gamma has not been raised since.
    QVERIFY(beta < alpha);
    QVERIFY(alpha < gamma);
    QCOMPARE(beta->title, QStringLiteral("Kelvane Receiver Beta"));
    QVERIFY(beta->visible);
    QVERIFY(beta->bordered);
    QCOMPARE(hiddenEntry->title, QStringLiteral("Kelvane Hidden Window"));
    QVERIFY(!hiddenEntry->visible);
    QCOMPARE(popupEntry->title, QStringLiteral("Waage – Protokoll µ"));
    QVERIFY(popupEntry->visible);
    QVERIFY(!popupEntry->bordered);
}

void tst_X11Platform::activatesWindowByTitleFragment() {
    QVERIFY(xdotool({QStringLiteral("windowfocus"), QString::number(m_alpha->window())}));
    Controller c;
    c.controller.settings().Anwendung = QStringLiteral("Beta");
    TargetApplication target(c.controller, m_windows.get(), m_keyboard.get());
    const qsizetype alphaBefore = m_alpha->received().size();
    const qsizetype betaBefore = m_beta->received().size();

    target.deliverKeystrokes(QStringLiteral("12,5{TAB}g{ENTER}"));
    QCOMPARE(target.foundTitle(), QStringLiteral("Kelvane Receiver Beta"));
    QVERIFY(m_beta->waitForBytes(betaBefore + 7));
    QCOMPARE(m_beta->received().mid(betaBefore), QByteArray("12,5\tg\r"));
    Window focus = None;
    int revert = 0;
    XGetInputFocus(m_probe->get(), &focus, &revert);
    QCOMPARE(quint64(focus), m_beta->window());
    QCOMPARE(m_alpha->received().size(), alphaBefore);
    QVERIFY(c.dialogs.messages.isEmpty());
}

void tst_X11Platform::topmostOfTwoMatchesWins() {
    QVERIFY(xdotool({QStringLiteral("windowraise"), QString::number(m_gamma->window())}));
    Controller c;
    c.controller.settings().Anwendung = QStringLiteral("Kelvane Receiver");
    TargetApplication target(c.controller, m_windows.get(), m_keyboard.get());
    const qsizetype before = m_gamma->received().size();
    target.deliverKeystrokes(QStringLiteral("top"));
    QCOMPARE(target.foundTitle(), QStringLiteral("Kelvane Receiver Gamma"));
    QVERIFY(m_gamma->waitForBytes(before + 3));
    QCOMPARE(m_gamma->received().mid(before), QByteArray("top"));
}

void tst_X11Platform::missingTargetShowsMessageAndPressesButtons() {
    QVERIFY(xdotool({QStringLiteral("windowfocus"), QString::number(m_alpha->window())}));
    Controller c;
    // The title test is case-sensitive.
    c.controller.settings().Anwendung = QStringLiteral("receiver beta");
    c.controller.LastStatusText = QStringLiteral("before");
    TargetApplication target(c.controller, m_windows.get(), m_keyboard.get());
    const qsizetype before = m_alpha->received().size();

    target.deliverKeystrokes(QStringLiteral("lost"));
    QCOMPARE(target.foundTitle(), QString());
    QCOMPARE(c.dialogs.messages, QStringList{QStringLiteral("Anwendung editor.exe nicht aktiv")});
    // Timer stop: start enabled again, stop disabled, timer off.
    QVERIFY(c.view.isButtonEnabled(2));
    QVERIFY(!c.view.isButtonEnabled(3));
    QVERIFY(!c.controller.TimerRunning);
    // Then the online switch: the link goes offline.
    QVERIFY(!c.controller.linkOnline());
    QCOMPARE(c.view.buttonCaption(7), QStringLiteral("O&nline"));
    // The keys still go out, to the window that has the focus.
    QVERIFY(m_alpha->waitForBytes(before + 4));
    QCOMPARE(m_alpha->received().mid(before), QByteArray("lost"));
}

void tst_X11Platform::freeTargetTypesIntoFocusedWindow() {
    QVERIFY(xdotool({QStringLiteral("windowfocus"), QString::number(m_gamma->window())}));
    QVERIFY(xdotool({QStringLiteral("windowraise"), QString::number(m_beta->window())}));
    Controller c;
    c.controller.settings().Anwendung = QStringLiteral("*free*");
    TargetApplication target(c.controller, m_windows.get(), m_keyboard.get());
    const qsizetype gammaBefore = m_gamma->received().size();
    const qsizetype betaBefore = m_beta->received().size();
    target.deliverKeystrokes(QStringLiteral("free"));
    QVERIFY(m_gamma->waitForBytes(gammaBefore + 4));
    QCOMPARE(m_gamma->received().mid(gammaBefore), QByteArray("free"));
    QCOMPARE(m_beta->received().size(), betaBefore);
    QVERIFY(c.dialogs.messages.isEmpty());
}

void tst_X11Platform::hotkeysPressedWithXdotool() {
    Settings settings;
    settings.Hotkeys[0][2] = QStringLiteral("F9"); // key 2 alone: key 1 empty never matches
    settings.Hotkeys[1][1] = QStringLiteral("F9");
    settings.Hotkeys[6][1] = QStringLiteral("CTRL");
    settings.Hotkeys[6][2] = QStringLiteral("SHIFT");
    settings.Hotkeys[6][3] = QStringLiteral("F2");
    TriggerKeyPoller poller(settings, m_keys.get());
    QCOMPARE(poller.PollHotkeys(), -1);

    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("F9"), QStringLiteral("F11")}));
    QVERIFY(waitForMarker());
    QCOMPARE(poller.PollHotkeys(), 2);
    // The press is consumed and the key is up again.
    QCOMPARE(poller.PollHotkeys(), -1);

    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+shift+F2"), QStringLiteral("F11")}));
    QVERIFY(waitForMarker());
    QCOMPARE(poller.PollHotkeys(), 7);
    QCOMPARE(poller.PollHotkeys(), -1);
}

void tst_X11Platform::deviceCommandKeysNeedACommonBit() {
    Settings settings;
    settings.Hotkeys[1][1] = QStringLiteral("CTRL");
    settings.Hotkeys[1][2] = QStringLiteral("F6");
    settings.Action[3][1] = QStringLiteral("ALT");
    settings.Action[3][2] = QStringLiteral("F4");
    settings.Action[5][1] = QStringLiteral("CTRL");
    settings.Action[5][2] = QStringLiteral("F6");
    TriggerKeyPoller poller(settings, m_keys.get());

    // Both pressed and released since the last poll: both carry the pressed bit.
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("alt+F4"), QStringLiteral("F11")}));
    QVERIFY(waitForMarker());
    QCOMPARE(poller.PollDeviceCommandKeys(), 3);

    // Ctrl held (down bit only, its press consumed by the marker wait), F6 only tapped.
    QVERIFY(xdotool({QStringLiteral("keydown"), QStringLiteral("ctrl")}));
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("F11")}));
    QVERIFY(waitForMarker());
    m_keys->update();
    QVERIFY(m_keys->GetAsyncKeyState(17) & GlobalKeyState::PressedBit);
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("F6"), QStringLiteral("F11")}));
    QVERIFY(waitForMarker());
    QCOMPARE(poller.PollDeviceCommandKeys(), -1);
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("F6"), QStringLiteral("F11")}));
    QVERIFY(waitForMarker());
    QCOMPARE(poller.PollHotkeys(), 2);
    QVERIFY(xdotool({QStringLiteral("keyup"), QStringLiteral("ctrl")}));
}

void tst_X11Platform::heldCombinationMatchesEveryPoll() {
    Settings settings;
    settings.Hotkeys[5][1] = QStringLiteral("SHIFT");
    settings.Hotkeys[5][2] = QStringLiteral("F7");
    TriggerKeyPoller poller(settings, m_keys.get());
    QVERIFY(xdotool({QStringLiteral("keydown"), QStringLiteral("shift"), QStringLiteral("keydown"),
                     QStringLiteral("F7")}));
    QTRY_COMPARE(poller.PollHotkeys(), 6);
    QCOMPARE(poller.PollHotkeys(), 6);
    QCOMPARE(poller.PollHotkeys(), 6);
    QVERIFY(xdotool(
        {QStringLiteral("keyup"), QStringLiteral("F7"), QStringLiteral("keyup"), QStringLiteral("shift")}));
    QTRY_COMPARE(poller.PollHotkeys(), -1);
    QVERIFY(noKeyDown());
}

void tst_X11Platform::stalePressesAreDiscarded() {
    Settings settings;
    settings.Hotkeys[0][1] = QStringLiteral("F9");
    settings.Action[2][1] = QStringLiteral("F10");
    TriggerKeyPoller poller(settings, m_keys.get());

    // Pressed while no poll ran: the next poll fires.
    QVERIFY(
        xdotool({QStringLiteral("key"), QStringLiteral("F9"), QStringLiteral("F10"), QStringLiteral("F11")}));
    QVERIFY(waitForMarker());
    QCOMPARE(poller.PollHotkeys(), 1);
    QCOMPARE(poller.PollDeviceCommandKeys(), 2);

    // The same presses, thrown away after a modal window: nothing fires.
    QVERIFY(
        xdotool({QStringLiteral("key"), QStringLiteral("F9"), QStringLiteral("F10"), QStringLiteral("F11")}));
    QVERIFY(waitForMarker());
    poller.discardStalePresses();
    QCOMPARE(poller.PollHotkeys(), -1);
    QCOMPARE(poller.PollDeviceCommandKeys(), -1);
}

void tst_X11Platform::factoryDependsOnDisplay() {
    const QByteArray display = qgetenv("DISPLAY");
    {
        const PlatformServices services = PlatformFactory::create();
        QVERIFY(services.available());
    }
    qunsetenv("DISPLAY");
    {
        const PlatformServices services = PlatformFactory::create();
        QVERIFY(!services.available());
        QVERIFY(!services.keyboard && !services.windows && !services.keyState);
    }
    // A display that does not answer is no display either.
    qputenv("DISPLAY", ":65000");
    {
        const PlatformServices services = PlatformFactory::create();
        QVERIFY(!services.keyboard && !services.windows && !services.keyState);
    }
    qputenv("DISPLAY", display);
}

QTEST_GUILESS_MAIN(tst_X11Platform)
#include "tst_X11Platform.moc"
