// The DDE link of the real program: kelvane --headless on a private session bus, with gdbus as
// the other program and a partner application in this process.

#include "support/DeviceSimulator.h"
#include "support/PrivateBus.h"
#include "support/ProcessRunner.h"
#include "support/ProgramFolder.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QProcess>
#include <QtTest>

#include <csignal>

namespace {

const QString Service = QStringLiteral("org.kelvane.kelvane");
const QString PartnerName = QStringLiteral("org.example.Sheet");
const QString PartnerConnection = QStringLiteral("partner");
// Waits long enough for anything that works at all.
constexpr int EventWaitMs = 20000;

QStringList target() {
    return {QStringLiteral("--session"), QStringLiteral("--dest"), Service, QStringLiteral("--object-path"),
            QStringLiteral("/Kelvane")};
}

PrivateBus::Result gdbusCall(const QString& method, const QStringList& arguments) {
    return PrivateBus::run(QStringLiteral("gdbus"),
                           QStringList{QStringLiteral("call")} + target() +
                               QStringList{QStringLiteral("--method"), method, QStringLiteral("--")} +
                               arguments);
}

bool waitForName() {
    const PrivateBus::Result wait = PrivateBus::run(
        QStringLiteral("gdbus"), {QStringLiteral("wait"), QStringLiteral("--session"),
                                  QStringLiteral("--timeout"), QString::number(EventWaitMs / 1000), Service});
    return wait.finished && wait.exitCode == 0;
}

} // namespace

// The application that the program calls after each value; it records the commands.
class Partner : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kelvane.Dde")
public:
    QStringList calls;

public Q_SLOTS:
    void Execute(const QString& command) { calls.append(message().path() + u'|' + command); }
};

class tst_DdeHeadless : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void offeredUntilExecuteEightEndsIt();
    void valuesOfTheDeviceAreAnnounced();
    void partnerCalledAfterEachValue();

private:
    PrivateBus m_bus;
};

void tst_DdeHeadless::initTestCase() {
    QVERIFY2(m_bus.start(), "dbus-daemon did not start");
    m_bus.makeCurrent();
}

void tst_DdeHeadless::offeredUntilExecuteEightEndsIt() {
    ProgramFolder folder;
    folder.writeConfiguration(QStringLiteral("standard.cfg"),
                              "[Port settings]\nportnum=99\n[Mode]\nmodus=HOTKEY\n");
    ProcessRunner kelvane(QStringLiteral("kelvane"));
    kelvane.setEnvironmentValue(QStringLiteral("KELVANE_HOME"), folder.path());
    kelvane.setEnvironmentValue(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bus.address());
    QVERIFY(kelvane.start({QStringLiteral("--headless")}));
    QVERIFY2(waitForName(), kelvane.standardError().constData());

    const PrivateBus::Result all = gdbusCall(QStringLiteral("org.freedesktop.DBus.Properties.GetAll"),
                                             {QStringLiteral("org.kelvane.Dde")});
    QVERIFY2(all.finished && all.exitCode == 0, all.error.constData());
    for (const char* item : {"DDESTRING", "DDEValue", "DDESign", "DDEUnit", "DDEDirect"}) {
        QVERIFY2(all.output.contains(QByteArray("'" + QByteArray(item) + "': <''>")), all.output.constData());
    }

    const PrivateBus::Result exit =
        gdbusCall(QStringLiteral("org.kelvane.Dde.Execute"), {QStringLiteral("8")});
    QVERIFY(exit.finished);
    QVERIFY2(exit.error.contains("org.kelvane.Dde.Error.Refused"), exit.error.constData());
    QVERIFY(kelvane.process().waitForFinished(EventWaitMs));
    QCOMPARE(kelvane.exitStatus(), QProcess::NormalExit);
    QCOMPARE(kelvane.exitCode(), 0);
    // One source, no complaint about the bus.
    QVERIFY2(!kelvane.standardError().contains("D-Bus"), kelvane.standardError().constData());
}

void tst_DdeHeadless::valuesOfTheDeviceAreAnnounced() {
    ProgramFolder folder;
    DeviceSimulator simulator;
    QVERIFY(simulator.start({QStringLiteral("--interval"), QStringLiteral("100"), QStringLiteral("--value"),
                             QStringLiteral("12.5")}));
    folder.writeConfiguration(
        QStringLiteral("standard.cfg"),
        "[Port settings]\nportnum=TCP/IP\ntcpip=127.0.0.1\ntcpport=" + QByteArray::number(simulator.port()) +
            "\n[Anwendung]\nAnwendung=DDE-Kanal\nFormat={Messwert} {Einheit}\n");

    // gdbus monitor watches the name before the program takes it.
    QProcess monitor;
    monitor.start(QStringLiteral("gdbus"), QStringList{QStringLiteral("monitor")} + target());
    QByteArray seen;
    QTRY_VERIFY_WITH_TIMEOUT((seen += monitor.readAllStandardOutput()).contains("Monitoring"), EventWaitMs);

    ProcessRunner kelvane(QStringLiteral("kelvane"));
    kelvane.setEnvironmentValue(QStringLiteral("KELVANE_HOME"), folder.path());
    kelvane.setEnvironmentValue(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bus.address());
    QVERIFY(kelvane.start({QStringLiteral("--headless")}));
    QTRY_VERIFY_WITH_TIMEOUT((seen += monitor.readAllStandardOutput()).contains("'DDESTRING': <'12.50 g'>"),
                             EventWaitMs);
    QVERIFY2(seen.contains("'DDEUnit': <'g'>"), seen.constData());
    QVERIFY2(seen.contains("org.freedesktop.DBus.Properties.PropertiesChanged ('org.kelvane.Dde', {"),
             seen.constData());

    const PrivateBus::Result value =
        gdbusCall(QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                  {QStringLiteral("org.kelvane.Dde"), QStringLiteral("DDESTRING")});
    QCOMPARE(value.output.trimmed(), QByteArray("(<'12.50 g'>,)"));

    QVERIFY(kelvane.signalAndWait(SIGTERM));
    QCOMPARE(kelvane.exitCode(), 0);
    monitor.kill();
    monitor.waitForFinished(5000);
}

void tst_DdeHeadless::partnerCalledAfterEachValue() {
    Partner partner;
    QDBusConnection connection = QDBusConnection::connectToBus(m_bus.address(), PartnerConnection);
    QVERIFY(connection.registerService(PartnerName));
    QVERIFY(connection.registerObject(QStringLiteral("/Macros"), &partner, QDBusConnection::ExportAllSlots));

    ProgramFolder folder;
    DeviceSimulator simulator;
    QVERIFY(simulator.start({QStringLiteral("--interval"), QStringLiteral("100"), QStringLiteral("--value"),
                             QStringLiteral("12.5")}));
    folder.writeConfiguration(
        QStringLiteral("standard.cfg"),
        "[Port settings]\nportnum=TCP/IP\ntcpip=127.0.0.1\ntcpport=" + QByteArray::number(simulator.port()) +
            "\n[Anwendung]\nAnwendung=*DDE*\nFormat={Messwert}\n"
            "[DDECONN]\nanwend=org.example.Sheet\ntopic=Macros\nbefehl=[RUN(\"getdata\")]\n");
    ProcessRunner kelvane(QStringLiteral("kelvane"));
    kelvane.setEnvironmentValue(QStringLiteral("KELVANE_HOME"), folder.path());
    kelvane.setEnvironmentValue(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bus.address());
    QVERIFY(kelvane.start({QStringLiteral("--headless")}));
    QTRY_VERIFY_WITH_TIMEOUT(partner.calls.size() >= 2, EventWaitMs);
    QVERIFY(kelvane.signalAndWait(SIGTERM));
    QCOMPARE(kelvane.exitCode(), 0);
    QCOMPARE(partner.calls.first(), QStringLiteral("/Macros|[RUN(\"getdata\")]"));
    QCOMPARE(partner.calls.count(partner.calls.first()), partner.calls.size());
    // A partner that takes the command raises no question.
    QVERIFY2(!kelvane.standardError().contains("Programm beenden?"), kelvane.standardError().constData());
    QDBusConnection::disconnectFromBus(PartnerConnection);
}

QTEST_GUILESS_MAIN(tst_DdeHeadless)
#include "tst_DdeHeadless.moc"
