// The window list and activation on a desktop with a window manager (openbox on a private
// Xvfb): clients are found through the manager's stacking list and activated through it.

#include "core/MainController.h"
#include "output/TargetApplication.h"
#include "platform/X11Display.h"
#include "platform/X11Keyboard.h"
#include "platform/X11WindowList.h"
#include "support/ProgramFolder.h"
#include "support/RecordingMainView.h"
#include "support/ScriptedDialogs.h"
#include "support/XtermReceiver.h"
#include "support/XvfbServer.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <X11/Xlib.h>

class tst_X11WindowManager : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void listsClientWindowsTopFirst();
    void activatesThroughTheManager_data();
    void activatesThroughTheManager();

private:
    std::unique_ptr<XvfbServer> m_server;
    QProcess m_manager;
    std::unique_ptr<XtermReceiver> m_alpha;
    std::unique_ptr<XtermReceiver> m_beta;
    std::shared_ptr<X11Display> m_display;
    std::unique_ptr<X11Keyboard> m_keyboard;
    std::unique_ptr<X11WindowList> m_windows;
};

void tst_X11WindowManager::initTestCase() {
    if (QStandardPaths::findExecutable(QStringLiteral("openbox")).isEmpty()) {
        QFAIL("openbox is not installed (tools/install-deps.sh installs it)");
    }
    m_server = std::make_unique<XvfbServer>();
    QVERIFY2(m_server->isRunning(), qPrintable(m_server->error()));
    m_server->makeCurrent();
    m_manager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    QVERIFY(m_manager.waitForStarted(10000));
    m_display = std::make_shared<X11Display>();
    QVERIFY(m_display->isOpen());
    m_windows = std::make_unique<X11WindowList>(m_display);
    QVERIFY(QTest::qWaitFor([this] { return m_windows->windowManagerPresent(); }, 10000));
    m_keyboard = std::make_unique<X11Keyboard>(m_display);
    m_alpha = std::make_unique<XtermReceiver>(*m_server, QStringLiteral("Managed Receiver Alpha"));
    QVERIFY(m_alpha->waitUntilReady());
    m_beta = std::make_unique<XtermReceiver>(*m_server, QStringLiteral("Managed Receiver Beta"));
    QVERIFY(m_beta->waitUntilReady());
}

void tst_X11WindowManager::cleanupTestCase() {
    m_windows.reset();
    m_keyboard.reset();
    m_display.reset();
    m_alpha.reset();
    m_beta.reset();
    m_manager.terminate();
    m_manager.waitForFinished(5000);
    m_server.reset();
}

void tst_X11WindowManager::listsClientWindowsTopFirst() {
    // The list holds the clients, not the manager's frames around them.
    QList<TopLevelWindow> windows;
    QVERIFY(QTest::qWaitFor(
        [&] {
            windows = m_windows->topLevelWindows();
            QStringList titles;
            for (const TopLevelWindow& window : windows) {
                titles.append(window.title);
            }
            return titles.contains(m_alpha->title()) && titles.contains(m_beta->title());
        },
        10000));
    qsizetype alpha = -1;
    qsizetype beta = -1;
    for (qsizetype i = 0; i < windows.size(); ++i) {
        if (windows.at(i).title == m_alpha->title()) {
            alpha = i;
            QCOMPARE(windows.at(i).id, m_alpha->window());
            QVERIFY(windows.at(i).visible);
        } else if (windows.at(i).title == m_beta->title()) {
            beta = i;
            QCOMPARE(windows.at(i).id, m_beta->window());
        }
    }
    // Beta was mapped last, so the manager stacks it above Alpha.
    QVERIFY2(beta < alpha, qPrintable(QStringLiteral("alpha %1, beta %2").arg(alpha).arg(beta)));
}

void tst_X11WindowManager::activatesThroughTheManager_data() {
    QTest::addColumn<QString>("fragment");
    QTest::addColumn<QString>("text");
    QTest::newRow("lower window") << "Alpha"
                                  << "12,5{TAB}g{ENTER}";
    QTest::newRow("other window") << "Beta"
                                  << "@{}";
    QTest::newRow("back again") << "Alpha"
                                << "°µ";
}

void tst_X11WindowManager::activatesThroughTheManager() {
    QFETCH(QString, fragment);
    QFETCH(QString, text);
    ProgramFolder folder;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    MainController controller(view, dialogs);
    controller.settings().portnum = QStringLiteral("99");
    controller.settings().Anwendung = fragment;
    XtermReceiver& target = fragment == QLatin1String("Alpha") ? *m_alpha : *m_beta;
    XtermReceiver& other = fragment == QLatin1String("Alpha") ? *m_beta : *m_alpha;
    const qsizetype before = target.received().size();
    const qsizetype otherBefore = other.received().size();

    TargetApplication application(controller, m_windows.get(), m_keyboard.get());
    application.deliverKeystrokes(text + QStringLiteral("#"));
    QVERIFY(dialogs.messages.isEmpty());
    QVERIFY(target.waitForBytes(before + 1));
    QVERIFY(QTest::qWaitFor([&] { return target.received().endsWith('#'); }, 10000));
    const QByteArray expected = QString(text)
                                    .replace(QStringLiteral("{TAB}"), QStringLiteral("\t"))
                                    .replace(QStringLiteral("{ENTER}"), QStringLiteral("\r"))
                                    .toUtf8() +
                                "#";
    QCOMPARE(target.received().mid(before), expected);
    QCOMPARE(other.received().size(), otherBefore);
}

QTEST_GUILESS_MAIN(tst_X11WindowManager)
#include "tst_X11WindowManager.moc"
