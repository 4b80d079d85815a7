// The device links against real peers: socat's pseudo-terminal pairs stand in for serial adapters,
// and kelvane-devsim serves TCP/IP on loopback.

#include "base/link/SerialLink.h"
#include "base/link/TcpLink.h"
#include "support/DeviceSimulator.h"
#include "support/SocatPair.h"
#include "support/TestFiles.h"

#include <QSerialPort>
#include <QStandardPaths>
#include <QtTest>

#include <map>
#include <termios.h>

Q_DECLARE_METATYPE(LineSettings)

namespace {

constexpr int WaitMs = 10000;
const QByteArray Record = "S00001+   123.45 g  \r\n";
enum Ending { SimulatorEnds, OwnClose, HungUp, NobodyListens };

// The line settings a terminal really has, in stty's words: asked of the kernel through the open
// descriptor of this process, as the port is held exclusively and nobody else may open it.
QString terminalSettings(const QString& path) {
    const QString device = QFileInfo(path).canonicalFilePath();
    const QDir descriptors(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : descriptors.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        termios t{};
        if (QFile::symLinkTarget(descriptors.filePath(fd)) != device || ::tcgetattr(fd.toInt(), &t) != 0) {
            continue;
        }
        const std::map<speed_t, int> speeds{{B2400, 2400}, {B4800, 4800}, {B9600, 9600}, {B19200, 19200}};
        const auto off = [&t](tcflag_t bit) { return t.c_cflag & bit ? "" : "-"; };
        return QString::asprintf("%d %sparenb %sparodd cs%d %scstopb", speeds.at(::cfgetospeed(&t)),
                                 off(PARENB), off(PARODD), (t.c_cflag & CSIZE) == CS8 ? 8 : 7, off(CSTOPB));
    }
    return {};
}

} // namespace

class tst_SerialLink : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void portsThatDoNotOpen_data();
    void portsThatDoNotOpen();
    void serialLink_data();
    void serialLink();
    void tcpLink_data();
    void tcpLink();
};

void tst_SerialLink::portsThatDoNotOpen_data() {
    QTest::addColumn<QByteArray>("ports"); // section [ports] of kelvane.ini; @ stands for the folder
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("exists");
    QTest::newRow("unmapped") << QByteArray() << 200 << "/dev/ttyS199" << false;
    QTest::newRow("character device") << QByteArray("COM3=/dev/null") << 3 << "/dev/null" << true;
    QTest::newRow("COM1 is the first") << QByteArray("COM1=/dev/null") << 1 << "/dev/null" << true;
    QTest::newRow("COM0 is none") << QByteArray("COM0=/dev/null") << 0 << "/dev/null" << false;
    QTest::newRow("link followed") << QByteArray("COM3=@/link") << 3 << "@/link" << true;
    QTest::newRow("regular file") << QByteArray("COM4=@/kelvane.ini") << 4 << "@/kelvane.ini" << false;
    QTest::newRow("missing") << QByteArray("COM4=@/none") << 4 << "@/none" << false;
}

void tst_SerialLink::portsThatDoNotOpen() {
    QFETCH(QByteArray, ports);
    QFETCH(int, port);
    QFETCH(QString, device);
    QFETCH(bool, exists);
    QTemporaryDir folder;
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), folder.filePath(QStringLiteral("link"))));
    const QString ini = folder.filePath(QStringLiteral("kelvane.ini"));
    QVERIFY(TestFiles::write(ini, "[ports]\n" + ports.replace('@', QFile::encodeName(folder.path())) + "\n"));
    QCOMPARE(ComPortMap(ini).devicePath(port), device.replace(u'@', folder.path()));
    SerialLink link(ini);
    link.setPort(port);
    QCOMPARE(link.portExists(port), exists);
    QVERIFY(!link.open());
    // A missing device is unavailable; a character device that is no serial port is another failure.
    QCOMPARE(link.lastErrorWasUnavailable(), !exists);
    if (!exists) {
        QCOMPARE(link.lastError(), QStringLiteral("COM%1 (%2) does not exist").arg(port).arg(device));
    }
    QVERIFY(!link.write("\x1bP\r\n"));
    QCOMPARE(link.lastError(), QStringLiteral("The serial port is not open"));
}

void tst_SerialLink::serialLink_data() {
    QTest::addColumn<LineSettings>("settings");
    QTest::addColumn<bool>("whileOpen");
    QTest::addColumn<QString>("reported");
    QTest::newRow("none set: 9600 8N1") << LineSettings{} << false << "9600 -parenb -parodd cs8 -cstopb";
    // A pseudo-terminal refuses parity and 7 data bits; the settings after them still apply.
    QTest::newRow("4800 even 7 two") << LineSettings{4800, Parity::Even, 7, StopBits::Two} << false
                                     << "4800 -parenb -parodd cs8 cstopb";
    QTest::newRow("19200 odd 8 one") << LineSettings{19200, Parity::Odd, 8, StopBits::One} << false
                                     << "19200 -parenb parodd cs8 -cstopb";
    QTest::newRow("while open: 2400 two") << LineSettings{2400, Parity::None, std::nullopt, StopBits::Two}
                                          << true << "2400 -parenb -parodd cs8 cstopb";
}

void tst_SerialLink::serialLink() {
    QFETCH(LineSettings, settings);
    QFETCH(bool, whileOpen);
    QFETCH(QString, reported);
    if (QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty()) {
        QSKIP("socat is not installed");
    }
    // A socat pair, its one end COM5 of a kelvane.ini of its own; the test is the device at the other.
    QTemporaryDir folder;
    SocatPair pair;
    QVERIFY(pair.start());
    QSerialPort device(pair.deviceEnd());
    QVERIFY(device.open(QIODevice::ReadWrite));
    const QString ini = folder.filePath(QStringLiteral("kelvane.ini"));
    QVERIFY(TestFiles::write(ini, "[ports]\nCOM5=" + QFile::encodeName(pair.programEnd()) + "\n"));
    SerialLink link(ini);
    link.setPort(5);
    if (!whileOpen) {
        link.setLineSettings(settings);
    }
    QVERIFY2(link.open(), qPrintable(link.lastError()));
    if (whileOpen) {
        link.setLineSettings(settings);
    }
    QCOMPARE(terminalSettings(pair.programEnd()), reported);
    // Bytes pass both ways, a record split over two writes collecting as one.
    QSignalSpy arrived(&link, &DeviceLink::dataArrived);
    QSignalSpy lost(&link, &DeviceLink::linkLost);
    device.write(Record.left(9));
    QTRY_COMPARE(link.received(), Record.left(9));
    device.write(Record.mid(9));
    QTRY_COMPARE(link.received(), Record);
    QVERIFY(arrived.size() >= 2);
    // Held between two ticks, the bytes wait with the system until released, none lost.
    link.received().clear();
    link.holdArrivals();
    device.write(Record);
    QTest::qWait(200);
    QCOMPARE(link.received(), QByteArray());
    link.releaseArrivals();
    QTRY_COMPARE(link.received(), Record);
    QVERIFY(link.write("\x1bP\r\n"));
    QByteArray command;
    QTRY_COMPARE(command += device.readAll(), QByteArray("\x1bP\r\n"));
    // The adapter unplugged: the port closes, and of the errors that follow only one is reported.
    pair.stop();
    QTRY_COMPARE(lost.size(), 1);
    // A pseudo-terminal whose other end closed fails to read; an unplugged adapter would report
    // the resource gone.
    QCOMPARE(lost.at(0).at(0).value<LinkLoss>(), LinkLoss::Other);
    QVERIFY(!link.isOpen());
    QTest::qWait(300);
    QCOMPARE(lost.size(), 1);
}

void tst_SerialLink::tcpLink_data() {
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<int>("ending");
    QTest::addColumn<QVariantList>("lost"); // the causes reported
    const auto row = [](const char* name, const char* arguments, const QByteArray& command,
                        const QByteArray& received, Ending ending, QVariantList lost) {
        QTest::newRow(name) << QString::fromLatin1(arguments) << command << received << int(ending) << lost;
    };
    const QVariantList closed{QVariant::fromValue(LinkLoss::PeerClosed)};
    const QByteArray burst = QByteArray("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ").repeated(2000);
    row("answer, then the simulator ends", "--mode demand", "\x1bP\r\n", Record, SimulatorEnds, closed);
    row("our own close is no loss", "--mode demand", "\x1bP\r\n", Record, OwnClose, {});
    row("hung up after two records", "--interval 20 --disconnect-after 2", {},
        Record + QByteArray(Record).replace("00001", "00002"), HungUp, closed);
    row("nobody listens", "--mode demand", {}, {}, NobodyListens, {QVariant::fromValue(LinkLoss::Refused)});
    // The newest bytes stay when more arrive than the buffer holds.
    row("a full buffer", "--mode demand --burst 65536", {}, burst.left(65536), OwnClose, {});
    row("one byte more", "--mode demand --burst 65537", {}, burst.mid(1, 65536), OwnClose, {});
}

void tst_SerialLink::tcpLink() {
    QFETCH(QString, arguments);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, received);
    QFETCH(int, ending);
    QFETCH(QVariantList, lost);
    DeviceSimulator simulator;
    QVERIFY(simulator.start(arguments.split(u' ')));
    if (ending == NobodyListens) {
        simulator.stop();
    }
    TcpLink link;
    QSignalSpy losses(&link, &DeviceLink::linkLost);
    link.setPeer(QStringLiteral("127.0.0.1"), simulator.port());
    QVERIFY(link.open());
    if (!command.isEmpty()) {
        QTRY_COMPARE(link.state(), TcpLink::Connected);
        // The answer waits with the system while arrivals are held.
        link.holdArrivals();
        QVERIFY(link.write(command));
        QTest::qWait(300);
        QCOMPARE(link.received(), QByteArray());
        link.releaseArrivals();
    }
    QTRY_COMPARE(link.received(), received);
    if (ending == OwnClose) {
        link.close();
    }
    if (ending != NobodyListens) {
        simulator.stop();
    }
    QTRY_COMPARE(link.state(), TcpLink::Closed);
    // A second report of the same loss would come now.
    QTest::qWait(200);
    QVariantList causes;
    for (const QVariantList& signal : losses) {
        causes.append(signal.at(0));
    }
    QCOMPARE(causes, lost);
    QVERIFY(!link.isOpen() && !link.write("\x1bP\r\n"));
    QCOMPARE(link.lastError(), QStringLiteral("The TCP/IP connection is not established"));
}

QTEST_GUILESS_MAIN(tst_SerialLink)
#include "tst_SerialLink.moc"
