#include "base/config/SettingText.h"
#include "base/files/IniFile.h"
#include "base/session/ProgramSession.h"
#include "base/texts/LanguageTable.h"
#include "base/texts/LocaleFormats.h"
#include "support/ProgramFolder.h"
#include "support/RecordingKeyState.h"
#include "support/RecordingKeyboard.h"
#include "support/RecordingMainView.h"
#include "support/RecordingWindowList.h"
#include "support/ScriptedDialogs.h"
#include "support/SocatPair.h"
#include "support/TestFiles.h"

#include <QRegularExpression>
#include <QSerialPort>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <numeric>

using namespace Qt::StringLiterals;

// Waits by the clock: QTRY counts steps, and a tick may hold the event loop for a whole record wait.
#define WAIT_COMPARE(a, e) QCOMPARE(((void)QTest::qWaitFor([&] { return (a) == (e); }, 10000), (a)), e)
#define WAIT_VERIFY(c) QVERIFY(((void)QTest::qWaitFor([&] { return bool(c); }, 10000), (c)))

using Answer = Dialogs::Answer;

namespace {

// A record in the layout of a fresh configuration: sign at 7, value at 11 to 16, unit at 18-19.
QByteArray record(const QByteArray& value, const char* unit = "g ", char sign = '+') {
    return QByteArray("N     ") + sign + "   " + value + " " + unit + " \r\n";
}

const QByteArray Shown = "Format={Messwert};{Einheit}\n";
const QByteArray Print = "[Mode]\nmodus=PRINT\n", Hotkey = "[Mode]\nmodus=HOTKEY\n";
constexpr int F2 = 113, F5 = 116, NoDue = 1 << 30;

const auto text = [](TextKey key) { return languageText(key); };
bool matches(const QString& pattern, const QString& subject) {
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern)).match(subject).hasMatch();
}
// Flags as a row of 0 and 1.
QString bits(std::initializer_list<bool> flags) {
    return std::accumulate(flags.begin(), flags.end(), QString(),
                           [](QString t, bool f) { return t.append(f ? u'1' : u'0'); });
}
template <typename... Values> void addRow(const char* name, Values... values) {
    (QTest::newRow(name) << ... << values);
}

QByteArray timer(int autostart, int schedule, const QDateTime& start, const QDateTime& stop) {
    return "[Mode]\nmodus=TIMER\nactiv=" + QByteArray::number(autostart) +
           "\nint_modus=" + QByteArray::number(schedule) +
           "\nd_start=" + LocaleFormats::dateText(start.date()).toUtf8() +
           "\nt_start=" + LocaleFormats::timeText(start.time()).toUtf8() +
           "\nd_end=" + LocaleFormats::dateText(stop.date()).toUtf8() +
           "\nt_end=" + LocaleFormats::timeText(stop.time()).toUtf8() + "\n";
}

const QString LanguageFile = TestFiles::sourceDataDir() + u"/language.ini"_s;

// A session with every desktop fake, in a program folder whose configuration names a device
// played by the test on loopback TCP and a text file target.
struct Bench {
    explicit Bench(bool language = true) : folder(language) {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            while (QTcpSocket* socket = server.nextPendingConnection()) {
                device = socket;
                ++connections;
                socket->write(greeting);
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    heard += socket->readAll();
                    socket->write(heard.endsWith("\r\n") ? reply : QByteArray());
                });
            }
        });
        TestFiles::write(folder.file(u"kelvane.ini"_s), "[waittime]\nm_waittime=0.3\n");
    }
    // The device is this bench's unless another port is given.
    void write(const QString& name, const QByteArray& keys, const QByteArray& target = "Text-Datei",
               quint16 port = 0) const {
        const QByteArray device = QByteArray::number(port ? port : server.serverPort());
        folder.writeConfiguration(name,
                                  "[Port settings]\nportnum=TCP/IP\ntcpip=127.0.0.1\ntcpport=" + device +
                                      "\n[Anwendung]\nTextFile=out.txt\nAnwendung=" + target + "\n" + keys);
    }
    bool start(const QByteArray& keys, const QByteArray& target = "Text-Datei") {
        write(u"standard.cfg"_s, keys, target);
        return session.start({}) && connected();
    }
    // The device's connection is up at both ends.
    bool connected() {
        return QTest::qWaitFor([this] {
            return device && device->state() == QAbstractSocket::ConnectedState &&
                   session.connection().tcpLink().state() == TcpLink::Connected;
        });
    }
    void send(const QByteArray& bytes) { device->write(bytes); }
    QByteArray read(const QString& name) const { return TestFiles::read(folder.file(name)); }
    QByteArray output() const { return read(u"out.txt"_s); }
    QString limit(const QString& f) const {
        return IniFile::read(folder.file(f), u"Filter"_s, u"OTG"_s, u"-"_s);
    }

    ProgramFolder folder;
    QTcpServer server;
    QTcpSocket* device = nullptr;
    int connections = 0;
    // What the device sends when a connection comes, and in answer to a command line.
    QByteArray greeting, reply;
    QByteArray heard;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    RecordingKeyboard keyboard;
    RecordingWindowList windows;
    RecordingKeyState keyState;
    ProgramSession session{view, dialogs, {&keyboard, &windows, &keyState}};
};
// language.ini, standard.cfg (limit 1) exist, the start-up goes on; the command-line configuration, the one
// chosen to load, the language window's choice; the configuration loaded (job.cfg: limit 2), the messages.
struct StartFiles {
    bool language, standard, started;
    QString argument, chosen, window, loaded, limit;
    QStringList messages = {};
};
// shown: sign|value|unit at the transfer; published: output text|value|sign|unit at the end.
struct Transfer {
    QByteArray keys, sent, output;
    QString status, shown, published;
};
// The start-up, then the buttons pressed. state: enabled Send, TimerStart, TimerStop / online / value /
// interval / pending, running, hidden, ended; status: a pattern; due: seconds from when the table was made.
struct Buttons {
    QByteArray keys;
    QList<int> presses;
    QString state, status;
    int due;
};
// The upper limit set before the end, then in tmp.cfg and in new.cfg, which a Yes to the question saves to.
struct Shutdown {
    bool standard, save, asked;
    QString limit, snapshot, saved;
};
struct Save {
    QString name;
    Answer answer;
    bool exists, asked, written;
    QString message = {};
};

} // namespace

Q_DECLARE_METATYPE(StartFiles)
Q_DECLARE_METATYPE(Transfer)
Q_DECLARE_METATYPE(Buttons)
Q_DECLARE_METATYPE(Shutdown)
Q_DECLARE_METATYPE(Save)

class tst_Session : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        // The published values are checked in the session state; no developer's bus is touched.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/kelvane-test-bus");
        cleanup();
    }
    // The tables of the next test expect the shipped English texts.
    void cleanup() { LanguageTable::instance().load(LanguageFile, u"ENGLISH"_s); }

    void startUpFiles_data() {
        QTest::addColumn<StartFiles>("row");
        const QStringList missing{text(TextKey::ConfigurationMissing)};
        addRow("argument", StartFiles{true, true, true, "job.cfg", "", "", "job.cfg", "2"});
        addRow("missing, load cancelled", StartFiles{true, false, true, "", "", "", "", "", missing});
        addRow("missing, job chosen",
               StartFiles{true, false, true, "", "job.cfg", "", "job.cfg", "2", missing});
        addRow("no language, window chooses",
               StartFiles{false, true, true, "", "", "ENGLISH", "standard.cfg", "1"});
        const QStringList aborted{u"No language selected, Program aborted!"_s};
        addRow("no language chosen", StartFiles{false, true, false, "", "", "", "", "", aborted});
    }
    void startUpFiles() {
        QFETCH(StartFiles, row);
        Bench b(row.language);
        b.write(row.standard ? u"standard.cfg"_s : u"other.cfg"_s, "[Filter]\nOTG=1\n");
        b.write(u"job.cfg"_s, "[Filter]\nOTG=2\n");
        b.dialogs.openFiles = {row.chosen.isEmpty() ? std::optional<QString>() : b.folder.file(row.chosen)};
        b.dialogs.languageWindow = [&] {
            IniFile::write(b.folder.file(u"language.ini"_s), u"SPRACHE"_s, u"aktuell"_s, row.window);
        };
        QCOMPARE(b.session.start(row.argument), row.started);
        QCOMPARE(b.dialogs.messages, row.messages);
        QCOMPARE(b.dialogs.languageWindows, row.language ? 0 : 1);
        QCOMPARE(b.dialogs.fileDialogs.size(), row.messages.size() == 1 && row.started ? 1 : 0);
        QCOMPARE(QFileInfo(b.session.settings().configurationPath).fileName(), row.loaded);
        QCOMPARE(b.session.settings().upperLimit.text(), row.limit);
        // Without texts in the language file every text shows its key.
        QCOMPARE(b.view.menus.value(MainView::Menu::File),
                 row.started ? (row.language ? text(TextKey::MenuFile) : u"TextMenuDatei_"_s) : QString());
    }
    void transfer_data() {
        QTest::addColumn<Transfer>("row");
        const QByteArray weight = Shown + Print;
        const QByteArray upper = weight + "[Filter]\nOTG=100\n";
        const QByteArray lower = weight + "[Filter]\nUTG=5\n[Entlastung]\nentlastung=False\n";
        addRow("accepted",
               Transfer{weight, record("123.45"), "123.45;g\r\n", "", "+|123.45|g", "123.45;g|123.45|+|g"});
        addRow("negative", Transfer{weight, record("  7.50", "kg", '-'), "-7.50;kg\r\n", "", "-|7.50|kg",
                                    "-7.50;kg|-7.5|-|kg"});
        addRow("empty template",
               Transfer{"Format=\n" + Print, record("  7.00"), "\r\n", "", "+|7.00|g", "|7|+|g"});
        addRow("above the upper limit",
               Transfer{upper, record("100.01"), "", text(TextKey::AboveUpperLimit), "", "|100.01|+|g"});
        addRow("below the lower limit",
               Transfer{lower, record("  4.99"), "", text(TextKey::BelowLowerLimit), "", "|4.99|+|g"});
        addRow("on the lower limit",
               Transfer{lower, record("  5.00"), "5.00;g\r\n", "", "+|5.00|g", "5.00;g|5|+|g"});
        addRow("no number, lower limit",
               Transfer{lower, record("------"), "", text(TextKey::BelowLowerLimit), "", "|||"});
        addRow("no number", Transfer{weight, record("------"), "0.000000;g\r\n", "", "|00000000.00|",
                                     "0.000000;g|-999999||g"});
        addRow("not stable",
               Transfer{weight, record("  1.00", "  "), "", text(TextKey::NotStable), "", "|1|+|"});
        addRow("volume", Transfer{weight + "[anzeige]\nanzeigemodus=1\nst_dichte=2\n", record("100.00"),
                                  "50.00;ml\r\n", "", "+|50.000|ml", "50.00;ml|100|+|g"});
        addRow("flow outside the timer", Transfer{weight + "[anzeige]\nanzeigemodus=2\n", record("100.00"),
                                                  "0.00;ml\r\n", "", "|00000000.00|", "0.00;ml|100||g"});
    }
    void transfer() {
        QFETCH(Transfer, row);
        Bench b;
        QString shown;
        QObject::connect(&b.session.cycle(), &MainCycle::transferred, &b.session.cycle(), [&] {
            shown = b.view.signText() + u'|' + b.view.valueText() + u'|' + b.view.unitText();
        });
        QVERIFY(b.start(row.keys));
        b.send(row.sent);
        // The status is written in the tick that takes the record; a transfer runs in the same tick.
        WAIT_COMPARE(b.view.statusText(), row.status);
        QTest::qWait(100);
        QCOMPARE(b.output(), row.output);
        QCOMPARE(shown, row.shown);
        const PublishedValues& p = b.session.state().published();
        QCOMPARE(QStringList({p.outputText, p.value, p.sign, p.unit}).join(u'|'), row.published);
        const bool sent = !row.output.isEmpty();
        QCOMPARE(p.record, sent ? QString::fromLatin1(row.sent) : QString());
        QCOMPARE(b.read(u"protocol.txt"_s),
                 sent ? "Datenstring: " + row.sent + "\r\nCommand: " + row.output.chopped(2) + "\r\n"
                      : QByteArray());
    }
    // The log of transfers stays open from value to value, but a log that the user deletes or moves
    // away is followed at once by a new file at its path.
    void protocolFollowsItsFile() {
        Bench b;
        QVERIFY(b.start(Shown + Print));
        const QString log = b.folder.file(u"protocol.txt"_s);
        const auto entry = [](const QByteArray& value) -> QByteArray {
            return "Datenstring: " + record(value) + "\r\nCommand: " + value.trimmed() + ";g\r\n";
        };
        const auto sendAndWait = [&b, &log](const QByteArray& value) {
            const qint64 before = QFileInfo(log).size();
            b.send(record(value));
            return QTest::qWaitFor([&] { return QFileInfo(log).size() != before; }, 5000);
        };
        QVERIFY(sendAndWait("  1.00"));
        QVERIFY(QFile::remove(log));
        QVERIFY(sendAndWait("  2.00"));
        QCOMPARE(b.read(u"protocol.txt"_s), entry("  2.00"));
        QVERIFY(QFile::rename(log, log + u".old"_s));
        QVERIFY(sendAndWait("  3.00"));
        QCOMPARE(b.read(u"protocol.txt"_s), entry("  3.00"));
        QCOMPARE(b.read(u"protocol.txt.old"_s), entry("  2.00"));
    }
    void sendInHotkeyMode() {
        Bench b;
        QVERIFY(b.start(Shown + Hotkey + "[Hotkeys]\nkey0=F2,,,\n"));
        // The hotkey presses Send from the cycle: the next accepted record goes out, and only that one.
        b.keyState.pressed.insert(F2);
        WAIT_VERIFY(b.session.state().isTransferPending());
        b.send(record("  2.00"));
        WAIT_COMPARE(b.output(), QByteArray("2.00;g\r\n"));
        b.send(record("  3.00"));
        WAIT_COMPARE(b.view.valueText(), u"3.00"_s);
        // A refused record takes Send back.
        b.keyState.pressed.insert(F2);
        WAIT_VERIFY(b.session.state().isTransferPending());
        b.send(record("  4.00", "  "));
        WAIT_COMPARE(b.view.statusText(), text(TextKey::NotStable));
        QVERIFY(!b.session.state().isTransferPending());
        b.send(record("  5.00"));
        WAIT_COMPARE(b.view.valueText(), u"5.00"_s);
        QTest::qWait(100);
        QCOMPARE(b.output(), QByteArray("2.00;g\r\n"));
    }
    void unloadingHoldsTheCycle() {
        Bench b;
        QVERIFY(b.start(Shown + Print + "[Filter]\nUTG=5\n[Entlastung]\nentlastung=True\n"));
        // The balance reports its load all the time: loaded, on the lower limit (still loaded), unloaded,
        // loaded again, unloaded.
        const qint64 begin = QDateTime::currentMSecsSinceEpoch();
        QTimer stream;
        QObject::connect(&stream, &QTimer::timeout, &stream, [&] {
            const qint64 t = QDateTime::currentMSecsSinceEpoch() - begin;
            b.send(record(t < 800    ? " 10.00"
                          : t < 1300 ? "  5.00"
                          : t < 1800 ? "  0.00"
                          : t < 2400 ? " 12.00"
                                     : "  0.00"));
        });
        stream.start(50);
        WAIT_VERIFY(QDateTime::currentMSecsSinceEpoch() - begin > 3000);
        QCOMPARE(b.output(), QByteArray("10.00;g\r\n12.00;g\r\n"));
        QVERIFY(b.view.statusWrites.contains(text(TextKey::WaitingForUnloading)) &&
                b.view.statusWrites.contains(text(TextKey::BelowLowerLimit)));
    }
    // In count mode the timer takes its count of values and stops; the flow of timed values is
    // tested end to end with the headless program.
    void timerTakesItsCount_data() {
        QTest::addColumn<int>("count");
        addRow("none", 0);
        addRow("three", 3);
    }
    void timerTakesItsCount() {
        QFETCH(int, count);
        Bench b;
        const QDateTime now = QDateTime::currentDateTime();
        QVERIFY(b.start(Shown + timer(1, 1, now.addSecs(-60), now.addSecs(3600)) +
                        "anz_mess=" + QByteArray::number(count) + "\n"));
        QTimer stream;
        QObject::connect(&stream, &QTimer::timeout, &stream, [&] { b.send(record(" 10.00")); });
        stream.start(50);
        WAIT_VERIFY(!b.session.state().timer().running);
        QTest::qWait(400);
        QCOMPARE(b.output(), QByteArray("10.00;g\r\n").repeated(count));
    }
    // Loading a configuration offers the timer's start again; the next value of a running
    // start/stop schedule shows the running buttons once more.
    void startStopTimerShowsRunningButtons() {
        Bench b;
        const QDateTime now = QDateTime::currentDateTime();
        QVERIFY(b.start(Shown + timer(1, 0, now.addSecs(-60), now.addSecs(3600))));
        b.session.controller().loadConfiguration(b.folder.file(u"standard.cfg"_s));
        const RecordingMainView& v = b.view;
        QVERIFY(v.isButtonEnabled(MainButton::TimerStart) && !v.isButtonEnabled(MainButton::TimerStop));
        QTimer stream;
        QObject::connect(&stream, &QTimer::timeout, &stream, [&] { b.send(record(" 10.00")); });
        stream.start(50);
        WAIT_VERIFY(!v.isButtonEnabled(MainButton::TimerStart) && v.isButtonEnabled(MainButton::TimerStop));
        QVERIFY(b.output().startsWith("10.00;g\r\n"));
    }
    void buttons_data() {
        QTest::addColumn<Buttons>("row");
        const QDateTime now = QDateTime::currentDateTime();
        const auto at = [&now](int seconds) { return now.addSecs(seconds); };
        const auto active = [&at](int seconds) {
            return QRegularExpression::escape(text(TextKey::TimerActiveFrom) +
                                              TimerSchedule::dueText(at(seconds)));
        };
        const auto autostart = [&](int mode, int from, int to) { return timer(1, mode, at(from), at(to)); };
        // Connecting again repeats the status of the start-up, which the status line then skips.
        const QString same = "Start über 'online'|" +
                             QRegularExpression::escape(text(TextKey::DeviceActivated)) + " TCP/IP \\d";
        const QString on = text(TextKey::DeviceActivated);
        const QString online = u"O&ffline/Online"_s;
        const QString idle = u"O&ffline/00000000.00"_s;
        const QByteArray timed = timer(0, 0, at(600), at(1200));
        addRow("PRINT", Buttons{Print, {}, "100/" + idle + "/10/0000", same, NoDue});
        addRow("TIMER", Buttons{timed, {}, "010/" + idle + "/1000/0000", same, NoDue});
        addRow("autostart, count",
               Buttons{autostart(1, 3600, 7200), {}, "001/" + online + "/10/1100", active(3600), 0});
        addRow("autostart, future start",
               Buttons{autostart(0, 3600, 7200), {}, "001/" + online + "/10/0100", active(3600), 3600});
        addRow("autostart, inside",
               Buttons{autostart(0, -3600, 3600), {}, "001/" + online + "/10/1100", active(-3600), 0});
        addRow("autostart, stop passed",
               Buttons{autostart(0, -7200, -3600), {}, "001/" + online + "/10/0100", active(-7200), -7200});
        addRow("autostart, neither schedule",
               Buttons{autostart(2, -3600, 3600), {}, "001/" + online + "/10/0100", active(-3600), -3600});
        addRow("Send", Buttons{Hotkey, {1}, "100/" + idle + "/10/1000", same, NoDue});
        addRow("TimerStart outside timer mode",
               Buttons{Hotkey, {2}, "100/" + online + "/10/0000", on, NoDue});
        addRow("TimerStop outside timer mode", Buttons{Hotkey, {3}, "110/" + idle + "/10/0000", "", NoDue});
        addRow("TimerStart", Buttons{timed, {2}, "001/" + online + "/10/0100", active(600), 600});
        addRow("TimerStart, TimerStop", Buttons{timed, {2, 3}, "010/" + online + "/10/0000", "", NoDue});
        addRow("Hide", Buttons{Hotkey, {6}, "100/" + idle + "/10/0010", same, NoDue});
        addRow("Online",
               Buttons{Hotkey, {7}, "100/O&nline/Offline/-/0000", text(TextKey::DeviceInactive), NoDue});
        addRow("Online twice", Buttons{Hotkey, {7, 7}, "100/" + online + "/10/0000", on + " TCP/IP", NoDue});
        addRow("Exit", Buttons{Hotkey, {8}, "100/" + idle + "/-/0001", same, NoDue});
    }
    void buttons() {
        QFETCH(Buttons, row);
        Bench b;
        QVERIFY(b.start(row.keys));
        for (const int button : row.presses) {
            b.session.buttons().press(static_cast<MainButton>(button));
        }
        const RecordingMainView& v = b.view;
        const SessionState& s = b.session.state();
        const CycleTimer& t = b.session.cycleTimer();
        const QString actual =
            bits({v.isButtonEnabled(MainButton::Send), v.isButtonEnabled(MainButton::TimerStart),
                  v.isButtonEnabled(MainButton::TimerStop)}) +
            u'/' + v.buttonCaption(MainButton::Online) + u'/' + v.valueText() + u'/' +
            (t.isRunning() ? QString::number(t.interval()) : u"-"_s) + u'/' +
            bits({s.isTransferPending(), s.timer().running, v.hides > 0, b.session.controller().hasEnded()});
        QCOMPARE(actual, row.state);
        QVERIFY2(matches(row.status, v.statusText()), qPrintable(v.statusText()));
        const qint64 due = QDateTime::currentDateTime().secsTo(s.timer().due);
        QVERIFY(row.due == NoDue ? s.timer().due.isNull()
                                 : !s.timer().due.isNull() && qAbs(due - row.due) < 60);
    }
    // Start-up on a serial port. One that exists but cannot be opened ends the start-up before
    // the mode is set up: the cycle keeps waiting until the user goes online. A free one is shown
    // online, and the record the device sends at once is delivered.
    void serialStartUp_data() {
        QTest::addColumn<bool>("free");
        QTest::addColumn<QString>("shown"); // online button, value display, cycle interval
        QTest::addColumn<QByteArray>("output");
        QTest::newRow("busy") << false << "O&ffline/00000000.00/1000" << QByteArray();
        QTest::newRow("free") << true << "Offline/Online/10" << QByteArray("123.45;g\r\n");
    }
    void serialStartUp() {
        QFETCH(bool, free);
        Bench b;
        SocatPair pair;
        QVERIFY(pair.start());
        QSerialPort device(pair.deviceEnd());
        QVERIFY(device.open(QIODevice::ReadWrite));
        const QByteArray port = free ? QFile::encodeName(pair.programEnd()) : QByteArray("/dev/null");
        TestFiles::write(b.folder.file(u"kelvane.ini"_s),
                         "[waittime]\nm_waittime=0.3\n[ports]\nCOM3=" + port + "\n");
        b.folder.writeConfiguration(u"standard.cfg"_s,
                                    "[Port settings]\nportnum=3\n[Anwendung]\nTextFile=out.txt\n"
                                    "Anwendung=Text-Datei\n" +
                                        Shown + Print);
        QVERIFY(b.session.start({}));
        const QString shown = b.view.buttonCaption(MainButton::Online) + u'/' + b.view.valueText() + u'/' +
                              QString::number(b.session.cycleTimer().interval());
        QTEST(shown, "shown");
        device.write(record("123.45"));
        QTEST((QTest::qWait(1500), b.output()), "output");
    }
    void pressNumber_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QString>("effect"); // pending, hidden, online, ended, a second connection
        addRow("0", 0, QByteArray(), "10100");
        addRow("1 Send", 1, QByteArray(), "10100");
        addRow("6 Hide", 6, QByteArray(), "01100");
        addRow("7 Online", 7, QByteArray(), "00000");
        addRow("8 Exit", 8, QByteArray(), "00110");
        addRow("9 row 0, ESCP", 9, QByteArray("\033P\r\n"), "00100");
        addRow("10 row 1, without ESC the first three go", 10, QByteArray("\033Q\r\n"), "00100");
        addRow("11 row 2, ESC inside", 11, QByteArray("x\033y\r\n"), "00100");
        addRow("12 row 3, only the first ESC", 12, QByteArray("\033ESC\r\n"), "00100");
        addRow("13 row 4, empty caption", 13, QByteArray(), "00100");
        addRow("14 row 5, blank caption", 14, QByteArray(), "00100");
        addRow("16 row 7", 16, QByteArray("\033H\r\n"), "00100");
        addRow("17 row 8", 17, QByteArray(), "00100");
        addRow("18", 18, QByteArray(), "10100");
    }
    void pressNumber() {
        QFETCH(int, number);
        QFETCH(QString, effect);
        Bench b;
        QVERIFY(
            b.start(Shown + Hotkey +
                    "[Action]\nkey0=,,,ESCP,A,0\nkey1=,,,ABCQ,B,0\nkey2=,,,xESCy,C,0\nkey3=,,,ESCESC,D,0\n"
                    "key4=,,,ESCE,,0\nkey5=,,,ESCF, ,0\nkey6=,,,ESCG,G,0\nkey7=,,,ESCH,H,0\n"));
        // Every button but Send, and no number that names none, takes back a pending transfer.
        b.session.state().requestTransfer();
        b.session.buttons().pressNumber(number);
        QTest::qWait(300);
        QTEST(b.heard, "wire");
        QCOMPARE(
            bits({b.session.state().isTransferPending(), b.view.hides > 0, b.session.connection().isOnline(),
                  b.session.controller().hasEnded(), b.connections > 1}),
            effect);
    }
    // One connection serves the whole session until the device ends it: the record the device sends
    // on connecting arrives, and neither the buttons, a tare without answer nor a configuration load
    // connect again or drop a record that is half received.
    void oneConnection() {
        Bench b;
        b.greeting = record("  1.00");
        // Records of a fixed length without an end character, so that bytes before one would count.
        QVERIFY(b.start(Shown + Print + "[Action]\nkey0=,,,ESCT,Tare,0\n[Gauge]\nstr_endchar=0\n"));
        WAIT_COMPARE(b.output(), QByteArray("1.00;g\r\n"));
        for (const int number : {1, 2, 3, 4, 5, 6}) {
            b.session.buttons().pressNumber(number);
        }
        b.session.controller().loadConfiguration(b.folder.file(u"standard.cfg"_s));
        QVERIFY(b.connected());
        // The tare goes out between two reads, while the first half of a record waits in the buffer.
        b.session.cycleTimer().stop();
        QTest::qWait(400);
        const QByteArray split = record("  2.00");
        b.send(split.left(9));
        QTRY_VERIFY(b.session.connection().tcpLink().received().endsWith(split.left(9)));
        b.session.buttons().pressNumber(9);
        WAIT_COMPARE(b.heard, QByteArray("\033T\r\n"));
        b.send(split.mid(9));
        b.session.cycleTimer().setInterval(CycleTimer::RunningInterval);
        WAIT_COMPARE(b.output(), QByteArray("1.00;g\r\n2.00;g\r\n"));
        QCOMPARE(b.connections, 1);
        // The device ends it in the middle of a record: the program goes offline and says why, in
        // the user's language.
        b.send(record("  3.00").left(9));
        QTest::qWait(500);
        b.device->disconnectFromHost();
        WAIT_COMPARE(b.view.statusText(),
                     text(TextKey::PortUnavailable) + u' ' + text(TextKey::LinkPeerClosed));
        QVERIFY(!b.session.connection().isOnline() && b.view.valueText() == u"Offline"_s);
        // It tries again and is back by itself; the record begun before the loss is dropped, and
        // the one the device sends on connecting arrives whole.
        QVERIFY(b.session.connection().isReconnecting());
        QTRY_COMPARE_WITH_TIMEOUT(b.connections, 2, 5000);
        WAIT_COMPARE(b.output(), QByteArray("1.00;g\r\n2.00;g\r\n1.00;g\r\n"));
        QVERIFY(b.session.connection().isOnline() && !b.session.connection().isReconnecting());
    }
    // A command key read by a tick in hotkey mode, or a command button pressed between the ticks of
    // timer mode waiting for its start, a second apart: the answer is fetched as it comes either way.
    void deviceAnswer_data() {
        QTest::addColumn<QByteArray>("flag");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<bool>("button");
        addRow("answer delivered", QByteArray("1"), QByteArray("12.5 g\r\n"), QByteArray("12.5 g\r\r\n"),
               false);
        addRow("answer not asked for", QByteArray("0"), QByteArray("12.5 g\r\n"), QByteArray(), false);
        addRow("empty answer line", QByteArray("1"), QByteArray("\n"), QByteArray("\r\n"), false);
        addRow("no answer", QByteArray("1"), QByteArray(), QByteArray(), false);
        addRow("button between ticks", QByteArray("1"), QByteArray("12.5 g\r\n"), QByteArray("12.5 g\r\r\n"),
               true);
    }
    void deviceAnswer() {
        QFETCH(QByteArray, flag);
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, output);
        QFETCH(bool, button);
        Bench b;
        b.reply = reply;
        const QDateTime later = QDateTime::currentDateTime().addSecs(3600);
        const QByteArray mode = button ? timer(0, 0, later, later.addSecs(60)) : Hotkey;
        QVERIFY(b.start(Shown + mode + "[Action]\nkey0=F5,,,ESCP,Print," + flag + "\n"));
        if (button) {
            QTest::qWait(1500);
            b.session.buttons().pressNumber(MainButtonCount + 1);
        } else {
            // A tick reads the command key and waits for the answer: once the device heard it, that
            // tick is over.
            b.keyState.pressed.insert(F5);
        }
        WAIT_COMPARE(b.heard, QByteArray("\033P\r\n"));
        QCOMPARE(b.dialogs.messages,
                 reply.isEmpty() ? QStringList{text(TextKey::DeviceTimeout)} : QStringList());
        QCOMPARE(b.output(), output);
        // The answer without its line feed; otherwise the panel keeps the template.
        QCOMPARE(b.view.infoText(MainView::InfoPanel::Output),
                 QString::fromLatin1(output.isEmpty() ? Shown.mid(7).trimmed() : output.chopped(2)));
    }
    void statusLineWritesOnlyChanges() {
        RecordingMainView view;
        StatusLine line(view);
        for (const char* status : {"", "A", "A", "", "", "B", "B", "A"}) {
            line.setText(QString::fromLatin1(status));
        }
        QCOMPARE(view.statusWrites, (QStringList{"A", "", "B", "A"}));
    }
    void shutdown_data() {
        QTest::addColumn<Shutdown>("row");
        addRow("unchanged", Shutdown{true, false, false, "0", "0", "-"});
        addRow("changed, not saved", Shutdown{true, false, true, "250", "250", "-"});
        addRow("changed, saved", Shutdown{true, true, true, "250", "250", "250"});
        addRow("no configuration file", Shutdown{false, false, true, "", "", "-"});
    }
    void shutdown() {
        QFETCH(Shutdown, row);
        Bench b;
        QVERIFY(row.standard ? b.start(Shown + Hotkey) : b.session.start({}));
        // A key the program does not know is kept in the snapshot: it makes no change.
        QVERIFY(TestFiles::write(b.folder.file(u"standard.cfg"_s),
                                 b.read(u"standard.cfg"_s) + "[Extra]\nkeep=1\n"));
        const QByteArray before = b.read(u"standard.cfg"_s);
        b.session.settings().upperLimit = SettingText::number(row.limit);
        b.dialogs.answers = {row.save ? Answer::Yes : Answer::No};
        b.dialogs.saveFiles = {b.folder.file(u"new.cfg"_s)};
        QSignalSpy ended(&b.session.controller(), &ProgramController::ended);
        b.session.controller().shutdown();
        b.session.controller().shutdown();
        QCOMPARE(ended.count(), 1);
        QCOMPARE(b.dialogs.questions, row.asked ? QStringList{text(TextKey::SaveChanges)} : QStringList());
        QCOMPARE(b.limit(u"tmp.cfg"_s) + u'|' + b.limit(u"new.cfg"_s), row.snapshot + u'|' + row.saved);
        QCOMPARE(b.read(u"standard.cfg"_s), before);
        QCOMPARE(b.session.connection().tcpLink().state(), TcpLink::Closed);
        WAIT_VERIFY(!b.device || b.device->state() == QAbstractSocket::UnconnectedState);
    }
    void loadAppliesLinkAndCaptions() {
        Bench b;
        QVERIFY(b.start(Shown + Hotkey + "[Action]\nkey1=,,,ESCZ,Zero,0\n"));
        QTcpServer other;
        QVERIFY(other.listen(QHostAddress::LocalHost));
        b.write(u"job.cfg"_s, "[Mode]\nmodus=TIMER\n[Action]\nkey0=,,,ESCT,Tare,0\nkey7=,,,ESCP,Print,1\n",
                "Excel-Datei", other.serverPort());
        const int listed = b.windows.enumerations;
        b.session.controller().loadConfiguration(b.folder.file(u"job.cfg"_s));
        // A row without a caption leaves its button as it was.
        const auto& captions = b.view.commandCaptions;
        QCOMPARE(captions[0] + u'|' + captions[1] + u'|' + captions[7], u"Tare|Zero|Print"_s);
        QCOMPARE(b.view.infoText(MainView::InfoPanel::Target), u"Excel-Datei"_s);
        QVERIFY(b.view.isButtonEnabled(MainButton::TimerStart) &&
                !b.view.isButtonEnabled(MainButton::TimerStop));
        // The target window is looked up by the new target's title.
        QCOMPARE(b.windows.enumerations, listed + 1);
        WAIT_VERIFY(other.hasPendingConnections());
        WAIT_COMPARE(b.device->state(), QAbstractSocket::UnconnectedState);
    }
    // A D-Bus target whose names the bus cannot carry: said once in the status, never asked per value.
    void invalidBusTargetReportedOnce() {
        Bench b;
        QVERIFY(b.start(Shown + Print + "[DDECONN]\nanwend=Excel\ntopic=System\n", "*DDE*"));
        for (const QByteArray value : {"  1.00", "  2.00", "  3.00"}) {
            b.send(record(value));
            WAIT_COMPARE(b.session.state().published().outputText,
                         QString::fromLatin1(value.trimmed() + ";g"));
        }
        QCOMPARE(b.view.statusWrites.count(text(TextKey::InvalidBusName).arg(u"Excel"_s)), 1);
        QVERIFY(b.dialogs.questions.isEmpty());
    }
    void saveConfiguration_data() {
        QTest::addColumn<Save>("row");
        addRow("existing, Yes", Save{"standard.cfg", Answer::Yes, true, true, true});
        addRow("existing, No", Save{"standard.cfg", Answer::No, true, true, false});
        addRow("existing, Cancel", Save{"standard.cfg", Answer::Cancel, true, true, false});
        addRow("snapshot never asks", Save{"tmp.cfg", Answer::No, true, false, true});
        addRow("new file never asks", Save{"fresh.cfg", Answer::No, false, false, true});
        addRow("missing folder",
               Save{"missing/job.cfg", Answer::Yes, false, false, false,
                    "The configuration could not be saved to %1: the folder does not exist. "
                    "The previous file is unchanged."});
    }
    void saveConfiguration() {
        QFETCH(Save, row);
        Bench b;
        const QString path = b.folder.file(row.name);
        QVERIFY(!row.exists || TestFiles::write(path, "[Extra]\nkeep=1\n"));
        b.dialogs.answers = {row.answer};
        b.session.settings().baudRate = SettingText::baudRate(u"4800"_s);
        QCOMPARE(b.session.controller().saveConfiguration(path), row.written);
        QCOMPARE(b.dialogs.questions,
                 row.asked ? QStringList{u"Einstellungen überschreiben?"_s} : QStringList());
        QCOMPARE(IniFile::read(path, u"Port settings"_s, u"baud"_s, {}), row.written ? u"4800"_s : QString());
        // Only the snapshot is updated in place; any other file is written afresh.
        QCOMPARE(IniFile::read(path, u"Extra"_s, u"keep"_s, {}) == "1",
                 row.exists && (row.name == "tmp.cfg" || !row.written));
        const QStringList failure{row.message.arg(QDir::toNativeSeparators(path))};
        QCOMPARE(b.dialogs.messages, row.message.isEmpty() ? QStringList() : failure);
    }
    // A new language runs the start-up again on the configuration the program started with.
    void chooseLanguage_data() {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("loaded"); // since the start
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("limit"); // of the configuration loaded again
        addRow("standard.cfg", u""_s, u""_s, u"GERMAN"_s, u"1"_s);
        addRow("the argument", u"job.cfg"_s, u""_s, u"GERMAN"_s, u"2"_s);
        addRow("not one loaded since", u""_s, u"job.cfg"_s, u"GERMAN"_s, u"1"_s);
        // Without a language the start-up ends before it loads anything, and so does the program.
        addRow("no language", u""_s, u""_s, u""_s, u"9"_s);
    }
    void chooseLanguage() {
        QFETCH(QString, argument);
        QFETCH(QString, loaded);
        QFETCH(QString, language);
        Bench b;
        b.write(u"job.cfg"_s, Shown + Hotkey + "[Filter]\nOTG=2\n");
        b.write(u"standard.cfg"_s, Shown + Hotkey + "[Filter]\nOTG=1\n");
        QVERIFY(b.session.start(argument));
        if (!loaded.isEmpty()) {
            b.session.controller().loadConfiguration(b.folder.file(loaded));
        }
        b.session.settings().upperLimit = SettingText::number(u"9"_s);
        b.dialogs.languageWindow = [&] {
            IniFile::write(b.folder.file(u"language.ini"_s), u"SPRACHE"_s, u"aktuell"_s, language);
        };
        b.session.controller().chooseLanguage();
        QTEST(b.session.settings().upperLimit.text(), "limit");
        QCOMPARE(b.session.controller().hasEnded(), language.isEmpty());
        QCOMPARE(b.view.menus.value(MainView::Menu::File),
                 IniFile::read(LanguageFile, language.isEmpty() ? u"ENGLISH"_s : language,
                               u"TextMenuDatei_"_s, {}));
    }
    void filesEqual_data() {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<bool>("equal");
        const QByteArray block(4096, 'x');
        addRow("both empty", QByteArray(""), QByteArray(""), true);
        addRow("longer", QByteArray("abc"), QByteArray("abcd"), false);
        addRow("one byte differs", QByteArray("abc"), QByteArray("abd"), false);
        addRow("same over two blocks", block + "ab", block + "ab", true);
        addRow("differs in the second block", block + "ab", block + "ac", false);
    }
    void filesEqual() {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        const QTemporaryDir dir;
        const QString a = dir.filePath(u"a.cfg"_s), b = dir.filePath(u"b.cfg"_s);
        QVERIFY(TestFiles::write(a, first) && TestFiles::write(b, second));
        QTEST(ProgramController::filesEqual(a, b), "equal");
        // A file that cannot be read equals nothing, not even an empty file.
        QVERIFY(!ProgramController::filesEqual(a, dir.filePath(u"none.cfg"_s)));
    }
};

QTEST_GUILESS_MAIN(tst_Session)
#include "tst_Session.moc"
