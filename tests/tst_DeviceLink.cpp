#include "core/MainController.h"
#include "core/MainCycle.h"
#include "language/LanguageTable.h"
#include "support/DeviceSimulator.h"
#include "support/ProgramFolder.h"
#include "support/RecordingMainView.h"
#include "support/ScriptedDialogs.h"
#include "support/SocatPair.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QByteArray Record = "N     +   123.45 g  \r\n";

// The device's end of a pseudo-terminal pair, opened raw.
class DeviceEnd {
public:
    explicit DeviceEnd(const QString& path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY)) {}
    ~DeviceEnd() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    DeviceEnd(const DeviceEnd&) = delete;
    DeviceEnd& operator=(const DeviceEnd&) = delete;
    bool isOpen() const { return m_fd >= 0; }
    bool write(const QByteArray& bytes) {
        return ::write(m_fd, bytes.constData(), bytes.size()) == bytes.size();
    }
    // Reads until count bytes came or the time is up.
    QByteArray read(int count, int timeoutMs = 5000) {
        QByteArray bytes;
        QElapsedTimer clock;
        clock.start();
        while (bytes.size() < count && clock.elapsed() < timeoutMs) {
            char buffer[256];
            const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
            if (got > 0) {
                bytes.append(buffer, got);
            } else {
                QTest::qWait(10);
            }
        }
        return bytes;
    }
    void makeNonBlocking() { ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK); }

private:
    int m_fd;
};

struct Program {
    Program() : controller(view, dialogs), cycle(controller) {}
    ProgramFolder folder;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    MainController controller;
    MainCycle cycle;

    void serialOn(const SocatPair& pair, const QByteArray& more = {}) {
        TestFiles::write(folder.file(QStringLiteral("kelvane.ini")),
                         "[waittime]\nm_waittime=0.5\n[ports]\nCOM5=" + QFile::encodeName(pair.programEnd()) +
                             "\n");
        folder.writeConfiguration(QStringLiteral("standard.cfg"), "[Port settings]\nportnum=5\n" + more);
    }
    void tcpOn(quint16 port, const QByteArray& more = {}) {
        TestFiles::write(folder.file(QStringLiteral("kelvane.ini")), "[waittime]\nm_waittime=0.5\n");
        folder.writeConfiguration(QStringLiteral("standard.cfg"),
                                  "[Port settings]\nportnum=TCP/IP\ntcpip=127.0.0.1\ntcpport=" +
                                      QByteArray::number(port) + "\n" + more);
    }
    QByteArray output() const { return TestFiles::read(folder.file(QStringLiteral("out.txt"))); }
};

const QByteArray TextTarget =
    "[Anwendung]\nAnwendung=Text-Datei\nTextFile=out.txt\nFormat={Messwert};{Einheit}\n";

} // namespace

class tst_DeviceLink : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void serialRecordsAreShownAndDelivered();
    void tcpRecordsFromTheSimulator();
    void unstableRecordsAreRefused();
    void commandBytesOnTheWire_data();
    void commandBytesOnTheWire();
    void commandAnswerOverTcpIsDelivered();
    void emptyCaptionSendsNothing();
    void lostSerialDeviceClosesThePort();
    void lostTcpPeerIsReportedAndReconnects();
    void garbageAndPartialRecordsAreSurvived();
    void onlineButtonTwiceKeepsTheSettings();
};

void tst_DeviceLink::serialRecordsAreShownAndDelivered() {
    SocatPair pair;
    QVERIFY(pair.start());
    Program p;
    p.serialOn(pair, "[Mode]\nmodus=PRINT\n" + TextTarget);
    QVERIFY(p.controller.formLoad());
    QVERIFY(p.controller.link().isSerialOpen());
    QCOMPARE(p.view.statusWrites.contains(LanguageText(QStringLiteral("TextMessgeraetAktiviert")) +
                                          QStringLiteral(" COM5")),
             true);
    DeviceEnd device(pair.deviceEnd());
    QVERIFY(device.isOpen());
    QTest::qWait(100);
    QVERIFY(device.write(Record));
    QTRY_COMPARE(p.output(), QByteArray("123.45;g\r\n"));
    QCOMPARE(p.view.valueText(), QStringLiteral("123.45"));
    // Sign and unit labels empty again when the next read times out; the DDE items keep them.
    QCOMPARE(p.controller.dde.DDESign, QStringLiteral("+"));
    QCOMPARE(p.controller.dde.DDEUnit, QStringLiteral("g"));
    QCOMPARE(p.controller.dde.DDEValue, QStringLiteral("123.45"));
    QCOMPARE(p.controller.dde.DDEDirect, QString::fromLatin1(Record));
    QCOMPARE(TestFiles::read(p.folder.file(QStringLiteral("protocol.txt"))),
             "Datenstring: " + Record + "\r\nCommand: 123.45;g\r\n");
    // A record split over two writes is still one record.
    QVERIFY(device.write(Record.left(9)));
    QTest::qWait(50);
    QVERIFY(device.write("   -7.50 kg \r\n"));
    QTRY_COMPARE(p.output(), QByteArray("123.45;g\r\n-7.50;kg\r\n"));
    p.controller.formUnload();
}

void tst_DeviceLink::tcpRecordsFromTheSimulator() {
    DeviceSimulator simulator;
    QVERIFY(
        simulator.start({QStringLiteral("--mode"), QStringLiteral("interval"), QStringLiteral("--interval"),
                         QStringLiteral("100"), QStringLiteral("--value"), QStringLiteral("42.5")}));
    Program p;
    p.tcpOn(simulator.port(), "[Mode]\nmodus=PRINT\n" + TextTarget);
    QVERIFY(p.controller.formLoad());
    QTRY_VERIFY(p.output().startsWith("42.50;g\r\n42.50;g\r\n"));
    QCOMPARE(p.view.valueText(), QStringLiteral("42.50"));
    QCOMPARE(p.controller.link().socketState(), int(DeviceLink::Connected));
    p.controller.formUnload();
}

void tst_DeviceLink::unstableRecordsAreRefused() {
    DeviceSimulator simulator;
    QVERIFY(simulator.start({QStringLiteral("--interval"), QStringLiteral("100"),
                             QStringLiteral("--unstable-every"), QStringLiteral("1")}));
    Program p;
    p.tcpOn(simulator.port(), "[Mode]\nmodus=PRINT\n" + TextTarget);
    QVERIFY(p.controller.formLoad());
    const QString refused = LanguageText(QStringLiteral("TextKeinStillstand"));
    QTRY_COMPARE(p.view.statusText(), refused);
    QTest::qWait(300);
    QCOMPARE(p.output(), QByteArray());
    p.controller.formUnload();
}

void tst_DeviceLink::commandBytesOnTheWire_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("ESCT") << QByteArray("ESCT") << QByteArray("\x1bT\r\n");
    QTest::newRow("xESCy") << QByteArray("xESCy") << QByteArray("x\x1by\r\n");
    QTest::newRow("TARE without ESC") << QByteArray("TARE")
                                      << QByteArray("\x1b"
                                                    "E\r\n");
    QTest::newRow("only the first ESC") << QByteArray("ESCESC")
                                        << QByteArray("\x1b"
                                                      "ESC\r\n");
}

void tst_DeviceLink::commandBytesOnTheWire() {
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, wire);
    SocatPair pair;
    QVERIFY(pair.start());
    Program p;
    p.serialOn(pair, "[Mode]\nmodus=HOTKEY\n[Action]\nkey2=,,," + command + ",Tare,0\n");
    QVERIFY(p.controller.formLoad());
    QCOMPARE(p.view.buttonCaption(11), QStringLiteral("Tare"));
    DeviceEnd device(pair.deviceEnd());
    device.makeNonBlocking();
    p.controller.Command5_Click(11);
    QCOMPARE(device.read(wire.size()), wire);
    QVERIFY(p.dialogs.messages.isEmpty());
    p.controller.formUnload();
}

void tst_DeviceLink::commandAnswerOverTcpIsDelivered() {
    DeviceSimulator simulator;
    QVERIFY(simulator.start({QStringLiteral("--mode"), QStringLiteral("demand"), QStringLiteral("--value"),
                             QStringLiteral("7.25")}));
    Program p;
    p.tcpOn(simulator.port(), "[Mode]\nmodus=HOTKEY\n" + TextTarget + "[Action]\nkey0=,,,ESCP,Print,1\n");
    QVERIFY(p.controller.formLoad());
    QTRY_COMPARE(p.controller.link().socketState(), int(DeviceLink::Connected));
    p.controller.setCycleInterval(0);
    p.controller.Command5_Click(9);
    // The answer up to its line feed, carriage return included.
    QCOMPARE(p.controller.OutputText, QStringLiteral("S00001+     7.25 g  \r"));
    QCOMPARE(p.output(), QByteArray("S00001+     7.25 g  \r\r\n"));
    QVERIFY(p.dialogs.messages.isEmpty());
    p.controller.formUnload();
}

void tst_DeviceLink::emptyCaptionSendsNothing() {
    SocatPair pair;
    QVERIFY(pair.start());
    Program p;
    p.serialOn(pair, "[Mode]\nmodus=HOTKEY\n[Action]\nkey0=,,,ESCT,,0\n");
    QVERIFY(p.controller.formLoad());
    p.controller.Command5_Click(7); // offline
    QVERIFY(!p.controller.link().isSerialOpen());
    DeviceEnd device(pair.deviceEnd());
    device.makeNonBlocking();
    p.controller.Command5_Click(9);
    // The link was opened, but nothing was sent.
    QVERIFY(p.controller.link().isSerialOpen());
    QVERIFY(p.controller.linkOnline());
    QCOMPARE(device.read(1, 300), QByteArray());
    p.controller.formUnload();
}

void tst_DeviceLink::lostSerialDeviceClosesThePort() {
    SocatPair pair;
    QVERIFY(pair.start());
    Program p;
    p.serialOn(pair, "[Mode]\nmodus=HOTKEY\n");
    QVERIFY(p.controller.formLoad());
    QVERIFY(p.controller.link().isSerialOpen());
    {
        DeviceEnd device(pair.deviceEnd());
        QVERIFY(device.write(Record));
    }
    p.view.statusWrites.clear();
    pair.stop();
    QTRY_VERIFY(!p.controller.link().isSerialOpen());
    QTRY_VERIFY(
        p.view.statusText().startsWith(LanguageText(QStringLiteral("TextSchnittstelleNichtVerfuegbar"))));
    QCOMPARE(p.view.valueText(), QStringLiteral("Offline"));
    // No storm of errors: the port stays closed and the status is not rewritten.
    const qsizetype writes = p.view.statusWrites.size();
    QTest::qWait(500);
    QCOMPARE(p.view.statusWrites.size(), writes);
    QVERIFY(writes <= 3);

    QVERIFY(pair.start());
    p.controller.Command5_Click(7);
    QVERIFY(p.controller.link().isSerialOpen());
    QVERIFY(p.controller.linkOnline());
    p.controller.formUnload();
}

void tst_DeviceLink::lostTcpPeerIsReportedAndReconnects() {
    DeviceSimulator simulator;
    QVERIFY(simulator.start({QStringLiteral("--interval"), QStringLiteral("100")}));
    const quint16 port = simulator.port();
    Program p;
    p.tcpOn(port, "[Mode]\nmodus=PRINT\n" + TextTarget);
    QVERIFY(p.controller.formLoad());
    QTRY_VERIFY(!p.output().isEmpty());
    simulator.stop();
    QTRY_VERIFY(
        p.view.statusText().startsWith(LanguageText(QStringLiteral("TextSchnittstelleNichtVerfuegbar"))));
    QCOMPARE(p.controller.link().socketState(), int(DeviceLink::Closed));
    QVERIFY(!p.controller.linkOnline());

    DeviceSimulator again;
    QVERIFY(again.start(
        {QStringLiteral("--interval"), QStringLiteral("100"), QStringLiteral("--value"), QStringLiteral("9")},
        port));
    p.controller.Command5_Click(7);
    QTRY_VERIFY(p.output().contains("9.00;g"));
    p.controller.formUnload();
}

void tst_DeviceLink::garbageAndPartialRecordsAreSurvived() {
    DeviceSimulator simulator;
    QVERIFY(simulator.start({QStringLiteral("--interval"), QStringLiteral("50"),
                             QStringLiteral("--garbage-every"), QStringLiteral("2"),
                             QStringLiteral("--partial-every"), QStringLiteral("3"),
                             QStringLiteral("--burst"), QStringLiteral("200000")}));
    Program p;
    p.tcpOn(simulator.port(), "[Mode]\nmodus=PRINT\n" + TextTarget);
    QVERIFY(p.controller.formLoad());
    QTRY_VERIFY_WITH_TIMEOUT(p.output().count("123.45;g\r\n") >= 5, 15000);
    // Every delivered line is a whole value: garbage never reaches the output.
    for (const QByteArray& line : p.output().split('\n')) {
        QVERIFY2(line.isEmpty() || line == "123.45;g\r", line.constData());
    }
    QVERIFY(p.controller.link().receiveBuffer().size() <= DeviceLink::MaxBufferedBytes);
    p.controller.formUnload();
}

void tst_DeviceLink::onlineButtonTwiceKeepsTheSettings() {
    SocatPair pair;
    QVERIFY(pair.start());
    Program p;
    p.serialOn(pair, "[Mode]\nmodus=HOTKEY\n");
    QVERIFY(p.controller.formLoad());
    const QString settings = p.controller.link().lineSettings();
    p.controller.Command5_Click(7);
    QVERIFY(!p.controller.link().isSerialOpen());
    QCOMPARE(p.controller.cycleInterval(), 0);
    QCOMPARE(p.view.buttonCaption(7), QStringLiteral("O&nline"));
    p.controller.Command5_Click(7);
    QVERIFY(p.controller.link().isSerialOpen());
    QCOMPARE(p.controller.cycleInterval(), 10);
    QCOMPARE(p.controller.link().lineSettings(), settings);
    QCOMPARE(p.view.statusText(),
             LanguageText(QStringLiteral("TextMessgeraetAktiviert")) + QStringLiteral(" COM5"));
    p.controller.formUnload();
}

QTEST_GUILESS_MAIN(tst_DeviceLink)
#include "tst_DeviceLink.moc"
