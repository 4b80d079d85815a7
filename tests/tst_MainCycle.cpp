#include "core/MainController.h"
#include "core/MainCycle.h"
#include "language/LanguageTable.h"
#include "support/ProgramFolder.h"
#include "support/RecordingMainView.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {

QByteArray record(const char* value, const char* unit = "g ") {
    return QByteArray("N     +   ") + value + " " + unit + " \r\n";
}

// The program with a device played by the test over loopback TCP.
struct Bench {
    explicit Bench(const QByteArray& settings) : controller(view, dialogs), cycle(controller) {
        server.listen(QHostAddress::LocalHost, 0);
        TestFiles::write(folder.file(QStringLiteral("kelvane.ini")), "[waittime]\nm_waittime=0.3\n");
        folder.writeConfiguration(QStringLiteral("standard.cfg"),
                                  "[Port settings]\nportnum=TCP/IP\ntcpip=127.0.0.1\ntcpport=" +
                                      QByteArray::number(server.serverPort()) +
                                      "\n[Anwendung]\nAnwendung=Text-Datei\nTextFile=out.txt\n" + settings);
    }
    bool start() { return controller.formLoad() && acceptLatest(); }
    // The program connects again on start-up and on every press of buttons 1 to 6; the last
    // connection is the live one.
    bool acceptLatest() {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 3000 && controller.link().socketState() != DeviceLink::Connected) {
            QTest::qWait(20);
        }
        QTest::qWait(100);
        while (server.hasPendingConnections()) {
            device = server.nextPendingConnection();
        }
        return device && device->state() == QAbstractSocket::ConnectedState;
    }
    void send(const QByteArray& bytes) {
        device->write(bytes);
        device->flush();
    }
    QByteArray output() const { return TestFiles::read(folder.file(QStringLiteral("out.txt"))); }

    ProgramFolder folder;
    QTcpServer server;
    QTcpSocket* device = nullptr;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    MainController controller;
    MainCycle cycle;
};

} // namespace

class tst_MainCycle : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void hotkeyModeNeedsSend();
    void refusals_data();
    void refusals();
    void emptyOutputStillLogged();
    void ddeClientTargetSkipsDelivery();
    void unloadingWaitHoldsTheCycle();
};

void tst_MainCycle::hotkeyModeNeedsSend() {
    Bench b("Format={Messwert}\n[Mode]\nmodus=HOTKEY\n");
    QVERIFY(b.start());
    b.send(record("  1.00"));
    QTRY_COMPARE(b.view.valueText(), QStringLiteral("1.00"));
    QCOMPARE(b.output(), QByteArray());

    // Send: the next accepted record goes out, and only that one.
    b.controller.Command5_Click(1);
    QVERIFY(b.controller.TransferPending);
    QVERIFY(b.acceptLatest());
    QTest::qWait(400); // nothing arrives: the transfer stays pending
    QVERIFY(b.controller.TransferPending);
    b.send(record("  2.00"));
    QTRY_COMPARE(b.output(), QByteArray("2.00\r\n"));
    b.send(record("  3.00"));
    QTRY_COMPARE(b.view.valueText(), QStringLiteral("3.00"));
    QCOMPARE(b.output(), QByteArray("2.00\r\n"));

    // A refused record clears the pending transfer: Send must be pressed again.
    b.controller.Command5_Click(1);
    QVERIFY(b.acceptLatest());
    b.send(record("  4.00", "  "));
    QTRY_COMPARE(b.view.statusText(), LanguageText(QStringLiteral("TextKeinStillstand")));
    QVERIFY(!b.controller.TransferPending);
    b.send(record("  5.00"));
    QTRY_COMPARE(b.view.valueText(), QStringLiteral("5.00"));
    QTest::qWait(100);
    QCOMPARE(b.output(), QByteArray("2.00\r\n"));
    b.controller.formUnload();
}

void tst_MainCycle::refusals_data() {
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QByteArray>("delivered");
    QTest::newRow("above the upper limit") << QByteArray("[Filter]\nOTG=100\n") << record("100.01")
                                           << "TextMesswertGroesserMaximum" << QByteArray();
    QTest::newRow("on the upper limit")
        << QByteArray("[Filter]\nOTG=100\n") << record("100.00") << "" << QByteArray("100.00\r\n");
    QTest::newRow("below the lower limit")
        << QByteArray("[Filter]\nUTG=5\n[Entlastung]\nentlastung=False\n") << record("  4.99")
        << "TextMesswertKleinerMinimum" << QByteArray();
    QTest::newRow("value no number, lower limit") << QByteArray("[Filter]\nUTG=5\n") << record("------")
                                                  << "TextMesswertKleinerMinimum" << QByteArray();
    QTest::newRow("value no number, no limits")
        << QByteArray() << record("------") << "" << QByteArray("0.000000\r\n");
    QTest::newRow("unstable") << QByteArray() << record("  1.00", "  ") << "TextKeinStillstand"
                              << QByteArray();
    QTest::newRow("unstable accepted without stability check")
        << QByteArray("[Stillstand]\nstillstand=False\n") << record("  1.00", "  ") << ""
        << QByteArray("1.00\r\n");
}

void tst_MainCycle::refusals() {
    QFETCH(QByteArray, settings);
    QFETCH(QByteArray, sent);
    QFETCH(QString, status);
    QFETCH(QByteArray, delivered);
    Bench b("Format={Messwert}\n[Mode]\nmodus=PRINT\n" + settings);
    QVERIFY(b.start());
    b.send(sent);
    if (status.isEmpty()) {
        QTRY_COMPARE(b.output(), delivered);
    } else {
        QTRY_COMPARE(b.view.statusText(), LanguageText(status));
        QTest::qWait(100);
        QCOMPARE(b.output(), delivered);
    }
    b.controller.formUnload();
}

void tst_MainCycle::emptyOutputStillLogged() {
    Bench b("Format=\n[Mode]\nmodus=PRINT\n");
    QVERIFY(b.start());
    b.send(record("  7.00"));
    QTRY_VERIFY(TestFiles::read(b.folder.file(QStringLiteral("protocol.txt"))).endsWith("\r\nCommand: \r\n"));
    QCOMPARE(TestFiles::read(b.folder.file(QStringLiteral("protocol.txt"))),
             "Datenstring: " + record("  7.00") + "\r\nCommand: \r\n");
    b.controller.formUnload();
}

void tst_MainCycle::ddeClientTargetSkipsDelivery() {
    Bench b("Format={Messwert}\n[Mode]\nmodus=PRINT\n");
    b.folder.writeConfiguration(QStringLiteral("standard.cfg"),
                                "[Port settings]\nportnum=TCP/IP\ntcpip=127.0.0.1\ntcpport=" +
                                    QByteArray::number(b.server.serverPort()) +
                                    "\n[Anwendung]\nAnwendung=*DDE*\nFormat={Messwert}\n");
    QSignalSpy client(&b.controller, &MainController::ddeCommandRequested);
    QVERIFY(b.start());
    b.view.setStatus1Text(3, QStringLiteral("unchanged"));
    b.send(record("  8.00"));
    QTRY_COMPARE(client.count(), 1);
    QCOMPARE(b.controller.dde.DDESTRING, QStringLiteral("8.00"));
    QCOMPARE(b.view.status1Text(3), QStringLiteral("unchanged"));
    QCOMPARE(b.dialogs.beeps, 0);
    b.controller.formUnload();
}

void tst_MainCycle::unloadingWaitHoldsTheCycle() {
    Bench b("Format={Messwert}\n[Mode]\nmodus=PRINT\n[Filter]\nUTG=5\n[Entlastung]\nentlastung=True\n");
    QVERIFY(b.start());
    // The balance reports its load continuously: loaded, unloaded, loaded again. The scenario
    // runs from the event loop, as the cycle holds the test's own code during the wait.
    QElapsedTimer clock;
    clock.start();
    QTimer stream;
    QObject::connect(&stream, &QTimer::timeout, [&] {
        const qint64 t = clock.elapsed();
        b.send(record(t < 2000 ? " 10.00" : t < 3000 ? "  0.00" : t < 4000 ? " 12.00" : "  0.00"));
    });
    stream.start(50);
    QTRY_VERIFY_WITH_TIMEOUT(clock.elapsed() > 4500, 10000);
    stream.stop();
    QCOMPARE(b.output(), QByteArray("10.00\r\n12.00\r\n"));
    QVERIFY(b.view.statusWrites.contains(LanguageText(QStringLiteral("TextWarteAufEntlastung"))));
    QVERIFY(b.view.statusWrites.contains(LanguageText(QStringLiteral("TextMesswertKleinerMinimum"))));
    b.controller.formUnload();
}

QTEST_GUILESS_MAIN(tst_MainCycle)
#include "tst_MainCycle.moc"
