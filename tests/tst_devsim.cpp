// kelvane-devsim, the simulated balance, driven as a separate process through real loopback TCP
// connections and real pseudo-terminals.

#include "support/TestFiles.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <poll.h>
#include <unistd.h>

namespace {

// How long to wait for something that should come; only reached when a test fails.
constexpr int kWaitMs = 10000;
constexpr qsizetype kRecordLength = 22;

QString devsimPath() {
    return TestFiles::binaryDir() + QStringLiteral("/kelvane-devsim");
}

// The running simulator, killed when the test ends however it ends.
class DevSim {
public:
    explicit DevSim(const QStringList& arguments) {
        process_.setProgram(devsimPath());
        process_.setArguments(arguments);
        process_.start();
    }
    DevSim(const DevSim&) = delete;
    DevSim& operator=(const DevSim&) = delete;
    ~DevSim() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(kWaitMs);
        }
    }

    QProcess& process() { return process_; }

    // The rest of the next line on standard output that starts with prefix.
    std::optional<QString> nextLine(const QString& prefix) { return next(QProcess::StandardOutput, prefix); }
    // The same on standard error, where the verbose event log goes.
    std::optional<QString> nextEvent(const QString& prefix) { return next(QProcess::StandardError, prefix); }

    std::optional<quint16> tcpPort() {
        const auto rest = nextLine(QStringLiteral("tcp: 127.0.0.1:"));
        bool ok = false;
        const uint port = rest ? rest->toUInt(&ok) : 0;
        return ok && port > 0 && port < 65536 ? std::optional<quint16>(static_cast<quint16>(port))
                                              : std::nullopt;
    }

    std::optional<QString> ptyPath() { return nextLine(QStringLiteral("pty: ")); }

    bool finishedWith(int exitCode) {
        return process_.waitForFinished(kWaitMs) && process_.exitStatus() == QProcess::NormalExit &&
               process_.exitCode() == exitCode;
    }

private:
    std::optional<QString> next(QProcess::ProcessChannel channel, const QString& prefix) {
        const int index = channel == QProcess::StandardOutput ? 0 : 1;
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            partial_[0] += process_.readAllStandardOutput();
            partial_[1] += process_.readAllStandardError();
            for (int i = 0; i < 2; ++i) {
                for (qsizetype end = partial_[i].indexOf('\n'); end >= 0; end = partial_[i].indexOf('\n')) {
                    lines_[i].append(QString::fromUtf8(partial_[i].left(end)));
                    partial_[i].remove(0, end + 1);
                }
            }
            for (qsizetype i = 0; i < lines_[index].size(); ++i) {
                if (lines_[index].at(i).startsWith(prefix)) {
                    return lines_[index].takeAt(i).mid(prefix.size());
                }
            }
            if (clock.elapsed() > kWaitMs || process_.state() == QProcess::NotRunning) {
                return std::nullopt;
            }
            process_.waitForReadyRead(100);
        }
    }

    QProcess process_;
    QByteArray partial_[2];
    QStringList lines_[2];
};

// One end of a link to the simulator, with a receive buffer.
class Peer {
public:
    virtual ~Peer() = default;
    virtual void write(const QByteArray& bytes) = 0;

    // The next line through its line feed; empty when the link closed or nothing came.
    QByteArray readLine() {
        for (;;) {
            const qsizetype end = buffer_.indexOf('\n');
            if (end >= 0) {
                return take(end + 1);
            }
            if (!fill()) {
                return {};
            }
        }
    }

    QByteArray readBytes(qsizetype count) {
        while (buffer_.size() < count) {
            if (!fill()) {
                return {};
            }
        }
        return take(count);
    }

    // Everything up to the end of the link; nothing when the link stays open.
    std::optional<QByteArray> readToClose() {
        while (fill()) {
        }
        if (!closed_) {
            return std::nullopt;
        }
        return take(buffer_.size());
    }

protected:
    // Appends what arrives next; false when the link closed (closed_ set) or nothing came.
    virtual bool fill() = 0;

    QByteArray buffer_;
    bool closed_ = false;

private:
    QByteArray take(qsizetype count) {
        QByteArray head = buffer_.left(count);
        buffer_.remove(0, count);
        return head;
    }
};

class TcpPeer : public Peer {
public:
    bool connectTo(quint16 port, const QHostAddress& address = QHostAddress::LocalHost) {
        socket_.connectToHost(address, port);
        return socket_.waitForConnected(kWaitMs);
    }
    QTcpSocket& socket() { return socket_; }

    void write(const QByteArray& bytes) override {
        socket_.write(bytes);
        socket_.waitForBytesWritten(kWaitMs);
    }

protected:
    bool fill() override {
        if (socket_.bytesAvailable() == 0 && !socket_.waitForReadyRead(kWaitMs)) {
            closed_ = socket_.state() != QAbstractSocket::ConnectedState;
            buffer_ += socket_.readAll();
            return false;
        }
        buffer_ += socket_.readAll();
        return true;
    }

private:
    QTcpSocket socket_;
};

class PtyPeer : public Peer {
public:
    PtyPeer() = default;
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;
    ~PtyPeer() override {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }

    bool open(const QString& path) {
        fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        return fd_ >= 0;
    }

    void write(const QByteArray& bytes) override {
        QCOMPARE(::write(fd_, bytes.constData(), static_cast<size_t>(bytes.size())), bytes.size());
    }

protected:
    bool fill() override {
        for (;;) {
            pollfd entry{fd_, POLLIN, 0};
            if (::poll(&entry, 1, kWaitMs) <= 0) {
                return false;
            }
            char chunk[4096];
            const ssize_t n = ::read(fd_, chunk, sizeof chunk);
            if (n > 0) {
                buffer_.append(chunk, n);
                return true;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                continue;
            }
            // The master side went away: end of file or EIO.
            closed_ = true;
            return false;
        }
    }

private:
    int fd_ = -1;
};

// The fields of a record in the default layout.
struct Record {
    QByteArray state;    // 1
    QByteArray sequence; // 2-6
    QByteArray sign;     // 7
    QByteArray value;    // 11-16
    QByteArray unit;     // 18-19
};

// Splits a record of the default layout, checking the fixed parts; nothing when it is malformed.
std::optional<Record> splitRecord(const QByteArray& record) {
    if (record.size() != kRecordLength || record.mid(7, 3) != "   " || record.at(16) != ' ' ||
        record.at(19) != ' ' || record.mid(20) != "\r\n") {
        return std::nullopt;
    }
    return Record{record.mid(0, 1), record.mid(1, 5), record.mid(6, 1), record.mid(10, 6), record.mid(17, 2)};
}

// The record the default layout gives for a stable reading.
QByteArray expectedRecord(quint64 sequence, char sign, const QByteArray& value, const QByteArray& unit) {
    return 'S' + QByteArray::number(sequence).rightJustified(5, '0') + sign + "   " +
           value.rightJustified(6) + ' ' + unit.leftJustified(2) + " \r\n";
}

quint64 sequenceOf(const Record& record) {
    return record.sequence.toULongLong();
}

std::unique_ptr<Peer> connectPeer(DevSim& sim, const QString& transport) {
    if (transport == u"tcp") {
        const auto port = sim.tcpPort();
        auto peer = std::make_unique<TcpPeer>();
        if (!port || !peer->connectTo(*port)) {
            return nullptr;
        }
        return peer;
    }
    const auto path = sim.ptyPath();
    auto peer = std::make_unique<PtyPeer>();
    if (!path || !peer->open(*path)) {
        return nullptr;
    }
    return peer;
}

QStringList linkArguments(const QString& transport) {
    return transport == u"tcp" ? QStringList{QStringLiteral("--tcp"), QStringLiteral("0")}
                               : QStringList{QStringLiteral("--pty")};
}

} // namespace

class TestDevsim : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void defaultRecord_data();
    void defaultRecord();
    void commands_data();
    void commands();
    void unstableEvery_data();
    void unstableEvery();
    void intervalMode_data();
    void intervalMode();
    void randomValuesRepeatWithTheSeed();
    void continuousMode_data();
    void continuousMode();
    void exitWaitsForThePtyReader();
    void verboseLog();
    void severalClients();
    void listensOnLoopbackOnly();
    void garbage_data();
    void garbage();
    void partial_data();
    void partial();
    void disconnectAfterOverTcp();
    void disconnectAfterOverPty();
    void burst_data();
    void burst();
    void terminationSignal_data();
    void terminationSignal();
    void customFormat_data();
    void customFormat();
    void invalidArguments_data();
    void invalidArguments();
    void help();
};

void TestDevsim::initTestCase() {
    QVERIFY2(QFileInfo(devsimPath()).isExecutable(),
             qPrintable(devsimPath() + QStringLiteral(" is not built")));
}

void TestDevsim::defaultRecord_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("sign");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("unit");

    QTest::newRow("default value") << QStringList{} << QByteArray("+") << QByteArray("123.45")
                                   << QByteArray("g ");
    QTest::newRow("padded") << QStringList{"--value", "12.5"} << QByteArray("+") << QByteArray(" 12.50")
                            << QByteArray("g ");
    QTest::newRow("negative") << QStringList{"--value", "-7.25"} << QByteArray("-") << QByteArray("  7.25")
                              << QByteArray("g ");
    QTest::newRow("zero") << QStringList{"--value", "0"} << QByteArray("+") << QByteArray("  0.00")
                          << QByteArray("g ");
    QTest::newRow("negative rounding to zero")
        << QStringList{"--value", "-0.001"} << QByteArray("+") << QByteArray("  0.00") << QByteArray("g ");
    QTest::newRow("kilograms") << QStringList{"--value", "1.5", "--unit", "kg"} << QByteArray("+")
                               << QByteArray("  1.50") << QByteArray("kg");
    QTest::newRow("decimal comma") << QStringList{"--value", "12.5", "--decimal-comma"} << QByteArray("+")
                                   << QByteArray(" 12,50") << QByteArray("g ");
    QTest::newRow("three decimals") << QStringList{"--value", "1.5", "--decimals", "3"} << QByteArray("+")
                                    << QByteArray(" 1.500") << QByteArray("g ");
    QTest::newRow("no decimals") << QStringList{"--value", "41.6", "--decimals", "0"} << QByteArray("+")
                                 << QByteArray("    42") << QByteArray("g ");
}

void TestDevsim::defaultRecord() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, sign);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, unit);

    DevSim sim(QStringList{"--tcp", "0", "--mode", "demand"} + arguments);
    QCOMPARE(sim.nextLine(QStringLiteral("layout: ")),
             QStringLiteral("length 22, end 10, state 1, sequence 2-6, sign 7, value 11-16, unit 18-19"));
    const auto port = sim.tcpPort();
    QVERIFY(port);
    TcpPeer peer;
    QVERIFY(peer.connectTo(*port));
    peer.write("\x1bP\r\n");
    const QByteArray line = peer.readLine();
    QCOMPARE(line.size(), kRecordLength);
    const auto record = splitRecord(line);
    QVERIFY2(record, line.constData());
    QCOMPARE(record->state, QByteArray("S"));
    QCOMPARE(record->sequence, QByteArray("00001"));
    QCOMPARE(record->sign, sign);
    QCOMPARE(record->value, value);
    QCOMPARE(record->unit, unit);
}

void TestDevsim::commands_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArrayList>("writes");
    // Per answer: "ES" for the error line, otherwise the sign and value field of a record.
    QTest::addColumn<QByteArrayList>("answers");

    const QStringList fixed{"--value", "250.5"};
    QTest::newRow("ESC P") << fixed << QByteArrayList{"\x1bP\r\n"} << QByteArrayList{"+250.50"};
    QTest::newRow("plain P") << fixed << QByteArrayList{"P\r\n"} << QByteArrayList{"+250.50"};
    QTest::newRow("lower case, LF only") << fixed << QByteArrayList{"p\n"} << QByteArrayList{"+250.50"};
    QTest::newRow("CR only") << fixed << QByteArrayList{"\x1bP\r"} << QByteArrayList{"+250.50"};
    QTest::newRow("tare then print") << fixed << QByteArrayList{"\x1bT\r\n", "\x1bP\r\n"}
                                     << QByteArrayList{"+  0.00", "+  0.00"};
    QTest::newRow("plain tare then print") << fixed << QByteArrayList{"P\r\n", "T\r\n", "P\r\n"}
                                           << QByteArrayList{"+250.50", "+  0.00", "+  0.00"};
    QTest::newRow("zero then print") << fixed << QByteArrayList{"\x1bZ\r\n", "\x1bP\r\n"}
                                     << QByteArrayList{"+  0.00", "+  0.00"};
    QTest::newRow("tare on a ramp") << QStringList{"--ramp", "10:100:10"}
                                    << QByteArrayList{"\x1bP\r\n", "\x1bT\r\n", "\x1bP\r\n", "\x1bP\r\n"}
                                    << QByteArrayList{"+ 10.00", "+  0.00", "+ 10.00", "+ 20.00"};
    QTest::newRow("zero clears the tare")
        << QStringList{"--ramp", "10:100:10"}
        << QByteArrayList{"\x1bT\r\n", "\x1bP\r\n", "\x1bZ\r\n", "\x1bP\r\n"}
        << QByteArrayList{"+  0.00", "+ 10.00", "+  0.00", "+ 10.00"};
    QTest::newRow("tare below zero") << QStringList{"--ramp", "50:0:-20"}
                                     << QByteArrayList{"\x1bT\r\n", "\x1bP\r\n", "\x1bP\r\n"}
                                     << QByteArrayList{"+  0.00", "- 20.00", "- 40.00"};
    QTest::newRow("unknown command") << fixed << QByteArrayList{"\x1bX\r\n"} << QByteArrayList{"ES"};
    QTest::newRow("ESC alone") << fixed << QByteArrayList{"\x1b\r\n"} << QByteArrayList{"ES"};
    QTest::newRow("command with more letters")
        << fixed << QByteArrayList{"\x1bPP\r\n"} << QByteArrayList{"ES"};
    QTest::newRow("overlong line") << fixed << QByteArrayList{QByteArray(1000, 'P') + "\r\n", "P\r\n"}
                                   << QByteArrayList{"ES", "+250.50"};
    QTest::newRow("two commands in one write")
        << fixed << QByteArrayList{"\x1bP\r\n\x1bT\r\n"} << QByteArrayList{"+250.50", "+  0.00"};
    QTest::newRow("command split over writes")
        << fixed << QByteArrayList{"\x1b", "P\r", "\n"} << QByteArrayList{"+250.50"};
    QTest::newRow("empty lines ignored")
        << fixed << QByteArrayList{"\r\n\r\n\x1bP\r\n"} << QByteArrayList{"+250.50"};
    QTest::newRow("print in interval mode")
        << QStringList{"--value", "250.5", "--mode", "interval", "--interval", "3600000"}
        << QByteArrayList{"\x1bP\r\n"} << QByteArrayList{"+250.50"};
}

void TestDevsim::commands() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArrayList, writes);
    QFETCH(QByteArrayList, answers);

    if (!arguments.contains(QStringLiteral("--mode"))) {
        arguments += QStringList{"--mode", "demand"};
    }
    DevSim sim(QStringList{"--tcp", "0"} + arguments);
    const auto port = sim.tcpPort();
    QVERIFY(port);
    TcpPeer peer;
    QVERIFY(peer.connectTo(*port));
    for (const QByteArray& bytes : std::as_const(writes)) {
        peer.write(bytes);
    }
    quint64 expectedSequence = 1;
    for (const QByteArray& answer : std::as_const(answers)) {
        const QByteArray line = peer.readLine();
        if (answer == "ES") {
            QCOMPARE(line, QByteArray("ES\r\n"));
            continue;
        }
        const auto record = splitRecord(line);
        QVERIFY2(record, line.constData());
        QCOMPARE(QByteArray(record->sign + record->value), answer);
        QCOMPARE(sequenceOf(*record), expectedSequence++);
    }
    // The error answer to a last, unknown command comes next: nothing else was sent before it.
    peer.write("\x1b?\r\n");
    QCOMPARE(peer.readLine(), QByteArray("ES\r\n"));
}

void TestDevsim::unstableEvery_data() {
    QTest::addColumn<int>("every");
    QTest::newRow("every record") << 1;
    QTest::newRow("every second") << 2;
    QTest::newRow("every third") << 3;
}

void TestDevsim::unstableEvery() {
    QFETCH(int, every);

    DevSim sim({"--tcp", "0", "--mode", "demand", "--unstable-every", QString::number(every)});
    const auto port = sim.tcpPort();
    QVERIFY(port);
    TcpPeer peer;
    QVERIFY(peer.connectTo(*port));
    const int prints = 3 * every + 1;
    for (int i = 0; i < prints; ++i) {
        peer.write("\x1bP\r\n");
    }
    for (int n = 1; n <= prints; ++n) {
        const QByteArray line = peer.readLine();
        const auto record = splitRecord(line);
        QVERIFY2(record, line.constData());
        QCOMPARE(sequenceOf(*record), quint64(n));
        const bool unstable = n % every == 0;
        QCOMPARE(record->unit, unstable ? QByteArray("  ") : QByteArray("g "));
        QCOMPARE(record->state, unstable ? QByteArray("D") : QByteArray("S"));
        QCOMPARE(record->value, QByteArray("123.45"));
    }
}

void TestDevsim::intervalMode_data() {
    QTest::addColumn<QString>("transport");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArrayList>("values");

    for (const QString& transport : {QStringLiteral("tcp"), QStringLiteral("pty")}) {
        const char* t = transport == u"tcp" ? "tcp" : "pty";
        QTest::addRow("%s: fixed", t)
            << transport << QStringList{"--value", "5"} << QByteArrayList{"+  5.00", "+  5.00", "+  5.00"};
        QTest::addRow("%s: ramp up", t)
            << transport << QStringList{"--ramp", "1:2:0.5"}
            << QByteArrayList{"+  1.00", "+  1.50", "+  2.00", "+  1.00", "+  1.50"};
        QTest::addRow("%s: ramp down", t) << transport << QStringList{"--ramp", "2:1:-0.5"}
                                          << QByteArrayList{"+  2.00", "+  1.50", "+  1.00", "+  2.00"};
    }
    QTest::newRow("tcp: ramp through zero")
        << QStringLiteral("tcp") << QStringList{"--ramp", "-0.2:0.2:0.1"}
        << QByteArrayList{"-  0.20", "-  0.10", "+  0.00", "+  0.10", "+  0.20", "-  0.20"};
}

void TestDevsim::intervalMode() {
    QFETCH(QString, transport);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArrayList, values);

    DevSim sim(linkArguments(transport) + arguments +
               QStringList{"--mode", "interval", "--interval", "20", "--count",
                           QString::number(values.size()), "--exit-after-count"});
    const auto peer = connectPeer(sim, transport);
    QVERIFY(peer);
    for (qsizetype i = 0; i < values.size(); ++i) {
        const QByteArray line = peer->readLine();
        const auto record = splitRecord(line);
        QVERIFY2(record, line.constData());
        QCOMPARE(sequenceOf(*record), quint64(i + 1));
        QCOMPARE(QByteArray(record->sign + record->value), values.at(i));
    }
    // After the count the link closes without another byte and the simulator ends.
    QCOMPARE(peer->readToClose(), std::optional<QByteArray>(QByteArray()));
    QVERIFY(sim.finishedWith(0));
}

void TestDevsim::randomValuesRepeatWithTheSeed() {
    const auto run = [](const QString& seed) {
        QList<double> values;
        DevSim sim({"--tcp", "0", "--mode", "continuous", "--random", "10:20", "--seed", seed, "--count",
                    "50", "--exit-after-count"});
        const auto port = sim.tcpPort();
        TcpPeer peer;
        if (!port || !peer.connectTo(*port)) {
            return values;
        }
        const auto all = peer.readToClose();
        for (const QByteArray& line : all.value_or(QByteArray()).split('\n')) {
            if (!line.isEmpty()) {
                const auto record = splitRecord(line + '\n');
                const double magnitude = record ? record->value.trimmed().toDouble() : -1.0;
                values.append(record && record->sign == "-" ? -magnitude : magnitude);
            }
        }
        return values;
    };

    const QList<double> first = run(QStringLiteral("7"));
    QCOMPARE(first.size(), 50);
    for (const double value : first) {
        QVERIFY2(value >= 10.0 && value <= 20.0, qPrintable(QString::number(value)));
    }
    QCOMPARE(run(QStringLiteral("7")), first);
    QVERIFY(run(QStringLiteral("8")) != first);
}

void TestDevsim::continuousMode_data() {
    QTest::addColumn<QString>("transport");
    QTest::addColumn<int>("count");
    QTest::newRow("tcp") << QStringLiteral("tcp") << 20000;
    QTest::newRow("pty") << QStringLiteral("pty") << 5000;
}

void TestDevsim::continuousMode() {
    QFETCH(QString, transport);
    QFETCH(int, count);

    DevSim sim(linkArguments(transport) +
               QStringList{"--mode", "continuous", "--count", QString::number(count), "--exit-after-count"});
    const auto peer = connectPeer(sim, transport);
    QVERIFY(peer);
    const auto all = peer->readToClose();
    QVERIFY(all);
    QCOMPARE(all->size(), count * kRecordLength);
    for (int n = 1; n <= count; ++n) {
        const QByteArray line = all->mid((n - 1) * kRecordLength, kRecordLength);
        const auto record = splitRecord(line);
        QVERIFY2(record, line.constData());
        QCOMPARE(sequenceOf(*record), quint64(n % 100000));
    }
    QVERIFY(sim.finishedWith(0));
}

void TestDevsim::exitWaitsForThePtyReader() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("scale"));
    DevSim sim({"--pty", link, "--mode", "continuous", "--count", "3", "--exit-after-count", "--verbose"});
    QVERIFY(sim.ptyPath());
    QVERIFY(sim.nextEvent(QStringLiteral("count: ")));
    // A reader that comes late still gets the last records: the simulator does not close the
    // terminal under them. The pause only gives a simulator that would close early the time to do so.
    QTest::qWait(300);
    QCOMPARE(sim.process().state(), QProcess::Running);
    PtyPeer peer;
    QVERIFY(peer.open(link));
    for (quint64 n = 1; n <= 3; ++n) {
        QCOMPARE(peer.readLine(), expectedRecord(n, '+', "123.45", "g"));
    }
    QCOMPARE(peer.readToClose(), std::optional<QByteArray>(QByteArray()));
    QVERIFY(sim.finishedWith(0));
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestDevsim::verboseLog() {
    DevSim sim({"--tcp", "0", "--mode", "demand", "--verbose"});
    const auto port = sim.tcpPort();
    QVERIFY(port);
    TcpPeer peer;
    QVERIFY(peer.connectTo(*port));
    const QString client = QStringLiteral("tcp 127.0.0.1:%1").arg(peer.socket().localPort());
    QCOMPARE(sim.nextEvent(QStringLiteral("connected: ")), client);
    peer.write("\x1bP\r\n");
    QCOMPARE(peer.readLine(), expectedRecord(1, '+', "123.45", "g"));
    QCOMPARE(sim.nextEvent(QStringLiteral("command: ")), QStringLiteral("\\x1bP (%1)").arg(client));
    QCOMPARE(sim.nextEvent(QStringLiteral("sent: ")),
             QStringLiteral("S00001+   123.45 g  \\r\\n (%1)").arg(client));
}

void TestDevsim::severalClients() {
    DevSim sim({"--tcp", "0", "--mode", "interval", "--interval", "20"});
    const auto port = sim.tcpPort();
    QVERIFY(port);
    auto first = std::make_unique<TcpPeer>();
    TcpPeer second;
    QVERIFY(first->connectTo(*port));
    QVERIFY(second.connectTo(*port));

    quint64 lastSeen = 0;
    for (int i = 0; i < 3; ++i) {
        const auto a = splitRecord(first->readLine());
        const auto b = splitRecord(second.readLine());
        QVERIFY(a && b);
        lastSeen = sequenceOf(*b);
    }
    // One client leaving does not disturb the other.
    first.reset();
    for (int i = 0; i < 3; ++i) {
        const auto b = splitRecord(second.readLine());
        QVERIFY(b);
        QVERIFY(sequenceOf(*b) > lastSeen);
        lastSeen = sequenceOf(*b);
    }
    QCOMPARE(sim.process().state(), QProcess::Running);
    TcpPeer third;
    QVERIFY(third.connectTo(*port));
    QVERIFY(splitRecord(third.readLine()));
}

void TestDevsim::listensOnLoopbackOnly() {
    DevSim sim({"--tcp", "0", "--mode", "demand"});
    const auto port = sim.tcpPort();
    QVERIFY(port);
    // 127.0.0.2 also reaches this machine, but not a socket bound to 127.0.0.1 alone.
    TcpPeer other;
    QVERIFY(!other.connectTo(*port, QHostAddress(QStringLiteral("127.0.0.2"))));
    QCOMPARE(other.socket().error(), QAbstractSocket::ConnectionRefusedError);
    TcpPeer loopback;
    QVERIFY(loopback.connectTo(*port));
}

void TestDevsim::garbage_data() {
    QTest::addColumn<int>("every");
    QTest::newRow("before every record") << 1;
    QTest::newRow("before every second") << 2;
    QTest::newRow("before every third") << 3;
}

void TestDevsim::garbage() {
    QFETCH(int, every);

    DevSim sim({"--tcp", "0", "--mode", "demand", "--garbage-every", QString::number(every)});
    const auto port = sim.tcpPort();
    QVERIFY(port);
    TcpPeer peer;
    QVERIFY(peer.connectTo(*port));
    const int prints = 3 * every;
    for (int i = 0; i < prints; ++i) {
        peer.write("\x1bP\r\n");
    }
    for (int n = 1; n <= prints; ++n) {
        // The noise never holds a line feed, so each answer is one line: noise, then the record.
        const QByteArray line = peer.readLine();
        QVERIFY(line.size() >= kRecordLength);
        const QByteArray noise = line.left(line.size() - kRecordLength);
        const auto record = splitRecord(line.right(kRecordLength));
        QVERIFY2(record, line.toHex().constData());
        QCOMPARE(sequenceOf(*record), quint64(n));
        if (n % every != 0) {
            QCOMPARE(noise, QByteArray());
            continue;
        }
        QVERIFY2(noise.size() >= 4 && noise.size() <= 16, noise.toHex().constData());
        QVERIFY(noise.contains('\0'));
        QVERIFY(
            std::any_of(noise.begin(), noise.end(), [](char c) { return static_cast<uchar>(c) >= 0x80; }));
    }
}

void TestDevsim::partial_data() {
    QTest::addColumn<int>("every");
    QTest::newRow("every second") << 2;
    QTest::newRow("every third") << 3;
}

void TestDevsim::partial() {
    QFETCH(int, every);

    DevSim sim({"--tcp", "0", "--mode", "demand", "--partial-every", QString::number(every)});
    const auto port = sim.tcpPort();
    QVERIFY(port);
    TcpPeer peer;
    QVERIFY(peer.connectTo(*port));
    const int prints = 2 * every;
    for (int i = 0; i < prints; ++i) {
        peer.write("\x1bP\r\n");
    }
    quint64 sequence = 1;
    for (int i = 0; i < prints; ++i) {
        const QByteArray line = peer.readLine();
        QByteArray expected;
        if (sequence % every == 0) {
            // The first half of this record, then the next one complete.
            expected = expectedRecord(sequence, '+', "123.45", "g").left(kRecordLength / 2);
            ++sequence;
        }
        expected += expectedRecord(sequence, '+', "123.45", "g");
        ++sequence;
        QCOMPARE(line, expected);
    }
}

void TestDevsim::disconnectAfterOverTcp() {
    DevSim sim({"--tcp", "0", "--mode", "interval", "--interval", "20", "--disconnect-after", "3"});
    const auto port = sim.tcpPort();
    QVERIFY(port);
    quint64 lastSeen = 0;
    for (int connection = 0; connection < 2; ++connection) {
        TcpPeer peer;
        QVERIFY(peer.connectTo(*port));
        for (int i = 0; i < 3; ++i) {
            const auto record = splitRecord(peer.readLine());
            QVERIFY(record);
            QVERIFY(sequenceOf(*record) > lastSeen);
            lastSeen = sequenceOf(*record);
        }
        QCOMPARE(peer.readToClose(), std::optional<QByteArray>(QByteArray()));
    }
    QCOMPARE(sim.process().state(), QProcess::Running);
}

void TestDevsim::disconnectAfterOverPty() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("scale"));
    DevSim sim({"--pty", link, "--mode", "interval", "--interval", "20", "--disconnect-after", "2"});

    quint64 lastSeen = 0;
    for (int opening = 0; opening < 2; ++opening) {
        // Each opening is announced; the kernel may hand out the freed device name again.
        const auto path = sim.ptyPath();
        QVERIFY(path);
        QCOMPARE(QFile::symLinkTarget(link), *path);
        PtyPeer peer;
        QVERIFY(peer.open(link));
        for (int i = 0; i < 2; ++i) {
            const auto record = splitRecord(peer.readLine());
            QVERIFY(record);
            QVERIFY(sequenceOf(*record) > lastSeen);
            lastSeen = sequenceOf(*record);
        }
        // The simulator closes this terminal and opens a new one.
        QCOMPARE(peer.readToClose(), std::optional<QByteArray>(QByteArray()));
    }
}

void TestDevsim::burst_data() {
    QTest::addColumn<QString>("transport");
    QTest::addColumn<int>("size");
    QTest::newRow("tcp, one byte") << QStringLiteral("tcp") << 1;
    QTest::newRow("tcp, 1000 bytes") << QStringLiteral("tcp") << 1000;
    QTest::newRow("tcp, 200000 bytes") << QStringLiteral("tcp") << 200000;
    QTest::newRow("pty, 3000 bytes") << QStringLiteral("pty") << 3000;
}

void TestDevsim::burst() {
    QFETCH(QString, transport);
    QFETCH(int, size);

    DevSim sim(linkArguments(transport) + QStringList{"--mode", "demand", "--burst", QString::number(size)});
    const auto peer = connectPeer(sim, transport);
    QVERIFY(peer);
    const QByteArray burst = peer->readBytes(size);
    QCOMPARE(burst.size(), size);
    QVERIFY(!burst.contains('\n'));
    peer->write("\x1bP\r\n");
    QCOMPARE(peer->readLine(), expectedRecord(1, '+', "123.45", "g"));
}

void TestDevsim::terminationSignal_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
}

void TestDevsim::terminationSignal() {
    QFETCH(int, signalNumber);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("ttyScale"));
    DevSim sim({"--tcp", "0", "--pty", link, "--mode", "demand"});
    const auto port = sim.tcpPort();
    const auto path = sim.ptyPath();
    QVERIFY(port && path);
    QVERIFY(path->startsWith(QStringLiteral("/dev/pts/")));
    QCOMPARE(QFile::symLinkTarget(link), *path);

    PtyPeer terminal;
    QVERIFY(terminal.open(link));
    terminal.write("\x1bP\r\n");
    QCOMPARE(terminal.readLine(), expectedRecord(1, '+', "123.45", "g"));
    TcpPeer client;
    QVERIFY(client.connectTo(*port));
    client.write("\x1bP\r\n");
    QCOMPARE(client.readLine(), expectedRecord(2, '+', "123.45", "g"));

    QCOMPARE(::kill(static_cast<pid_t>(sim.process().processId()), signalNumber), 0);
    QVERIFY(sim.finishedWith(0));
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(!QFileInfo::exists(link));
    QCOMPARE(client.readToClose(), std::optional<QByteArray>(QByteArray()));
    QCOMPARE(terminal.readToClose(), std::optional<QByteArray>(QByteArray()));
}

void TestDevsim::customFormat_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QByteArrayList>("writes");
    QTest::addColumn<QByteArrayList>("answers");

    QTest::newRow("STX and ETX") << QStringList{"--format", "\\x02{SIGN}{VALUE:8.3}{UNIT:3}\\x03",
                                                "--value",  "-12.5",
                                                "--unit",   "kg"}
                                 << QStringLiteral("length 14, end 3, sign 2, value 3-10, unit 11-13")
                                 << QByteArrayList{"\x1bP\r\n"} << QByteArrayList{"\x02-  12.500kg \x03"};
    QTest::newRow("minus in the value field")
        << QStringList{"--format", "{VALUE:7.1} {UNIT}\\r\\n", "--value", "-3.14"}
        << QStringLiteral("length 11, end 10, value 1-7, unit 9") << QByteArrayList{"\x1bP\r\n"}
        << QByteArrayList{"   -3.1 g\r\n"};
    QTest::newRow("sequence and braces")
        << QStringList{"--format", "\\{{SEQ:3}\\}{STATE}\\t\\n", "--unstable-every", "2"}
        << QStringLiteral("length 8, end 10, state 6, sequence 2-4") << QByteArrayList{"P\r\n", "P\r\n"}
        << QByteArrayList{"{001}S\t\n", "{002}D\t\n"};
    QTest::newRow("decimal comma, no end character")
        << QStringList{"--format", "{VALUE:5.2}{UNIT:2}", "--value", "1.5", "--decimal-comma"}
        << QStringLiteral("length 7, end none, value 1-5, unit 6-7") << QByteArrayList{"P\r\n"}
        << QByteArrayList{" 1,50g "};
    QTest::newRow("default decimals and a NUL")
        << QStringList{"--format", "{VALUE:8}\\0", "--decimals", "4", "--value", "2"}
        << QStringLiteral("length 9, end 0, value 1-8") << QByteArrayList{"P\r\n"}
        << QByteArrayList{QByteArray("  2.0000") + QByteArray(1, '\0')};
    QTest::newRow("overload after tare")
        << QStringList{"--format", "{SIGN}{VALUE:5.2}\\n", "--ramp", "-99:99:198"}
        << QStringLiteral("length 7, end 10, sign 1, value 2-6") << QByteArrayList{"T\r\n", "P\r\n", "P\r\n"}
        << QByteArrayList{"+ 0.00\n", "+*****\n", "+ 0.00\n"};
}

void TestDevsim::customFormat() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, layout);
    QFETCH(QByteArrayList, writes);
    QFETCH(QByteArrayList, answers);

    DevSim sim(QStringList{"--tcp", "0", "--mode", "demand"} + arguments);
    QCOMPARE(sim.nextLine(QStringLiteral("layout: ")), layout);
    const auto port = sim.tcpPort();
    QVERIFY(port);
    TcpPeer peer;
    QVERIFY(peer.connectTo(*port));
    for (const QByteArray& bytes : std::as_const(writes)) {
        peer.write(bytes);
    }
    for (const QByteArray& answer : std::as_const(answers)) {
        QCOMPARE(peer.readBytes(answer.size()), answer);
    }
    peer.write("\x1b?\r\n");
    QCOMPARE(peer.readBytes(4), QByteArray("ES\r\n"));
}

void TestDevsim::invalidArguments_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("unknown option") << QStringList{"--frobnicate"};
    QTest::newRow("stray argument") << QStringList{"4001"};
    QTest::newRow("unknown mode") << QStringList{"--mode", "sometimes"};
    QTest::newRow("ramp without step") << QStringList{"--ramp", "1:2"};
    QTest::newRow("ramp stepping away") << QStringList{"--ramp", "1:2:-0.5"};
    QTest::newRow("random upside down") << QStringList{"--random", "5:1"};
    QTest::newRow("two value sources") << QStringList{"--value", "1", "--random", "1:2"};
    QTest::newRow("value not a number") << QStringList{"--value", "heavy"};
    QTest::newRow("value too wide") << QStringList{"--value", "12345.6"};
    QTest::newRow("ramp too wide") << QStringList{"--ramp", "0:1000:1"};
    QTest::newRow("unknown field") << QStringList{"--format", "{WEIGHT:6}\\n"};
    QTest::newRow("value without width") << QStringList{"--format", "{VALUE}\\n"};
    QTest::newRow("unclosed field") << QStringList{"--format", "{VALUE:6\\n"};
    QTest::newRow("unknown escape") << QStringList{"--format", "{VALUE:6}\\q"};
    QTest::newRow("unit too wide") << QStringList{"--unit", "kg", "--format", "{VALUE:6}{UNIT:1}\\n"};
    QTest::newRow("partial every record") << QStringList{"--partial-every", "1"};
    QTest::newRow("every zero") << QStringList{"--garbage-every", "0"};
    QTest::newRow("exit without count") << QStringList{"--exit-after-count"};
    QTest::newRow("port out of range") << QStringList{"--tcp", "70000"};
    QTest::newRow("missing value") << QStringList{"--interval"};
    QTest::newRow("flag with value") << QStringList{"--verbose=yes"};
}

void TestDevsim::invalidArguments() {
    QFETCH(QStringList, arguments);

    DevSim sim(QStringList{"--tcp", "0"} + arguments);
    QVERIFY(sim.finishedWith(2));
    QVERIFY(!sim.process().readAllStandardError().isEmpty());
    QVERIFY(!sim.process().readAllStandardOutput().contains("tcp:"));
}

void TestDevsim::help() {
    DevSim sim({"--help"});
    QVERIFY(sim.finishedWith(0));
    const QByteArray text = sim.process().readAllStandardOutput();
    for (const char* option :
         {"--tcp", "--pty", "--format", "--value", "--ramp", "--random", "--seed", "--mode", "--interval",
          "--count", "--exit-after-count", "--unstable-every", "--decimal-comma", "--garbage-every",
          "--partial-every", "--disconnect-after", "--burst", "--verbose"}) {
        QVERIFY2(text.contains(option), option);
    }
}

QTEST_GUILESS_MAIN(TestDevsim)
#include "tst_devsim.moc"
