// The Wayland desktop services against a headless sway run as an unprivileged user, with foot
// terminals as the receiving windows: texts typed byte for byte through the virtual keyboard
// under two layouts, the window list and activation, the backend chosen at start, and the
// program itself typing the records of the device simulator into the window chosen by title
// while another window has the focus.

#include "base/files/ProgramDirectory.h"
#include "platform/PlatformFactory.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandKeyboard.h"
#include "platform/wayland/WaylandKeymap.h"
#include "platform/wayland/WaylandWindowList.h"
#include "support/DeviceSimulator.h"
#include "support/ProcessRunner.h"
#include "support/ProgramFolder.h"
#include "support/SwaySession.h"
#include "support/TestFiles.h"

#include <QtTest>

#include <csignal>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// What a raw terminal receives for a text: Return arrives as CR, everything else as its UTF-8.
QByteArray received(const QString& text) {
    return text.toUtf8();
}

std::vector<KeyToken> tokensOf(const QString& text) {
    std::vector<KeyToken> tokens;
    for (const char32_t c : text.toUcs4()) {
        tokens.push_back(KeyToken::ofCharacter(c));
    }
    return tokens;
}

QString distinctCharacters(char32_t first, int count) {
    QString text;
    for (char32_t c = first; c < first + static_cast<char32_t>(count); ++c) {
        text += QString::fromUcs4(&c, 1);
    }
    return text;
}

} // namespace

class tst_Wayland : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void typesTextByteForByte_data();
    void typesTextByteForByte();
    void listsAndActivatesWindows();
    void choosesTheVirtualKeyboard();
    void deliversRecordsToTheTargetWindow_data();
    void deliversRecordsToTheTargetWindow();

private:
    QString file(const QString& name) const { return m_sway->folder() + u'/' + name; }
    bool activate(WaylandWindowList& windows, const QString& title);
    // A terminal whose shell writes to file, once its window is listed: the shell starts before
    // the window is mapped.
    bool openTerminal(const QString& title, const QString& file);

    std::unique_ptr<SwaySession> m_sway;
    std::shared_ptr<WaylandConnection> m_seatConnection;
    std::unique_ptr<WaylandKeyboard> m_seatKeyboard;
    QByteArray m_previousDisplay;
};

void tst_Wayland::initTestCase() {
    m_sway = std::make_unique<SwaySession>();
    if (!m_sway->isRunning()) {
        QSKIP(qPrintable(m_sway->error()));
    }
    // The services under test connect as the test itself does: through $WAYLAND_DISPLAY.
    m_previousDisplay = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    qputenv("WAYLAND_DISPLAY", QFile::encodeName(m_sway->socket()));
    // The seat of a desktop has a keyboard before any window opens, and every terminal binds it at
    // start. Without one the seat gains a keyboard only with a row's own, and a terminal that has
    // not yet bound it when the first keys arrive never sees them.
    m_seatConnection = WaylandConnection::open();
    QVERIFY(m_seatConnection);
    m_seatKeyboard = WaylandKeyboard::create(m_seatConnection, WaylandKeymap::fromNames("us"));
    QVERIFY(m_seatKeyboard);
}

void tst_Wayland::cleanupTestCase() {
    m_seatKeyboard.reset();
    m_seatConnection.reset();
    m_sway.reset();
    qunsetenv("WAYLAND_DISPLAY");
    if (!m_previousDisplay.isEmpty()) {
        qputenv("DISPLAY", m_previousDisplay);
    }
}

void tst_Wayland::cleanup() {
    if (m_sway) {
        m_sway->closeTerminals();
    }
}

bool tst_Wayland::openTerminal(const QString& title, const QString& file) {
    if (!m_sway->openTerminal(title, file)) {
        return false;
    }
    const std::shared_ptr<WaylandConnection> connection = WaylandConnection::open();
    const std::unique_ptr<WaylandWindowList> windows =
        connection ? WaylandWindowList::create(connection) : nullptr;
    const QDeadlineTimer deadline(10000);
    while (windows && !deadline.hasExpired()) {
        for (const TopLevelWindow& window : windows->topLevelWindows()) {
            if (window.title == title) {
                return true;
            }
        }
        QTest::qWait(20);
    }
    return false;
}

bool tst_Wayland::activate(WaylandWindowList& windows, const QString& title) {
    for (const TopLevelWindow& window : windows.topLevelWindows()) {
        if (window.title == title) {
            return windows.activate(window.id);
        }
    }
    return false;
}

void tst_Wayland::typesTextByteForByte_data() {
    QTest::addColumn<QByteArray>("layout");
    QTest::addColumn<QString>("text");
    QTest::newRow("us: shifted, lacking") << "us"_ba << u"12,5 g@#~|{}<>\tÄäµ°€ł\r"_s;
    QTest::newRow("de: AltGr, shifted, lacking") << "de"_ba << u"@12,5 g µ°ä€ł{}[]\\~|<>\tжΩ✓\r"_s;
    QTest::newRow("de: AltGr first") << "de"_ba << u"€ end\r"_s;
    // More characters than the layout has empty keys: the keyboard changes keymaps midway.
    QTest::newRow("us: 400 characters the layout lacks")
        << "us"_ba << distinctCharacters(U'一', 400) + u"\r"_s;
}

// A new virtual keyboard for each row, so that every row checks the first key of a keyboard.
void tst_Wayland::typesTextByteForByte() {
    QFETCH(QByteArray, layout);
    QFETCH(QString, text);
    // A title and a file of their own: the window of the row before may still be listed while sway
    // lets it go, and its shell may still hold its file.
    static int row = 0;
    const QString receiver = file(u"typed%1.txt"_s.arg(++row));
    const QString title = u"Receiver "_s + QString::fromLatin1(QTest::currentDataTag());
    QVERIFY(openTerminal(title, receiver));
    std::shared_ptr<WaylandConnection> connection = WaylandConnection::open();
    QVERIFY(connection);
    std::unique_ptr<WaylandWindowList> windows = WaylandWindowList::create(connection);
    QVERIFY(windows);
    // The keyboard is there before the window is activated, as in the program, which makes it at
    // start; its first key is still the first key of the text.
    std::unique_ptr<WaylandKeyboard> keyboard =
        WaylandKeyboard::create(connection, WaylandKeymap::fromNames(layout));
    QVERIFY(keyboard);
    QVERIFY(activate(*windows, title));
    keyboard->typeKeys(tokensOf(text));
    // Every modifier is let go at the end.
    QVERIFY(!keyboard->lastBurst().empty());
    QCOMPARE(keyboard->lastBurst().back(),
             (WaylandKeyboard::Event{WaylandKeyboard::Event::Kind::Modifiers, 0, 0}));
    const QByteArray expected = received(text);
    QTRY_COMPARE_WITH_TIMEOUT(TestFiles::read(receiver).size(), expected.size(), 10000);
    QCOMPARE(TestFiles::read(receiver), expected);
}

// Both terminals are listed with their titles, the active one first; activating the other one
// makes it active, and a window that is gone cannot be activated.
void tst_Wayland::listsAndActivatesWindows() {
    QVERIFY(openTerminal(u"Kelvane Window One"_s, file(u"one.txt"_s)));
    QVERIFY(openTerminal(u"Kelvane Window Two"_s, file(u"two.txt"_s)));
    std::shared_ptr<WaylandConnection> connection = WaylandConnection::open();
    QVERIFY(connection);
    std::unique_ptr<WaylandWindowList> windows = WaylandWindowList::create(connection);
    QVERIFY(windows);
    const auto titles = [&] {
        QStringList list;
        for (const TopLevelWindow& window : windows->topLevelWindows()) {
            list << (window.visible && window.bordered ? window.title : u"hidden "_s + window.title);
        }
        return list;
    };
    QCOMPARE(titles(), (QStringList{u"Kelvane Window Two"_s, u"Kelvane Window One"_s}));
    QVERIFY(activate(*windows, u"Kelvane Window One"_s));
    QCOMPARE(titles(), (QStringList{u"Kelvane Window One"_s, u"Kelvane Window Two"_s}));
    const quint64 one = windows->topLevelWindows().first().id;
    m_sway->closeTerminals();
    QTRY_VERIFY_WITH_TIMEOUT(windows->topLevelWindows().isEmpty(), 5000);
    QVERIFY(!windows->activate(one));
}

// With only a Wayland display the session uses the virtual keyboard and the compositor's window
// list, has no global key state, and says so in the current language.
void tst_Wayland::choosesTheVirtualKeyboard() {
    ProgramFolder folder;
    const PlatformServices services = PlatformFactory::create();
    QCOMPARE(services.backend, PlatformServices::Backend::WaylandVirtualKeyboard);
    QVERIFY(services.keyboard && services.windows && !services.keyState);
    QVERIFY(services.unknownBackendSetting.isEmpty());

    QVERIFY(TestFiles::write(folder.file(u"kelvane.ini"_s), "[desktop]\nbackend=x11\n"));
    const PlatformServices forced = PlatformFactory::create();
    QCOMPARE(forced.backend, PlatformServices::Backend::Unavailable);
    QVERIFY(!forced.keyboard && !forced.windows && !forced.keyState);

    QVERIFY(TestFiles::write(folder.file(u"kelvane.ini"_s), "[desktop]\nbackend=wayland-portal\n"));
    const PlatformServices unknown = PlatformFactory::create();
    QCOMPARE(unknown.backend, PlatformServices::Backend::WaylandVirtualKeyboard);
    QCOMPARE(unknown.unknownBackendSetting, u"wayland-portal"_s);
}

void tst_Wayland::deliversRecordsToTheTargetWindow_data() {
    QTest::addColumn<QByteArray>("layout");
    QTest::addColumn<QString>("before");  // typed before the value; the output template's own text
    QTest::addColumn<QString>("between"); // between the value and the unit
    QTest::newRow("us") << "us"_ba << u"@#"_s << u" äµ°€ "_s;
    QTest::newRow("de") << "de"_ba << u"@"_s << u" µ°ä€ł{}ж "_s;
}

// The program runs headless as the session's user, takes the simulator's records over TCP and
// types each into the terminal whose title holds the target text, although the other terminal
// was opened later and has the focus. Every line arrives complete from its first key on, and
// nothing reaches the other terminal.
void tst_Wayland::deliversRecordsToTheTargetWindow() {
    QFETCH(QByteArray, layout);
    QFETCH(QString, before);
    QFETCH(QString, between);
    const QString target = file(u"target.txt"_s);
    const QString other = file(u"other.txt"_s);
    QFile::remove(target);
    QFile::remove(other);
    QVERIFY(openTerminal(u"Kelvane Target Terminal"_s, target));
    QVERIFY(openTerminal(u"Other Terminal"_s, other));

    DeviceSimulator simulator;
    QVERIFY(simulator.start({u"--interval"_s, u"200"_s, u"--ramp"_s, u"10:90:0.25"_s}));
    ProgramFolder folder;
    folder.writeConfiguration(u"standard.cfg"_s,
                              simulator.portSettings() + "[Anwendung]\nAnwendung=Target Terminal\nFormat=" +
                                  before.toUtf8() + "{Messwert}" + between.toUtf8() + "{Einheit}{ENTER}\n");
    // A copy of the program in the folder, so that no folder of the build needs to be open to the user.
    QVERIFY(QFile::copy(TestFiles::binaryDir() + u"/kelvane"_s, folder.file(u"kelvane"_s)));
    QVERIFY(::chown(QFile::encodeName(folder.path()).constData(), m_sway->uid(), m_sway->gid()) == 0);
    for (const QString& name : QDir(folder.path()).entryList(QDir::Files)) {
        QVERIFY(::chown(QFile::encodeName(folder.file(name)).constData(), m_sway->uid(), m_sway->gid()) == 0);
    }
    ProcessRunner kelvane(folder.file(u"kelvane"_s));
    QProcessEnvironment environment = m_sway->clientEnvironment(QString::fromLatin1(layout));
    environment.insert(u"KELVANE_HOME"_s, folder.path());
    kelvane.process().setProcessEnvironment(environment);
    m_sway->runAsUser(kelvane.process());
    QVERIFY(kelvane.start({u"--headless"_s}));
    QVERIFY2(
        kelvane.waitForError("status: Keystroke output and the window list use Wayland (virtual keyboard). "
                             "Hotkeys are off: this desktop offers no GlobalShortcuts portal.\n"),
        kelvane.standardError().constData());
    QTRY_VERIFY_WITH_TIMEOUT(TestFiles::read(target).count('\r') >= 5, 20000);
    QVERIFY(kelvane.signalAndWait(SIGTERM));
    QCOMPARE(kelvane.exitCode(), 0);
    QVERIFY2(!kelvane.standardError().contains("message:"), kelvane.standardError().constData());

    QList<QByteArray> lines = TestFiles::read(target).split('\r');
    lines.removeLast(); // after the last CR: nothing, or a line still being typed at the end
    QVERIFY(lines.size() >= 5);
    const QByteArray prefix = before.toUtf8();
    const QByteArray suffix = between.toUtf8() + "g";
    QVERIFY2(lines.first().startsWith(prefix) && lines.first().endsWith(suffix), lines.first().constData());
    const double first =
        lines.first().mid(prefix.size(), lines.first().size() - prefix.size() - suffix.size()).toDouble();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QCOMPARE(lines[i],
                 prefix + QByteArray::number(first + 0.25 * static_cast<double>(i), 'f', 2) + suffix);
    }
    QCOMPARE(TestFiles::read(other), QByteArray());
}

QTEST_GUILESS_MAIN(tst_Wayland)
#include "tst_Wayland.moc"
