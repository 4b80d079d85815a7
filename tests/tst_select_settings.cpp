// The port window: the ports it finds, the fields it shows, what Ok stores and where it goes on.

#include "shell/SetupAssistant.h"
#include "shell/select_settings.h"
#include "support/AssistantFixture.h"
#include "support/ModalScript.h"
#include "support/SocatPair.h"

#include <QLabel>
#include <QTimer>

using namespace assistant;

namespace {

// Port number to the kind of device it leads to.
using DeviceKinds = QMap<int, QString>;

const QStringList SerialControls = {QStringLiteral("cboBaud"), QStringLiteral("cboDataBits"),
                                    QStringLiteral("cboParity"), QStringLiteral("cboStopBits"),
                                    QStringLiteral("cboHandshake")};
const QStringList IpControls = {QStringLiteral("txtIP"), QStringLiteral("txtPort")};

// The label that names control.
QLabel* labelOf(QWidget* window, QWidget* control) {
    const auto labels = window->findChildren<QLabel*>();
    for (QLabel* label : labels) {
        if (label->buddy() == control) {
            return label;
        }
    }
    return nullptr;
}

// Whether control and its label are shown.
bool shownWithLabel(QWidget* window, const QString& name) {
    auto* widget = window->findChild<QWidget*>(name);
    QLabel* label = widget ? labelOf(window, widget) : nullptr;
    return widget && label && widget->isVisible() && label->isVisible();
}

bool hiddenWithLabel(QWidget* window, const QString& name) {
    auto* widget = window->findChild<QWidget*>(name);
    QLabel* label = widget ? labelOf(window, widget) : nullptr;
    return widget && label && !widget->isVisible() && !label->isVisible();
}

QString listText(QWidget* window, const QString& name) {
    auto* box = window->findChild<QComboBox*>(name);
    return box ? box->currentText() : QStringLiteral("<no %1>").arg(name);
}

QString boxText(QWidget* window, const QString& name) {
    auto* box = window->findChild<QLineEdit*>(name);
    return box ? box->text() : QStringLiteral("<no %1>").arg(name);
}

// The window shown on its own, without a chain behind it.
struct ShownWindow {
    explicit ShownWindow(AssistantFixture& f) : window(f.controller, &f.windows) { window.show(); }
    select_settings window;
};

// Shows the port window modally with tag and runs act on it; returns the windows met.
QStringList runWindow(AssistantFixture& f, const QString& tag, const std::function<void(QWidget*)>& act) {
    ModalScript script({{QStringLiteral("select_settings"), act}});
    SetupAssistant::showPortSettings(f.controller, &f.windows, nullptr, tag);
    return script.shown();
}

} // namespace

class tst_select_settings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captions_data();
    void captions();
    void presentPortsInOrder_data();
    void presentPortsInOrder();
    void storedPortShown_data();
    void storedPortShown();
    void serialListsFilled_data();
    void serialListsFilled();
    void storedValuesShownAsText();
    void tcpIpHidesSerialFields();
    void choosingSwitchesFields();
    void okStoresAsTyped();
    void okWithTcpIp();
    void okPortFromText_data();
    void okPortFromText();
    void cancelStoresNothing();
    void okGoesOnToTarget();
    void portMenuStopsCycleAndOnlyStores();
};

void tst_select_settings::captions_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("caption");
    QTest::newRow("port") << "cboCOM"
                          << "Port";
    QTest::newRow("baud") << "cboBaud"
                          << "Baud";
    QTest::newRow("data bits") << "cboDataBits"
                               << "Datenbits";
    QTest::newRow("parity") << "cboParity"
                            << "Parität";
    QTest::newRow("stop bits") << "cboStopBits"
                               << "Stopbits";
    QTest::newRow("handshake") << "cboHandshake"
                               << "Handshake";
    QTest::newRow("address") << "txtIP"
                             << "IP-Adresse";
    QTest::newRow("tcp port") << "txtPort"
                              << "Port";
}

void tst_select_settings::captions() {
    QFETCH(QString, control);
    QFETCH(QString, caption);
    AssistantFixture f;
    select_settings window(f.controller, &f.windows);
    QCOMPARE(window.windowTitle(), QStringLiteral("Schnittstellenparameter"));
    auto* widget = window.findChild<QWidget*>(control);
    QVERIFY(widget);
    QLabel* label = labelOf(&window, widget);
    QVERIFY(label);
    QCOMPARE(label->text(), caption);
    QCOMPARE(window.findChild<QPushButton*>(QStringLiteral("cmdGoOn"))->text(), QStringLiteral("Ok"));
    QCOMPARE(window.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->text(),
             QStringLiteral("Abbrechen"));
    auto* timer = window.findChild<QTimer*>(QStringLiteral("Timer1"));
    QVERIFY(timer);
    QVERIFY(timer->isSingleShot());
}

void tst_select_settings::presentPortsInOrder_data() {
    // Which ports lead to a device: "a" and "b" are the two ends of a pseudo-terminal pair,
    // "file" an ordinary file, which is no serial port.
    QTest::addColumn<DeviceKinds>("devices");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("COM1 and COM4") << DeviceKinds{{1, "a"}, {4, "b"}}
                                   << QStringList{"COM1", "COM4", "TCP/IP"};
    QTest::newRow("listed by number")
        << DeviceKinds{{32, "a"}, {2, "b"}} << QStringList{"COM2", "COM32", "TCP/IP"};
    QTest::newRow("beyond COM32") << DeviceKinds{{33, "a"}, {9, "b"}} << QStringList{"COM9", "TCP/IP"};
    QTest::newRow("a file is no port") << DeviceKinds{{3, "file"}, {5, "a"}} << QStringList{"COM5", "TCP/IP"};
    QTest::newRow("none") << DeviceKinds{} << QStringList{"TCP/IP"};
}

void tst_select_settings::presentPortsInOrder() {
    QFETCH(DeviceKinds, devices);
    QFETCH(QStringList, listed);
    AssistantFixture f;
    SocatPair pair;
    QVERIFY(pair.start());
    const QString plainFile = f.folder.file(QStringLiteral("plain"));
    QFile plain(plainFile);
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QMap<int, QString> paths;
    for (auto it = devices.cbegin(); it != devices.cend(); ++it) {
        paths.insert(it.key(), it.value() == QLatin1String("a")   ? pair.programEnd()
                               : it.value() == QLatin1String("b") ? pair.deviceEnd()
                                                                  : plainFile);
    }
    QVERIFY(f.mapPorts(paths));

    ShownWindow shown(f);
    auto* box = shown.window.findChild<QComboBox*>(QStringLiteral("cboCOM"));
    QVERIFY(box);
    QVERIFY(portsListed(&shown.window));
    QCOMPARE(items(box), listed);
}

void tst_select_settings::storedPortShown_data() {
    QTest::addColumn<QString>("portnum");
    QTest::addColumn<QString>("shown");
    QTest::newRow("absent port") << "3"
                                 << "COM3";
    QTest::newRow("present port") << "1"
                                  << "COM1";
    QTest::newRow("blanks around") << " 3 "
                                   << "COM3";
    QTest::newRow("network") << "TCP/IP"
                             << "TCP/IP";
    QTest::newRow("other text") << "xyz"
                                << "xyz";
}

void tst_select_settings::storedPortShown() {
    QFETCH(QString, portnum);
    QFETCH(QString, shown);
    AssistantFixture f;
    SocatPair pair;
    QVERIFY(pair.start());
    QVERIFY(f.mapPorts({{1, pair.programEnd()}}));
    f.controller.settings().portnum = portnum;

    ShownWindow window(f);
    QVERIFY(portsListed(&window.window));
    auto* box = window.window.findChild<QComboBox*>(QStringLiteral("cboCOM"));
    QCOMPARE(items(box), (QStringList{"COM1", "TCP/IP"}));
    QCOMPARE(box->currentText(), shown);
}

void tst_select_settings::serialListsFilled_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("baud") << "cboBaud"
                          << QStringList{"300", "600", "1200", "2400", "4800", "9600", "19200", "38400"};
    QTest::newRow("data bits") << "cboDataBits" << QStringList{"5", "6", "7", "8"};
    QTest::newRow("parity") << "cboParity" << QStringList{"even", "odd", "none"};
    QTest::newRow("stop bits") << "cboStopBits" << QStringList{"1", "2"};
    QTest::newRow("handshake") << "cboHandshake" << QStringList{"Xon/Xoff", "Hardware", "none"};
}

void tst_select_settings::serialListsFilled() {
    QFETCH(QString, control);
    QFETCH(QStringList, entries);
    AssistantFixture f;
    f.controller.settings().portnum = QStringLiteral("2");
    ShownWindow shown(f);
    QCOMPARE(items(shown.window.findChild<QComboBox*>(control)), entries);
    for (const QString& name : SerialControls) {
        QVERIFY2(shownWithLabel(&shown.window, name), qPrintable(name));
    }
    for (const QString& name : IpControls) {
        QVERIFY2(hiddenWithLabel(&shown.window, name), qPrintable(name));
    }
}

void tst_select_settings::storedValuesShownAsText() {
    AssistantFixture f;
    Settings& s = f.controller.settings();
    s.portnum = QStringLiteral("2");
    s.baud = QStringLiteral("115200");
    s.databit = QStringLiteral("7");
    s.parity = QStringLiteral("O");
    s.stopbit = QStringLiteral("2");
    s.handshake = QStringLiteral("Hardware");
    s.tcpip = QStringLiteral("192.168.7.9");
    s.tcpport = QStringLiteral("4001");
    ShownWindow shown(f);
    QCOMPARE(listText(&shown.window, QStringLiteral("cboBaud")), QStringLiteral("115200"));
    QCOMPARE(listText(&shown.window, QStringLiteral("cboDataBits")), QStringLiteral("7"));
    QCOMPARE(listText(&shown.window, QStringLiteral("cboParity")), QStringLiteral("O"));
    QCOMPARE(listText(&shown.window, QStringLiteral("cboStopBits")), QStringLiteral("2"));
    QCOMPARE(listText(&shown.window, QStringLiteral("cboHandshake")), QStringLiteral("Hardware"));
    QCOMPARE(boxText(&shown.window, QStringLiteral("txtIP")), QStringLiteral("192.168.7.9"));
    QCOMPARE(boxText(&shown.window, QStringLiteral("txtPort")), QStringLiteral("4001"));
    // A value that is not offered stays out of the list.
    QCOMPARE(
        shown.window.findChild<QComboBox*>(QStringLiteral("cboBaud"))->findText(QStringLiteral("115200")),
        -1);
}

void tst_select_settings::tcpIpHidesSerialFields() {
    AssistantFixture f;
    Settings& s = f.controller.settings();
    s.portnum = QStringLiteral("TCP/IP");
    s.tcpip = QStringLiteral("10.1.2.3");
    s.tcpport = QStringLiteral("8000");
    s.baud = QStringLiteral("9600");
    ShownWindow shown(f);
    for (const QString& name : SerialControls) {
        QVERIFY2(hiddenWithLabel(&shown.window, name), qPrintable(name));
        // The lists are filled only for a serial port.
        QCOMPARE(shown.window.findChild<QComboBox*>(name)->count(), 0);
    }
    for (const QString& name : IpControls) {
        QVERIFY2(shownWithLabel(&shown.window, name), qPrintable(name));
    }
    QCOMPARE(boxText(&shown.window, QStringLiteral("txtIP")), QStringLiteral("10.1.2.3"));
    QCOMPARE(boxText(&shown.window, QStringLiteral("txtPort")), QStringLiteral("8000"));
    QCOMPARE(listText(&shown.window, QStringLiteral("cboBaud")), QStringLiteral("9600"));
    QVERIFY(portsListed(&shown.window));
    QCOMPARE(listText(&shown.window, QStringLiteral("cboCOM")), QStringLiteral("TCP/IP"));
}

void tst_select_settings::choosingSwitchesFields() {
    AssistantFixture f;
    SocatPair pair;
    QVERIFY(pair.start());
    QVERIFY(f.mapPorts({{1, pair.programEnd()}}));
    Settings& s = f.controller.settings();
    s.portnum = QStringLiteral("1");
    s.tcpip = QStringLiteral("10.1.2.3");
    s.tcpport = QStringLiteral("8000");
    ShownWindow shown(f);
    QWidget* window = &shown.window;
    QVERIFY(portsListed(window));

    retype(window, "txtIP", QStringLiteral("typed before"));
    QVERIFY(choose(window, "cboCOM", QStringLiteral("TCP/IP")));
    for (const QString& name : SerialControls) {
        QVERIFY2(hiddenWithLabel(window, name), qPrintable(name));
    }
    for (const QString& name : IpControls) {
        QVERIFY2(shownWithLabel(window, name), qPrintable(name));
    }
    // Choosing the network shows the stored address again.
    QCOMPARE(boxText(window, QStringLiteral("txtIP")), QStringLiteral("10.1.2.3"));
    QCOMPARE(boxText(window, QStringLiteral("txtPort")), QStringLiteral("8000"));

    QVERIFY(choose(window, "cboCOM", QStringLiteral("COM1")));
    for (const QString& name : SerialControls) {
        QVERIFY2(shownWithLabel(window, name), qPrintable(name));
    }
    for (const QString& name : IpControls) {
        QVERIFY2(hiddenWithLabel(window, name), qPrintable(name));
    }
}

void tst_select_settings::okStoresAsTyped() {
    AssistantFixture f;
    SocatPair pair;
    QVERIFY(pair.start());
    QVERIFY(f.mapPorts({{1, pair.programEnd()}, {4, pair.deviceEnd()}}));
    Settings& s = f.controller.settings();
    s.portnum = QStringLiteral("1");
    s.tcpip = QStringLiteral("10.1.2.3");
    s.tcpport = QStringLiteral("8000");

    const QStringList met = runWindow(f, QStringLiteral("mainform"), [](QWidget* window) {
        QVERIFY(portsListed(window));
        QVERIFY(choose(window, "cboCOM", QStringLiteral("COM4")));
        QVERIFY(choose(window, "cboBaud", QStringLiteral("4800")));
        retypeList(window, "cboDataBits", QStringLiteral("9"));
        QVERIFY(choose(window, "cboParity", QStringLiteral("even")));
        QVERIFY(choose(window, "cboStopBits", QStringLiteral("2")));
        retypeList(window, "cboHandshake", QStringLiteral("RTS"));
        click(window, "cmdGoOn");
    });
    QCOMPARE(met, QStringList{QStringLiteral("select_settings")});
    QCOMPARE(s.portnum, QStringLiteral("4"));
    QCOMPARE(s.baud, QStringLiteral("4800"));
    // Nothing is checked: a typed value is stored as it is.
    QCOMPARE(s.databit, QStringLiteral("9"));
    QCOMPARE(s.parity, QStringLiteral("even"));
    QCOMPARE(s.stopbit, QStringLiteral("2"));
    QCOMPARE(s.handshake, QStringLiteral("RTS"));
    QCOMPARE(s.tcpip, QStringLiteral("10.1.2.3"));
    QCOMPARE(s.tcpport, QStringLiteral("8000"));
    QVERIFY(f.dialogs.messages.isEmpty());
}

void tst_select_settings::okWithTcpIp() {
    AssistantFixture f;
    Settings& s = f.controller.settings();
    s.portnum = QStringLiteral("2");
    s.baud = QStringLiteral("9600");
    const QStringList met = runWindow(f, QStringLiteral("mainform"), [](QWidget* window) {
        QVERIFY(portsListed(window));
        QVERIFY(choose(window, "cboCOM", QStringLiteral("TCP/IP")));
        retype(window, "txtIP", QStringLiteral("waage.local"));
        retype(window, "txtPort", QStringLiteral("not a number"));
        click(window, "cmdGoOn");
    });
    QCOMPARE(met, QStringList{QStringLiteral("select_settings")});
    QCOMPARE(s.portnum, QStringLiteral("TCP/IP"));
    QCOMPARE(s.tcpip, QStringLiteral("waage.local"));
    QCOMPARE(s.tcpport, QStringLiteral("not a number"));
    QCOMPARE(s.baud, QStringLiteral("9600"));
}

void tst_select_settings::okPortFromText_data() {
    QTest::addColumn<QString>("typed");
    // The stored port, or empty when the window asks for a port instead.
    QTest::addColumn<QString>("portnum");
    QTest::newRow("absent port") << "COM7"
                                 << "7";
    QTest::newRow("two digits") << "COM12"
                                << "12";
    QTest::newRow("blank after COM") << "COM 5"
                                     << "5";
    QTest::newRow("any three letters") << "ttyS6"
                                       << "";
    QTest::newRow("three letters, number") << "XYZ6"
                                           << "6";
    QTest::newRow("network") << "TCP/IP"
                             << "TCP/IP";
    QTest::newRow("network, lower case") << "tcp/ip"
                                         << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("no number") << "COMx"
                               << "";
}

void tst_select_settings::okPortFromText() {
    QFETCH(QString, typed);
    QFETCH(QString, portnum);
    AssistantFixture f;
    Settings& s = f.controller.settings();
    s.portnum = QStringLiteral("2");
    s.baud = QStringLiteral("9600");
    // The target window must not follow: an empty tag would go on to it.
    const QStringList met = runWindow(f, QStringLiteral("mainform"), [typed](QWidget* window) {
        QVERIFY(portsListed(window));
        retypeList(window, "cboCOM", typed);
        retypeList(window, "cboBaud", QStringLiteral("1200"));
        click(window, "cmdGoOn");
    });
    QCOMPARE(met, QStringList{QStringLiteral("select_settings")});
    // The line settings are stored before the port is looked at.
    QCOMPARE(s.baud, QStringLiteral("1200"));
    if (portnum.isEmpty()) {
        QCOMPARE(f.dialogs.messages, QStringList{QStringLiteral("Bitte Schnittstelle auswählen")});
        QCOMPARE(s.portnum, QStringLiteral("2"));
    } else {
        QVERIFY(f.dialogs.messages.isEmpty());
        QCOMPARE(s.portnum, portnum);
    }
}

void tst_select_settings::cancelStoresNothing() {
    AssistantFixture f;
    Settings& s = f.controller.settings();
    s.portnum = QStringLiteral("2");
    s.baud = QStringLiteral("9600");
    s.tcpip = QStringLiteral("10.1.2.3");
    const QStringList met = runWindow(f, QString(), [](QWidget* window) {
        QVERIFY(portsListed(window));
        QVERIFY(choose(window, "cboCOM", QStringLiteral("TCP/IP")));
        retype(window, "txtIP", QStringLiteral("10.9.9.9"));
        QVERIFY(choose(window, "cboBaud", QStringLiteral("300")));
        click(window, "cmdCancel");
    });
    QCOMPARE(met, QStringList{QStringLiteral("select_settings")});
    QCOMPARE(s.portnum, QStringLiteral("2"));
    QCOMPARE(s.baud, QStringLiteral("9600"));
    QCOMPARE(s.tcpip, QStringLiteral("10.1.2.3"));
    QVERIFY(f.dialogs.messages.isEmpty());
}

void tst_select_settings::okGoesOnToTarget() {
    AssistantFixture f;
    Settings& s = f.controller.settings();
    s.portnum = QStringLiteral("2");
    bool portWindowOpenMeanwhile = false;
    QString portnumMeanwhile;
    ModalScript script({{QStringLiteral("select_settings"),
                         [](QWidget* window) {
                             QVERIFY(portsListed(window));
                             retypeList(window, "cboCOM", QStringLiteral("COM6"));
                             click(window, "cmdGoOn");
                         }},
                        {QStringLiteral("select_target"), [&](QWidget* window) {
                             // The port window closes only after the target window.
                             for (QWidget* top : QApplication::topLevelWidgets()) {
                                 if (top->objectName() == QLatin1String("select_settings")) {
                                     portWindowOpenMeanwhile = top->isVisible();
                                 }
                             }
                             portnumMeanwhile = s.portnum;
                             click(window, "cmdCancel");
                         }}});
    SetupAssistant::showPortSettings(f.controller, &f.windows, nullptr, QString());
    QCOMPARE(script.shown(), (QStringList{"select_settings", "select_target"}));
    QVERIFY(portWindowOpenMeanwhile);
    QCOMPARE(portnumMeanwhile, QStringLiteral("6"));
    QCOMPARE(s.portnum, QStringLiteral("6"));
}

void tst_select_settings::portMenuStopsCycleAndOnlyStores() {
    AssistantFixture f;
    f.controller.settings().portnum = QStringLiteral("2");
    f.controller.setCycleInterval(MainController::RunningInterval);
    f.view.setValueText(QStringLiteral("12.5"));
    f.view.setUnitText(QStringLiteral("kg"));
    int cycleMeanwhile = -1;
    ModalScript script({{QStringLiteral("select_settings"), [&](QWidget* window) {
                             cycleMeanwhile = f.controller.cycleInterval();
                             QVERIFY(portsListed(window));
                             retypeList(window, "cboCOM", QStringLiteral("COM3"));
                             click(window, "cmdGoOn");
                         }}});
    SetupAssistant::portMenu(f.controller, &f.windows, nullptr);
    QCOMPARE(script.shown(), QStringList{QStringLiteral("select_settings")});
    QCOMPARE(cycleMeanwhile, 0);
    QVERIFY(!f.controller.isCycleRunning());
    QCOMPARE(f.view.valueText(), QStringLiteral("Offline"));
    QCOMPARE(f.view.unitText(), QString());
    QCOMPARE(f.view.buttonCaption(7), QStringLiteral("O&nline"));
    QCOMPARE(f.controller.settings().portnum, QStringLiteral("3"));
}

QTEST_MAIN(tst_select_settings)
#include "tst_select_settings.moc"
