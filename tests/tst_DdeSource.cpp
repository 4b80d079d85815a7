#include "core/MainController.h"
#include "core/MainCycle.h"
#include "output/DdeSource.h"
#include "support/PrivateBus.h"
#include "support/ProgramFolder.h"
#include "support/RecordingMainView.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

#include <QDBusConnection>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// Port 99 names a serial device that does not exist, so no test touches real hardware.
const QByteArray OfflineConfig = "[Port settings]\nportnum=99\n[Mode]\nmodus=HOTKEY\n"
                                 "[Anwendung]\nAnwendung=DDE-Kanal\n";

// Waits long enough for any process or signal that works at all.
constexpr int EventWaitMs = 20000;

const QString RefusedError = QStringLiteral("org.kelvane.Dde.Error.Refused");

struct Fixture {
    explicit Fixture(const QByteArray& config = OfflineConfig,
                     const std::function<void(const ProgramFolder&)>& prepare = {})
        : controller(view, dialogs), cycle(controller) {
        folder.writeConfiguration(QStringLiteral("standard.cfg"), config);
        if (prepare) {
            prepare(folder);
        }
        loaded = controller.formLoad();
        // The test drives the ticks itself.
        controller.setCycleInterval(0);
        source = std::make_unique<DdeSource>(controller, cycle);
    }
    ProgramFolder folder;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    MainController controller;
    MainCycle cycle;
    std::unique_ptr<DdeSource> source;
    bool loaded = false;
};

QStringList target() {
    return {QStringLiteral("--session"), QStringLiteral("--dest"), DdeSource::serviceName(),
            QStringLiteral("--object-path"), QStringLiteral("/Kelvane")};
}

PrivateBus::Result gdbusCall(const QString& method, const QStringList& arguments) {
    return PrivateBus::run(QStringLiteral("gdbus"),
                           QStringList{QStringLiteral("call")} + target() +
                               QStringList{QStringLiteral("--method"), method, QStringLiteral("--")} +
                               arguments);
}

PrivateBus::Result execute(const QString& command) {
    return gdbusCall(QStringLiteral("org.kelvane.Dde.Execute"), {command});
}

bool refused(const PrivateBus::Result& result) {
    return result.finished && result.exitCode != 0 && result.error.contains(RefusedError.toUtf8());
}

// What a press of any button would change.
QString observableState(Fixture& f) {
    return QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8|%9")
        .arg(int(f.controller.TransferPending))
        .arg(int(f.controller.linkOnline()))
        .arg(f.view.buttonCaption(7))
        .arg(int(f.view.isButtonEnabled(2)))
        .arg(int(f.view.isButtonEnabled(3)))
        .arg(f.view.statusWrites.size())
        .arg(f.view.hides)
        .arg(f.dialogs.messages.size())
        .arg(f.controller.cycleInterval());
}

// gdbus monitor on the source's object; it reports every signal the object sends.
class Monitor {
public:
    Monitor() { m_process.start(QStringLiteral("gdbus"), QStringList{QStringLiteral("monitor")} + target()); }
    ~Monitor() {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    QByteArray output() {
        m_output += m_process.readAllStandardOutput();
        return m_output;
    }
    // The lines of PropertiesChanged signals received so far.
    QList<QByteArray> changes() {
        QList<QByteArray> lines;
        for (const QByteArray& line : output().split('\n')) {
            if (line.contains("org.freedesktop.DBus.Properties.PropertiesChanged")) {
                lines.append(line);
            }
        }
        return lines;
    }

private:
    QProcess m_process;
    QByteArray m_output;
};

// gdbus monitor subscribes before it asks who owns the name, so once it names the owner it
// receives every later signal.
#define START_MONITOR(monitor)                                                                               \
    Monitor monitor;                                                                                         \
    QTRY_VERIFY_WITH_TIMEOUT(monitor.output().contains("is owned by"), EventWaitMs)

// Two pseudo-terminals joined by socat: the program opens one as its serial port, the test
// reads the other as the device.
class PtyPair {
public:
    PtyPair() {
        m_socat.start(QStringLiteral("socat"), {QStringLiteral("pty,raw,echo=0,link=") + programEnd(),
                                                QStringLiteral("pty,raw,echo=0,link=") + deviceEnd()});
    }
    ~PtyPair() {
        m_socat.terminate();
        if (!m_socat.waitForFinished(5000)) {
            m_socat.kill();
            m_socat.waitForFinished(5000);
        }
    }
    bool ready() const { return QFileInfo::exists(programEnd()) && QFileInfo::exists(deviceEnd()); }
    QString programEnd() const { return m_dir.filePath(QStringLiteral("program")); }
    QString deviceEnd() const { return m_dir.filePath(QStringLiteral("device")); }

private:
    QTemporaryDir m_dir;
    QProcess m_socat;
};

} // namespace

class tst_DdeSource : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void namedAfterTheExecutable();
    void itemsReadByAnotherProgram();
    void itemsAreReadOnly();
    void introspection();
    void changesAreAnnouncedOnce();
    void deliveryToTheDdeChannelIsAnnounced();
    void executePressesButtons_data();
    void executePressesButtons();
    void executeSixteenSendsTheLastDeviceCommand();
    void executeOutsideTheButtonsDoesNothing_data();
    void executeOutsideTheButtonsDoesNothing();
    void executeEightEndsTheProgram();
    void buttonIndex_data();
    void buttonIndex();
    void secondSourceFindsTheNameTaken();
    void withoutBusTheSourceIsAbsent();

private:
    PrivateBus m_bus;
};

void tst_DdeSource::initTestCase() {
    QVERIFY2(m_bus.start(), "dbus-daemon did not start");
    m_bus.makeCurrent();
    QVERIFY(QDBusConnection::sessionBus().isConnected());
}

void tst_DdeSource::namedAfterTheExecutable() {
    Fixture f;
    QVERIFY(f.loaded);
    QVERIFY(f.source->isOffered());
    QCOMPARE(DdeSource::serviceName(), QStringLiteral("org.kelvane.tst_DdeSource"));
    const PrivateBus::Result names =
        PrivateBus::run(QStringLiteral("gdbus"),
                        {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                         QStringLiteral("org.freedesktop.DBus"), QStringLiteral("--object-path"),
                         QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("--method"),
                         QStringLiteral("org.freedesktop.DBus.ListNames")});
    QVERIFY(names.finished);
    QVERIFY2(names.output.contains("'org.kelvane.tst_DdeSource'"), names.output.constData());

    // The name goes with the source.
    f.source.reset();
    const PrivateBus::Result gone =
        gdbusCall(QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                  {QStringLiteral("org.kelvane.Dde"), QStringLiteral("DDEValue")});
    QVERIFY(gone.finished);
    QVERIFY(gone.exitCode != 0);
    QVERIFY2(gone.error.contains("ServiceUnknown"), gone.error.constData());
}

void tst_DdeSource::itemsReadByAnotherProgram() {
    Fixture f;
    f.controller.dde.DDESTRING = QStringLiteral("12,5\tkg");
    f.controller.dde.DDEValue = QStringLiteral("12,5");
    f.controller.dde.DDESign = QStringLiteral("-");
    f.controller.dde.DDEUnit = QStringLiteral("kg");
    f.controller.dde.DDEDirect = QStringLiteral("ST,GS,-  12.50 kg");

    const PrivateBus::Result all = gdbusCall(QStringLiteral("org.freedesktop.DBus.Properties.GetAll"),
                                             {QStringLiteral("org.kelvane.Dde")});
    QVERIFY2(all.finished && all.exitCode == 0, all.error.constData());
    QVERIFY2(all.output.contains("'DDESTRING': <'12,5\\tkg'>"), all.output.constData());
    QVERIFY2(all.output.contains("'DDEValue': <'12,5'>"), all.output.constData());
    QVERIFY2(all.output.contains("'DDESign': <'-'>"), all.output.constData());
    QVERIFY2(all.output.contains("'DDEUnit': <'kg'>"), all.output.constData());
    QVERIFY2(all.output.contains("'DDEDirect': <'ST,GS,-  12.50 kg'>"), all.output.constData());
    QCOMPARE(all.output.count("<'"), 5);

    // A single item, read after it changed, gives the new text.
    f.controller.dde.DDEUnit = QStringLiteral("lb");
    const PrivateBus::Result unit = gdbusCall(QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                                              {QStringLiteral("org.kelvane.Dde"), QStringLiteral("DDEUnit")});
    QVERIFY2(unit.finished && unit.exitCode == 0, unit.error.constData());
    QCOMPARE(unit.output.trimmed(), QByteArray("(<'lb'>,)"));
}

void tst_DdeSource::itemsAreReadOnly() {
    Fixture f;
    f.controller.dde.DDEValue = QStringLiteral("3");
    const PrivateBus::Result set =
        gdbusCall(QStringLiteral("org.freedesktop.DBus.Properties.Set"),
                  {QStringLiteral("org.kelvane.Dde"), QStringLiteral("DDEValue"), QStringLiteral("<'99'>")});
    QVERIFY(set.finished);
    QVERIFY(set.exitCode != 0);
    QCOMPARE(f.controller.dde.DDEValue, QStringLiteral("3"));
}

void tst_DdeSource::introspection() {
    Fixture f;
    const PrivateBus::Result result =
        PrivateBus::run(QStringLiteral("gdbus"), QStringList{QStringLiteral("introspect")} + target());
    QVERIFY2(result.finished && result.exitCode == 0, result.error.constData());
    const QString text = QString::fromUtf8(result.output);
    const qsizetype start = text.indexOf(QStringLiteral("interface org.kelvane.Dde {"));
    QVERIFY2(start >= 0, result.output.constData());
    const QString dde = text.mid(start, text.indexOf(u'}', start) - start);
    QVERIFY2(dde.contains(QRegularExpression(QStringLiteral(R"(Execute\(in\s+s\s+\w+\);)"))),
             qPrintable(dde));
    for (const char* item : {"DDESTRING", "DDEValue", "DDESign", "DDEUnit", "DDEDirect"}) {
        QVERIFY2(dde.contains(QStringLiteral("readonly s ") + QLatin1String(item)), item);
    }
    // Nothing else is offered: one method, five properties, no signals of its own.
    QCOMPARE(dde.count(QStringLiteral("readonly")), 5);
    QCOMPARE(dde.count(u'('), 1);
    QVERIFY(!dde.contains(QStringLiteral("readwrite")));
}

void tst_DdeSource::changesAreAnnouncedOnce() {
    Fixture f;
    f.controller.setLinkOnline(false);
    START_MONITOR(monitor);

    f.controller.dde.DDEValue = QStringLiteral("12,5");
    f.controller.dde.DDEUnit = QStringLiteral("kg");
    f.source->publishChanges();
    // Nothing changed since: no signal.
    f.source->publishChanges();
    Q_EMIT f.controller.tick();
    // A tick (offline, nothing pending) leaves the items alone; what the test wrote before it
    // is announced after it.
    f.controller.dde.DDESign = QStringLiteral("-");
    Q_EMIT f.controller.tick();
    Q_EMIT f.controller.tick();
    // The end of a transfer.
    f.controller.dde.DDEDirect = QStringLiteral("last");
    Q_EMIT f.cycle.transferred();

    QTRY_VERIFY_WITH_TIMEOUT(monitor.output().contains("'last'"), EventWaitMs);
    const QList<QByteArray> changes = monitor.changes();
    QCOMPARE(changes.size(), 3);
    const QByteArray first = changes[0];
    QVERIFY2(first.contains("('org.kelvane.Dde', {"), first.constData());
    QVERIFY2(first.contains("'DDEValue': <'12,5'>"), first.constData());
    QVERIFY2(first.contains("'DDEUnit': <'kg'>"), first.constData());
    QCOMPARE(first.count("<'"), 2);
    QVERIFY2(changes[1].contains("{'DDESign': <'-'>}"), changes[1].constData());
    QVERIFY2(changes[2].contains("{'DDEDirect': <'last'>}"), changes[2].constData());

    // A value that returns to empty is a change too.
    f.controller.dde.DDESign.clear();
    f.source->publishChanges();
    QTRY_VERIFY_WITH_TIMEOUT(monitor.changes().size() == 4, EventWaitMs);
    QVERIFY2(monitor.changes()[3].contains("{'DDESign': <''>}"), monitor.changes()[3].constData());
}

void tst_DdeSource::deliveryToTheDdeChannelIsAnnounced() {
    Fixture f;
    START_MONITOR(monitor);
    // A device answer goes to the target; for "DDE-Kanal" that is the item DDESTRING.
    Q_EMIT f.controller.deliveryRequested(QStringLiteral("answer 1"));
    QCOMPARE(f.controller.dde.DDESTRING, QStringLiteral("answer 1"));
    QTRY_VERIFY_WITH_TIMEOUT(monitor.output().contains("'answer 1'"), EventWaitMs);
    const QList<QByteArray> changes = monitor.changes();
    QCOMPARE(changes.size(), 1);
    QVERIFY2(changes[0].contains("{'DDESTRING': <'answer 1'>}"), changes[0].constData());
}

void tst_DdeSource::executePressesButtons_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("expected"); // TransferPending / linkOnline / caption 7 / hides / interval

    QTest::newRow("1 Send") << "1"
                            << "1/1/O&ffline/0/0";
    QTest::newRow("2.5 rounds to the even T-Start") << "2.5"
                                                    << "0/1/O&ffline/0/10";
    QTest::newRow("6 Hide") << "6"
                            << "0/1/O&ffline/1/0";
    QTest::newRow("6.4 Hide") << "6.4"
                              << "0/1/O&ffline/1/0";
    QTest::newRow("7 Online switch") << "7"
                                     << "0/0/O&nline/0/0";
    QTest::newRow("7 after blanks, text behind") << "  7 please"
                                                 << "0/0/O&nline/0/0";
}

void tst_DdeSource::executePressesButtons() {
    QFETCH(QString, command);
    QFETCH(QString, expected);
    Fixture f;
    QVERIFY(f.loaded);
    QCOMPARE(f.view.buttonCaption(7), QStringLiteral("O&ffline"));

    const PrivateBus::Result result = execute(command);
    QVERIFY2(refused(result), result.error.constData());

    const QString actual = QStringLiteral("%1/%2/%3/%4/%5")
                               .arg(int(f.controller.TransferPending))
                               .arg(int(f.controller.linkOnline()))
                               .arg(f.view.buttonCaption(7))
                               .arg(f.view.hides)
                               .arg(f.controller.cycleInterval());
    QCOMPARE(actual, expected);
}

void tst_DdeSource::executeSixteenSendsTheLastDeviceCommand() {
    PtyPair pair;
    QTRY_VERIFY_WITH_TIMEOUT(pair.ready(), EventWaitMs);
    const QByteArray config = "[Port settings]\nportnum=5\n[Mode]\nmodus=HOTKEY\n[Action]\n"
                              "key0=,,,ESCA,Eins,0\nkey6=,,,ESCS,Sieben,0\nkey7=,,,ESCT,Acht,0\n";
    Fixture f(config, [&pair](const ProgramFolder& folder) {
        TestFiles::write(folder.file(QStringLiteral("kelvane.ini")),
                         "[ports]\nCOM5=" + pair.programEnd().toLocal8Bit() + "\n");
    });
    QVERIFY(f.controller.link().isSerialOpen());

    QSerialPort device;
    device.setPortName(pair.deviceEnd());
    QVERIFY(device.open(QIODevice::ReadWrite));

    const PrivateBus::Result result = execute(QStringLiteral("16"));
    QVERIFY2(refused(result), result.error.constData());

    QByteArray received;
    QTRY_VERIFY_WITH_TIMEOUT((received += device.readAll()).endsWith("\r\n"), EventWaitMs);
    QCOMPARE(received, QByteArray("\x1bT\r\n"));
}

void tst_DdeSource::executeOutsideTheButtonsDoesNothing_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("0") << "0";
    QTest::newRow("0.4 rounds to no button") << "0.4";
    QTest::newRow("0.5 rounds to no button") << "0.5";
    QTest::newRow("16.5") << "16.5";
    QTest::newRow("17") << "17";
    QTest::newRow("-1") << "-1";
    QTest::newRow("abc") << "abc";
    QTest::newRow("letter before the number") << "x1";
    QTest::newRow("empty") << "";
}

void tst_DdeSource::executeOutsideTheButtonsDoesNothing() {
    QFETCH(QString, command);
    Fixture f;
    QVERIFY(f.loaded);
    const QString before = observableState(f);
    const PrivateBus::Result result = execute(command);
    QVERIFY2(refused(result), result.error.constData());
    QCOMPARE(observableState(f), before);
    QVERIFY(!f.controller.isUnloaded());
}

void tst_DdeSource::executeEightEndsTheProgram() {
    Fixture f;
    QSignalSpy ended(&f.controller, &MainController::ended);
    const PrivateBus::Result result = execute(QStringLiteral("8"));
    QVERIFY2(refused(result), result.error.constData());
    QVERIFY(f.controller.isUnloaded());
    QCOMPARE(ended.size(), 1);
}

void tst_DdeSource::buttonIndex_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("index");
    QTest::newRow("1") << "1" << 1;
    QTest::newRow("16") << "16" << 16;
    QTest::newRow("1.5 up to even") << "1.5" << 2;
    QTest::newRow("2.5 down to even") << "2.5" << 2;
    QTest::newRow("15.5 up to even") << "15.5" << 16;
    QTest::newRow("16.4 lies above 16") << "16.4" << 0;
    QTest::newRow("15.6") << "15.6" << 16;
    QTest::newRow("3.51") << "3.51" << 4;
    QTest::newRow("3.49") << "3.49" << 3;
    QTest::newRow("blanks and a sign") << " + 9" << 9;
    QTest::newRow("0.5") << "0.5" << 0;
    QTest::newRow("0.6") << "0.6" << 1;
    QTest::newRow("16.5") << "16.5" << 0;
    QTest::newRow("comma is not a decimal point") << "2,9" << 2;
}

void tst_DdeSource::buttonIndex() {
    QFETCH(QString, command);
    QFETCH(int, index);
    QCOMPARE(DdeSource::buttonIndex(command), index);
}

void tst_DdeSource::secondSourceFindsTheNameTaken() {
    Fixture first;
    QVERIFY(first.source->isOffered());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot be registered")));
    DdeSource second(first.controller, first.cycle,
                     QDBusConnection::connectToBus(m_bus.address(), QStringLiteral("second")));
    QVERIFY(!second.isOffered());
    // The first one still answers.
    first.controller.dde.DDEValue = QStringLiteral("7");
    const PrivateBus::Result value =
        gdbusCall(QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                  {QStringLiteral("org.kelvane.Dde"), QStringLiteral("DDEValue")});
    QCOMPARE(value.output.trimmed(), QByteArray("(<'7'>,)"));
    QDBusConnection::disconnectFromBus(QStringLiteral("second"));
}

void tst_DdeSource::withoutBusTheSourceIsAbsent() {
    ProgramFolder folder;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    MainController controller(view, dialogs);
    MainCycle cycle(controller);
    const QDBusConnection nowhere = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=") + folder.file(QStringLiteral("no-bus")), QStringLiteral("nowhere"));
    QVERIFY(!nowhere.isConnected());

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no D-Bus session bus")));
    DdeSource source(controller, cycle, nowhere);
    QVERIFY(!source.isOffered());
    // The rest goes on: the items are still written and a change is no error.
    controller.dde.DDEValue = QStringLiteral("1");
    source.publishChanges();
    Q_EMIT controller.tick();
    QCOMPARE(controller.dde.DDEValue, QStringLiteral("1"));
    QDBusConnection::disconnectFromBus(QStringLiteral("nowhere"));
}

QTEST_GUILESS_MAIN(tst_DdeSource)
#include "tst_DdeSource.moc"
