// Keystrokes through the desktop's RemoteDesktop portal, against a fake portal on a private
// session bus that records the calls: the session is asked for once with the keyboard only and
// persist mode 2, the restore token is kept in kelvane.ini and offered at the next start, every
// key goes as its keysym, pressed and released, and a refused or closed session types nothing
// and is asked for again with the next text.

#include "base/delivery/KeyTokenizer.h"
#include "base/files/IniFile.h"
#include "base/texts/LanguageTable.h"
#include "platform/PlatformFactory.h"
#include "support/FakePortal.h"
#include "support/PrivateBus.h"
#include "support/ProgramFolder.h"
#include "support/TestFiles.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class tst_Portal : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void typesKeysyms_data();
    void typesKeysyms();
    void keepsTheRestoreToken();
    void refusedStartTypesNothing();
    void closedSessionIsAskedForAgain();

private:
    PlatformServices portalServices();
    QString storedToken() const {
        return IniFile::read(m_folder->file(u"kelvane.ini"_s), u"desktop"_s, u"restore_token"_s, {});
    }

    PrivateBus m_bus;
    std::unique_ptr<FakePortal> m_portal;
    std::unique_ptr<ProgramFolder> m_folder;
};

void tst_Portal::initTestCase() {
    if (QStandardPaths::findExecutable(u"dbus-daemon"_s).isEmpty()) {
        QSKIP("dbus-daemon is not installed");
    }
    QVERIFY(m_bus.start());
    m_bus.makeCurrent();
    // A Wayland session whose compositor is not reachable: only the portal is left.
    qputenv("WAYLAND_DISPLAY", "/nonexistent/kelvane-test-no-compositor");
    qunsetenv("DISPLAY");
    m_portal = std::make_unique<FakePortal>(m_bus.address());
    QVERIFY(m_portal->isRegistered());
}

void tst_Portal::init() {
    m_portal->reset();
    m_folder = std::make_unique<ProgramFolder>();
}

PlatformServices tst_Portal::portalServices() {
    return PlatformFactory::create();
}

void tst_Portal::typesKeysyms_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("digits, capital, AltGr sign")
        << u"1A@€"_s << QStringList{"+31", "-31", "+41", "-41", "+40", "-40", "+20ac", "-20ac"};
    QTest::newRow("Latin-1, beyond, named keys")
        << u"ä ж{TAB}{ENTER}"_s << QStringList{"+e4",      "-e4",   "+20",   "-20",   "+1000436",
                                               "-1000436", "+ff09", "-ff09", "+ff0d", "-ff0d"};
    QTest::newRow("a lone Shift tap") << u"+"_s << QStringList{"+ffe1", "-ffe1"};
}

// Without a virtual keyboard the session takes the portal: the keyboard and nothing else. Each
// key goes to the session as its keysym.
void tst_Portal::typesKeysyms() {
    QFETCH(QString, text);
    QFETCH(QStringList, events);
    PlatformServices services = portalServices();
    QCOMPARE(services.backend, PlatformServices::Backend::Portal);
    QVERIFY(services.keyboard && !services.windows && !services.keyState);
    // This portal has no GlobalShortcuts interface.
    QVERIFY(PlatformFactory::statusText(services).contains(languageText(TextKey::DesktopHotkeysOff)));
    KeyTokenizer::typeText(text, *services.keyboard);
    QCOMPARE(m_portal->keyEvents(), events);
    const QString session = m_portal->callsOf(u"CreateSession"_s)
                                .value(0)
                                .arguments.value(0)
                                .toMap()
                                .value(u"session_handle_token"_s)
                                .toString();
    for (const FakePortal::Call& call : m_portal->callsOf(u"NotifyKeyboardKeysym"_s)) {
        QVERIFY2(call.arguments.at(0).toString().endsWith(u'/' + session),
                 qPrintable(call.arguments.at(0).toString()));
    }
}

// The first start offers no token and keeps the one the desktop hands out; the next run of the
// program offers it, and keeps the new one. One session serves every text of a run.
void tst_Portal::keepsTheRestoreToken() {
    {
        PlatformServices services = portalServices();
        KeyTokenizer::typeText(u"1"_s, *services.keyboard);
        KeyTokenizer::typeText(u"2"_s, *services.keyboard);
    }
    QCOMPARE(m_portal->callsOf(u"CreateSession"_s).size(), 1);
    QCOMPARE(m_portal->keyEvents(), (QStringList{"+31", "-31", "+32", "-32"}));
    const QVariantMap first = m_portal->callsOf(u"SelectDevices"_s).at(0).arguments.at(1).toMap();
    QCOMPARE(first.value(u"types"_s).toUInt(), 1u);
    QCOMPARE(first.value(u"persist_mode"_s).toUInt(), 2u);
    QVERIFY(!first.contains(u"restore_token"_s));
    QCOMPARE(storedToken(), u"token-1"_s);

    PlatformServices again = portalServices();
    KeyTokenizer::typeText(u"3"_s, *again.keyboard);
    QCOMPARE(m_portal->callsOf(u"SelectDevices"_s).at(1).arguments.at(1).toMap().value(u"restore_token"_s),
             QVariant(u"token-1"_s));
    QCOMPARE(storedToken(), u"token-2"_s);
}

// The user says no: nothing is typed and no token kept; the next text asks again.
void tst_Portal::refusedStartTypesNothing() {
    m_portal->startResponse = 1;
    PlatformServices services = portalServices();
    KeyTokenizer::typeText(u"12"_s, *services.keyboard);
    QCOMPARE(m_portal->keyEvents(), QStringList());
    QCOMPARE(m_portal->callsOf(u"Start"_s).size(), 1);
    QCOMPARE(storedToken(), QString());

    m_portal->startResponse = 0;
    KeyTokenizer::typeText(u"5"_s, *services.keyboard);
    QCOMPARE(m_portal->callsOf(u"Start"_s).size(), 2);
    QCOMPARE(m_portal->keyEvents(), (QStringList{"+35", "-35"}));
}

// The desktop ends the session midway: the rest of that text is dropped, and the next text
// starts a new session.
void tst_Portal::closedSessionIsAskedForAgain() {
    m_portal->refuseKeysFrom = 3;
    PlatformServices services = portalServices();
    KeyTokenizer::typeText(u"123"_s, *services.keyboard);
    QCOMPARE(m_portal->keyEvents(), (QStringList{"+31", "-31"}));
    m_portal->refuseKeysFrom = 0;
    KeyTokenizer::typeText(u"4"_s, *services.keyboard);
    QCOMPARE(m_portal->callsOf(u"CreateSession"_s).size(), 2);
    QCOMPARE(m_portal->keyEvents(), (QStringList{"+31", "-31", "+34", "-34"}));
}

QTEST_GUILESS_MAIN(tst_Portal)
#include "tst_Portal.moc"
