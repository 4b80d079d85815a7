// The windows on the offscreen platform, driven as a user drives them: what each stores into the
// settings and the main window, the setup assistant's chain, and the main window's menus, buttons
// and shutdown with a device played on loopback TCP and serial ports made by socat.

#include "base/files/IniFile.h"
#include "base/records/RecordText.h"
#include "base/session/ProgramSession.h"
#include "base/statistics/SeriesCsv.h"
#include "base/texts/LanguageFile.h"
#include "base/texts/LanguageTable.h"
#include "gui/DeviceCommandsDialog.h"
#include "gui/DisplayModeDialog.h"
#include "gui/HelpWindow.h"
#include "gui/HotkeysDialog.h"
#include "gui/LanguageDialog.h"
#include "gui/MainWindow.h"
#include "gui/OutputTemplateDialog.h"
#include "gui/RecordLayoutDialog.h"
#include "gui/SetupAssistant.h"
#include "gui/TimerSettingsDialog.h"
#include "gui/TransferSettingsDialog.h"
#include "gui/TrendWindow.h"
#include "support/ModalScript.h"
#include "support/ProgramFolder.h"
#include "support/RecordingKeyState.h"
#include "support/RecordingWindowList.h"
#include "support/ScriptedDialogs.h"
#include "support/SocatPair.h"
#include "support/TestFiles.h"

#include <QtCharts>
#include <QtNetwork>
#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;
using L = QStringList;

namespace {

// Status, sign at 7, value at 11 to 16, unit at 18-19, CR LF at 21-22.
const QByteArray Record = "ST,GS,+   012.34 g  \r\n";
constexpr int F9 = 120;
// The windows of the first table.
constexpr int Modes = 0, Timer = 1, Hotkeys = 2, Commands = 3, Template = 4, Transfer = 5, Layout = 6,
              Port = 7, Language = 8;

template <typename... Values> void row(const char* name, Values... values) {
    (QTest::newRow(name) << ... << values);
}

template <typename T = QWidget> T* part(QWidget* window, const QString& name) {
    return window->findChild<T*>(name);
}

// The program with its main window in a program folder whose serial ports lead nowhere but COM5,
// a pseudo-terminal; a test plays the device there or on loopback TCP.
struct Bench {
    Bench() {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            for (; server.hasPendingConnections(); ++connections) {
                peer = server.nextPendingConnection();
                QObject::connect(peer, &QTcpSocket::readyRead, peer,
                                 [this, s = peer] { heard += s->readAll(); });
            }
        });
        pair.start();
        device.setFileName(pair.deviceEnd());
        device.open(QIODevice::ReadWrite | QIODevice::Unbuffered);
        mapPorts({{5, pair.programEnd()}});
        LanguageTable::instance().load(folder.file(u"language.ini"_s), u"ENGLISH"_s);
        windows.windows = {
            {1, "A", true, true}, {2, "B", false, true}, {3, "C", true, false}, {4, "Ed", true, true}};
        window.setSession(&session);
    }
    void mapPorts(const QMap<int, QString>& devices) const {
        QByteArray ini = "[waittime]\nm_waittime=0.2\n[ports]\n";
        for (int port = 1; port <= 40; ++port) {
            ini += u"COM%1=%2\n"_s.arg(port).arg(devices.value(port, folder.file(u"none"_s))).toUtf8();
        }
        TestFiles::write(folder.file(u"kelvane.ini"_s), ini);
    }
    void load(const QByteArray& keys) {
        folder.writeConfiguration(u"standard.cfg"_s, keys);
        session.controller().loadConfiguration(folder.file(u"standard.cfg"_s));
        settings().configurationPath = folder.file(u"standard.cfg"_s);
    }
    // Without a port of its own, the configuration names the device on TCP/IP.
    bool start(const QByteArray& keys) {
        const QByteArray tcp = "[Port settings]\nportnum=TCP/IP\ntcpip=127.0.0.1\ntcpport=" +
                               QByteArray::number(server.serverPort()) + '\n';
        folder.writeConfiguration(u"standard.cfg"_s, (keys.contains("portnum") ? QByteArray() : tcp) + keys);
        window.show();
        return session.start({}) && QTest::qWaitFor([this] {
                   return connections > 0 || session.connection().serialLink().isOpen();
               });
    }
    Settings& settings() { return session.settings(); }

    // What a user does in a window, separated by ";": "box=text" types (into an editable list as its
    // typed text; in a window list it chooses that row), "box+text" types at the end, "list:entry"
    // chooses from the open list, "?text" answers the next question, "@start+length" marks part of a
    // sample record, "!bytes" is sent by the device ("&bytes" a moment later), "~name=value" waits for a
    // check to hold, and a name alone clicks or triggers.
    void perform(QWidget* window, const QString& actions) {
        for (const QString& action : actions.split(u';', Qt::SkipEmptyParts)) {
            const qsizetype at = action.indexOf(QRegularExpression(u"[=+:]"_s));
            const QString name = action.left(at);
            const QString text = action.mid(at + 1);
            const QChar how = at < 0 ? u' ' : action[at];
            auto* list = part<QComboBox>(window, name);
            // The port window fills its list once it is shown.
            QVERIFY(!list || QTest::qWaitFor([&] { return list->count() > 0; }, 10000));
            if (action.startsWith(u'!')) {
                const QByteArray bytes = action.mid(1).toLatin1();
                QVERIFY((settings().isTcp() ? static_cast<QIODevice*>(peer) : &device)->write(bytes) ==
                        bytes.size());
            } else if (action.startsWith(u'&')) {
                // The device sends this a moment later, whatever the window is doing then.
                QTimer::singleShot(200, &device, [this, bytes = action.mid(1).toLatin1()] {
                    device.write(bytes);
                    device.flush();
                });
            } else if (action.startsWith(u'~')) {
                verify(window, action.mid(1));
            } else if (action.startsWith(u'?')) {
                dialogs.inputs.push_back(action.mid(1));
            } else if (action.startsWith(u'@')) {
                auto* sample = part<QPlainTextEdit>(window, u"sampleText"_s);
                sample->setPlainText(RecordText::display(Record));
                QTextCursor cursor = sample->textCursor();
                cursor.setPosition(name.mid(1).toInt());
                cursor.setPosition(cursor.position() + text.toInt(), QTextCursor::KeepAnchor);
                sample->setTextCursor(cursor);
            } else if (how == u':') {
                list->showPopup();
                list->view()->setCurrentIndex(list->model()->index(list->findText(text), 0));
                QTest::keyClick(list->view(), Qt::Key_Return);
                QCOMPARE(list->currentText(), text);
            } else if (how == u'=' && list) {
                list->setEditText(text);
            } else if (how == u'=' && part<QListWidget>(window, name)) {
                part<QListWidget>(window, name)->setCurrentRow(text.toInt());
            } else if (how == u'=' || how == u'+') {
                auto* box = part<QLineEdit>(window, name);
                box->setText(how == u'+' ? box->text() + text : text);
            } else if (auto* button = part<QAbstractButton>(window, action)) {
                button->click();
            } else if (auto* menu = part<QAction>(window, action)) {
                menu->trigger();
            } else {
                QTest::mouseClick(part(window, action), Qt::LeftButton);
            }
        }
    }

    // What a check can name, as text; any other name is that of a box in the window, its text.
    QString observe(QWidget* w, const QString& name) {
        const Settings& s = settings();
        const TimerRun& run = session.state().timer();
        const auto range = [](const FieldRange& field) {
            return u"%1-%2"_s.arg(field.first).arg(field.last);
        };
        const auto keysOf = [](const TriggerKeyRow& k) {
            return L{k.keys[0].text(), k.keys[1].text(), k.keys[2].text()};
        };
        const auto command = [&](int r) {
            const DeviceCommand& c = s.deviceCommands[r];
            return (keysOf(c.keys) + L{c.command, c.caption, c.deliversAnswer.text()}).join(u',');
        };
        const auto hotkey = [&](int r) {
            return (keysOf(s.hotkeys[r].keys) << s.hotkeys[r].extra).join(u',');
        };
        const auto on = [&](MainButton button) { return QString::number(window.isButtonEnabled(button)); };
        L listed;
        for (auto* ports = part<QComboBox>(w, u"portBox"_s); ports && listed.size() < ports->count();) {
            listed.append(ports->itemText(int(listed.size())));
        }
        auto* help = window.findChild<HelpWindow*>();
        const QHash<QString, L> values = {
            {u"open"_s, {QString::number(w->isVisible())}},
            {u"messages"_s, dialogs.messages},
            {u"mode"_s, {s.displayMode.text(), QString::number(s.density)}},
            {u"timer"_s,
             {s.intervalHours.text(), s.intervalMinutes.text(), s.measurementCount.text(), s.timerMode.text(),
              run.due.isValid() ? u"due"_s : u"cleared"_s}},
            {u"keys"_s, {hotkey(1), hotkey(3)}},
            {u"commands"_s, {command(1), command(3)}},
            {u"captions"_s, {window.commandButtonCaption(1), window.commandButtonCaption(3)}},
            {u"buttons"_s, {on(MainButton::Send) + on(MainButton::TimerStart) + on(MainButton::TimerStop)}},
            {u"transfer"_s,
             {s.transferMode.text(), s.upperLimit.text(), s.lowerLimit.text(), s.target.text(),
              QString::number(s.selectedApplication), s.outputTemplate}},
            {u"layout"_s, {range(s.value), range(s.sign), range(s.ids[3]), range(s.ids[10])}},
            {u"record"_s, {s.recordLength.text(), s.recordEnd.text()}},
            {u"ports"_s, {listed.join(u',')}},
            {u"serial"_s,
             {QString::number(part(w, u"baudRateBox"_s) && !part(w, u"baudRateBox"_s)->isHidden())}},
            {u"port"_s, {s.serialPort.text(), s.baudRate.text(), s.host}},
            {u"language"_s, {LanguageFile::currentLanguage(folder.file(u"language.ini"_s))}},
            {u"menu"_s, {window.menu(MainView::Menu::File)->title()}},
            {u"interval"_s, {QString::number(session.cycleTimer().interval())}},
            {u"stale"_s, {QString::number(keys.pressed.contains(F9))}},
            {u"pending"_s, {QString::number(session.state().isTransferPending())}},
            {u"running"_s, {QString::number(run.running)}},
            {u"online"_s, {QString::number(session.connection().isOnline())}},
            {u"hidden"_s, {QString::number(window.isMinimized() || window.isHiddenInTray())}},
            {u"heard"_s, {QString::fromLatin1(heard)}},
            {u"value"_s, {window.valueText()}},
            {u"panels"_s,
             {part<QLabel>(&window, u"captionPanel"_s)->text(),
              part<QLabel>(&window, u"targetPanel"_s)->text(),
              part<QLabel>(&window, u"outputPanel"_s)->text()}},
            {u"received"_s, {QString::fromLatin1(session.connection().serialLink().received())}},
            {u"connections"_s, {QString::number(connections)}},
            {u"released"_s,
             {QString::number(!session.connection().serialLink().isOpen() &&
                              session.connection().tcpLink().state() == TcpLink::Closed)}},
            {u"help"_s, {help ? QFileInfo(help->currentPage()).fileName() : QString()}}};
        auto* box = part<QLineEdit>(w, name);
        auto* list = part<QComboBox>(w, name);
        auto* text = part<QPlainTextEdit>(w, name);
        return values.contains(name) ? values[name].join(u'/')
               : box                 ? box->text()
               : list                ? list->currentText()
                      : QString::fromLatin1(RecordText::bytes(text ? text->toPlainText() : u"-"_s));
    }
    // Checks name=value, separated by "|"; nothing may have been said but the messages checked,
    // which are then taken as read.
    void verify(QWidget* w, const QString& checks) {
        for (const QString& check : checks.split(u'|', Qt::SkipEmptyParts)) {
            QTRY_COMPARE(check.section(u'=', 0, 0) + u'=' + observe(w, check.section(u'=', 0, 0)), check);
        }
        QVERIFY(checks.contains(u"messages="_s) || dialogs.messages.isEmpty());
        dialogs.messages.clear();
    }

    ProgramFolder folder;
    SocatPair pair;
    QFile device;
    QTcpServer server;
    QTcpSocket* peer = nullptr;
    int connections = 0;
    QByteArray heard;
    MainWindow window;
    ScriptedDialogs dialogs;
    RecordingWindowList windows;
    RecordingKeyState keys;
    ProgramSession session{window, dialogs, {nullptr, &windows, &keys}};
};

} // namespace

class tst_Windows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void windows_data();
    void windows();
    void setupAssistant_data();
    void setupAssistant();
    void icon();
    void trend();
    void mainWindow_data();
    void mainWindow();
};

void tst_Windows::windows_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<QString>("actions");
    QTest::addColumn<QString>("checks");
    const QByteArray display = "[anzeige]\nanzeigemodus=1\nst_dichte=1.25\n";
    const QByteArray timer = "[Mode]\nanz_mess=4\n[Intervall]\nint_std=1\nint_min=2\n";
    const QByteArray tables = "[Hotkeys]\nkey1=CTRL,ALT,F1,x1\nkey3=NUM,SHIFT,Q,x3\n[Action]\n"
                              "key1=ALT,F4,,ESCZ,Null,1\nkey3=PRINT,F5,F7,xESCy,Befehl 4,1\n";
    const QByteArray transfer =
        "[Mode]\nmodus=HOTKEY\n[Filter]\nOTG=0\nUTG=1\n[Anwendung]\nAnwendung=alt\n"
        "Format=alt\n[applicationList]\nAppList 0=Null Editor\nAppListExe 0=n\n"
        "AppList 1=Editor\nAppListExe 1=e\nAppList 2=Notepad Editor\nAppListExe 2=np\n";
    const QByteArray layout = "[Gauge]\nstr_len=22\nstr_endchar=13\nmw_start=1\nmw_end=2\nmw_sign_anf=1\n"
                              "mw_sign_end=1\nID_anf_3=4\nID_end_3=5\n";
    const QByteArray port = "[Port settings]\nportnum=1\nbaud=9600\ntcpip=10.1.2.3\n";
    const QString refused = "|messages=Please enter a number.";
    const QString limits = "timerModeOption;upperLimitBox=x;upperLimitBox=250;"
                           "lowerLimitBox=;targetBox=Editor;outputTemplateBox=<Messwert><TAB>;";
    row("display: option", Modes, display, "flowOption;densityBox=0.8;okButton", "mode=2/0.8");
    row("display: label", Modes, display, "weightLabel;densityBox=0;okButton", "mode=0/1.25");
    row("timer: OK", Timer, timer, "minutesBox=15;okButton", "timer=1/15/4/0/cleared|open=0");
    row("timer: OK refused", Timer, timer, "hoursBox=x;okButton", "timer=1/2/4/0/due|open=1" + refused);
    row("timer: schedule", Timer, timer, "countOption;cancelButton", "timer=1/2/4/1/due");
    row("hotkeys", Hotkeys, tables, "secondKeyBox1=F5;okButton",
        "firstKeyBox3=NUM|keys=CTRL,F5,F1,x1/NUM,SHIFT,Q,x3");
    row("commands: OK", Commands, tables, "commandBox1=ESCT;sendResultBox1;okButton",
        "commands=ALT,F4,,ESCT,Null,0/PRINT,F5,F7,xESCy,Befehl 4,1|captions=Null/Befehl 4");
    row("commands: cancel", Commands, tables, "commandBox1=ESCT;cancelButton",
        "commands=ALT,F4,,ESCZ,Null,1/PRINT,F5,F7,xESCy,Befehl 4,1|captions=/");
    row("template: fields", Template, QByteArray(), "valueButton;unitButton;timeButton;keyButton33",
        "templateBox=ab{Messwert}{Einheit}{Uhrzeit}{ID_10}");
    row("template: prompts", Template, QByteArray(), "?Los 2;promptButton;promptButton",
        "templateBox=ab{?Los 2}{?}");
    row("transfer: OK", Transfer, transfer, limits + "okButton",
        "buttons=010|transfer=TIMER/250/0/Editor/2/{Messwert}{TAB}" + refused);
    row("transfer: cancel", Transfer, transfer, limits + "cancelButton",
        "transfer=TIMER/0/1/alt/1/alt" + refused);
    row("layout: value", Layout, layout, "@10+6;valueButton", "layout=11-16/1-1/4-5/0-0|valuePreview=012.34");
    row("layout: ID removed", Layout, layout, "@8+0;idButton2", "layout=1-2/1-1/0-0/0-0|idEndBox2=0");
    row("layout: length", Layout, layout, "@3+5;recordLengthButton", "recordLengthBox=5|record=22/13");
    row("layout: end", Layout, layout, "@4+0;endCharacterButton", "endCharacterBox=10");
    row("layout: OK", Layout, layout, "valueStartBox=12;signStartBox=abc;recordLengthBox=2x;okButton",
        "layout=12-2/1-1/4-5/0-0|record=2x/13");
    row("layout: cancel", Layout, layout, "@10+6;valueButton;recordLengthBox=30;cancelButton",
        "layout=11-16/1-1/4-5/0-0|record=22/13");
    // COM1 and COM4 are the ends of a pseudo-terminal pair, COM3 a plain file.
    row("port: listed", Port, port, "portBox:COM4;okButton",
        "ports=COM1,COM4,TCP/IP|serial=1|port=4/9600/10.1.2.3");
    row("port: network", Port, port, "hostBox=x;portBox:TCP/IP;okButton",
        "serial=0|port=TCP/IP/9600/10.1.2.3");
    row("port: none named", Port, port, "portBox=tcp/ip;okButton",
        "port=1/9600/10.1.2.3|messages=Bitte Schnittstelle auswählen");
    row("language", Language, QByteArray(), "languageBox=GERMAN;okButton", "language=GERMAN");
}

void tst_Windows::windows() {
    QFETCH(int, kind);
    QFETCH(QByteArray, keys);
    QFETCH(QString, actions);
    QFETCH(QString, checks);
    Bench b;
    if (kind == Port) {
        b.mapPorts(
            {{1, b.pair.programEnd()}, {4, b.pair.deviceEnd()}, {3, b.folder.file(u"language.ini"_s)}});
    }
    b.load(keys);
    Settings& s = b.settings();
    s.selectedApplication = 1;
    TimerRun& run = b.session.state().timer();
    run.due = QDateTime::currentDateTime();
    b.window.setButtonEnabled(MainButton::TimerStop, true);
    for (int r = 0; r < DeviceCommandButtonCount; ++r) {
        b.window.setCommandButtonCaption(r, {});
    }
    ConnectionControl& link = b.session.connection();
    const std::function<QDialog*()> make[] = {
        [&] { return new DisplayModeDialog(s); },
        [&] { return new TimerSettingsDialog(s, b.dialogs, run); },
        [&] { return new HotkeysDialog(s); },
        [&] { return new DeviceCommandsDialog(s, b.window); },
        [&] { return new OutputTemplateDialog(b.dialogs, u"ab"_s); },
        [&] { return new TransferSettingsDialog(s, b.window, b.session.status(), b.dialogs, run); },
        [&] { return new RecordLayoutDialog(s, link, b.session.cycleTimer(), b.session.status()); },
        [&] { return new PortSettingsDialog(s, link, b.dialogs, PortSettingsDialog::Caller::MainWindow); },
        [&] { return new LanguageDialog(b.folder.path()); }};
    std::unique_ptr<QDialog> w(make[kind]());
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    b.perform(w.get(), actions);
    b.verify(w.get(), checks);
}

void tst_Windows::setupAssistant_data() {
    QTest::addColumn<int>("entry");      // of the target list; -1 chooses none
    QTest::addColumn<int>("cancelAt");   // the window left with cancel; 5 completes the chain
    QTest::addColumn<QString>("stored"); // port|baud|target|files:table,command|length|template
    const QString text = "7|4800|Text-Datei|/data/w.txt,,:,old|";
    const QString done = "|30|{ALT}{ENTER}{TAB}";
    row("cancel in the port window", 3, 0, "99|9600|vorher|,,:,old|10|{ALT}");
    row("cancel in the target window", 3, 1, "7|4800|vorher|,,:,old|10|{ALT}");
    // The target is set as its detail window opens.
    row("cancel in the text file window", 3, 2, "7|4800|Text-Datei|,,:,old|10|{ALT}");
    row("cancel in the record layout", 3, 3, text + "10|{ALT}");
    row("cancel in the output template", 3, 4, text + "30|{ALT}");
    row("text file", 3, 5, text + done.mid(1));
    row("workbook", 2, 5, "7|4800|Excel-Datei|,/data/w.txt,:,old" + done);
    row("database and its table", 4, 5, "7|4800|Access-Datenbank|,,w.db:messung,old" + done);
    row("D-Bus command", 1, 5, "7|4800|*DDE*|,,:,getdata" + done);
    // Only framed, shown windows with a title are offered: the second is the editor.
    row("nothing chosen: application", -1, 5, "7|4800|Ed|,,:,old" + done);
}

void tst_Windows::setupAssistant() {
    QFETCH(int, entry);
    QFETCH(int, cancelAt);
    QFETCH(QString, stored);
    Bench b;
    b.load("[Port settings]\nportnum=99\nbaud=9600\n[Anwendung]\nAnwendung=vorher\nFormat={ALT}\n[Gauge]\n"
           "str_len=10\n[DDECONN]\nbefehl=old\n");
    const QString database = b.folder.file(u"w.db"_s);
    QCOMPARE(QProcess::execute(u"sqlite3"_s, {database, u"CREATE TABLE messung (wert TEXT);"_s}), 0);
    b.dialogs.openFiles.push_back(entry == TargetKindDialog::Database ? database : u"/data/w.txt"_s);
    const L detail[] = {{u"TargetWindowDialog"_s, u"windowList=1"_s},
                        // OK refuses a bus name of one part and says what a valid one looks like.
                        {u"DbusTargetDialog"_s, u"busNameBox=Excel;okButton;~messages="_s +
                                                    languageText(TextKey::InvalidBusName).arg(u"Excel"_s) +
                                                    u";busNameBox=org.example.Sheet;commandBox=getdata"_s},
                        {u"WorkbookTargetDialog"_s, u"openButton"_s},
                        {u"TextFileTargetDialog"_s, u"openButton"_s},
                        {u"DatabaseTargetDialog"_s, u"openButton"_s}};
    const QString target =
        entry < 0 ? QString() : u"targetBox:"_s + TargetKindDialog::entryText(TargetKindDialog::Entry(entry));
    const L chain = {u"PortSettingsDialog"_s, u"TargetKindDialog"_s, detail[qMax(0, entry)][0],
                     u"RecordLayoutDialog"_s, u"OutputTemplateDialog"_s};
    const L enter = {u"portBox=COM7;baudRateBox=4800"_s, target, detail[qMax(0, entry)][1],
                     u"recordLengthBox=30"_s, u"keyButton13;templateBox+<TAB>"_s};
    std::vector<ModalScript::Step> steps;
    for (int step = 0; step <= cancelAt && step < chain.size(); ++step) {
        const QString leave = step == cancelAt         ? u"cancelButton"_s
                              : step == 2 && entry > 1 ? u"continueButton"_s
                                                       : u"okButton"_s;
        steps.push_back(
            {chain[step], [&, step, leave](QWidget* w) { b.perform(w, enter[step] + u';' + leave); }});
    }
    ModalScript script(std::move(steps));
    SetupAssistant::run(b.session, nullptr);
    QCOMPARE(script.shown(), chain.mid(0, cancelAt + 1));
    const Settings& s = b.settings();
    QCOMPARE(s.busName, entry == TargetKindDialog::DbusCommand ? u"org.example.Sheet"_s : u"Excel"_s);
    const QString files =
        s.textFilePath + u',' + s.workbookPath + u',' + QFileInfo(s.databasePath).fileName();
    QCOMPARE(
        L({s.serialPort.text(), s.baudRate.text(), s.target.text(),
           files + u':' + s.databaseTable + u',' + s.busCommand, s.recordLength.text(), s.outputTemplate})
            .join(u'|'),
        stored);
    // The chain shows the offline state while it runs.
    b.verify(&b.window, u"value=Offline"_s);
}

// The main window and with it the tray show the icon the desktop entry names, at each size.
void tst_Windows::icon() {
    MainWindow window;
    for (const int size : {16, 48, 256}) {
        const QImage shipped(TestFiles::sourceDataDir() +
                             u"/../packaging/icons/%1x%1/org.kelvane.Kelvane.png"_s.arg(size));
        QVERIFY(!shipped.isNull());
        QCOMPARE(
            window.windowIcon().pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
            shipped.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }
}

// The trend window from the View menu, fed by the device in print mode with both limits set: each
// value lands in its series, the limits are lines, and the figures follow even while the chart
// is paused.
void tst_Windows::trend() {
    Bench b;
    QVERIFY(b.start("[Mode]\nmodus=PRINT\n[Filter]\nOTG=12.5\nUTG=11\n"));
    b.perform(&b.window, u"trendAction"_s);
    auto* trend = b.window.findChild<TrendWindow*>();
    QVERIFY(trend && trend->isVisible());
    const auto points = [trend](const char* name) {
        QStringList values;
        for (QAbstractSeries* series : trend->chart()->series()) {
            if (series->objectName() == QLatin1StringView(name) && series->isVisible()) {
                for (const QPointF& point : static_cast<QXYSeries*>(series)->points()) {
                    values << QString::number(point.y());
                }
            }
        }
        return values.join(u' ');
    };
    const auto figure = [trend](int row) { return part<QLabel>(trend, u"figure%1"_s.arg(row))->text(); };
    for (const char* record :
         {"ST,GS,+   012.00 g  \r\n", "ST,GS,+   013.00 g  \r\n", "ST,GS,+   010.00 g  \r\n",
          "ST,GS,+   012.00     \r\n", "ST,GS,-   001.00 g  \r\n"}) {
        b.perform(&b.window, u"!"_s + QLatin1StringView(record));
        QTest::qWait(50);
    }
    QTRY_COMPARE(points("outOfToleranceSeries"), u"13 10 -1"_s);
    QCOMPARE(points("acceptedSeries"), u"12"_s);
    QCOMPARE(points("notStableSeries"), u"12"_s);
    QCOMPARE(points("upperLimitSeries"), u"12.5 12.5"_s);
    QCOMPARE(points("lowerLimitSeries"), u"11 11"_s);
    QVERIFY(trend->chart()->axes(Qt::Vertical).value(0)->titleText().endsWith(u"[g]"_s));
    // The unstable value is shown but not counted.
    QCOMPARE(figure(0), u"4"_s);
    QCOMPARE(figure(1), QLocale::system().toString(8.5, 'f', 4));
    QCOMPARE(figure(6), QLocale::system().toString(25.0, 'f', 1) + u" %"_s);

    b.perform(trend, u"pauseButton;!ST,GS,+   012.10 g  \r\n"_s);
    QTRY_COMPARE(figure(0), u"5"_s);
    QCOMPARE(points("acceptedSeries"), u"12"_s);
    b.perform(trend, u"pauseButton"_s);
    QTRY_COMPARE(points("acceptedSeries"), u"12 12.1"_s);

    const QString csv = b.folder.file(u"trend.csv"_s);
    const QString png = b.folder.file(u"trend.png"_s);
    b.dialogs.saveFiles = {csv, png};
    b.perform(trend, u"csvButton;pngButton"_s);
    QCOMPARE(TestFiles::read(csv), SeriesCsv::write(b.session.series().points()));
    QCOMPARE(TestFiles::read(csv).count('\n'), 7);
    QVERIFY(!QImage(png).isNull());

    // How many values are shown is kept in kelvane.ini and comes back with the next load.
    part<QSpinBox>(trend, u"pointsBox"_s)->setValue(20);
    QCOMPARE(IniFile::read(b.folder.file(u"kelvane.ini"_s), u"trend"_s, u"points"_s, {}), u"20"_s);
    b.session.series().setCapacity(50);
    b.session.controller().loadConfiguration(b.folder.file(u"standard.cfg"_s));
    QCOMPARE(b.session.series().capacity(), 20);

    // A change of language reaches the open window.
    b.dialogs.languageWindow = [&b] { LanguageFile::chooseLanguage(b.folder.path(), u"GERMAN"_s); };
    b.perform(&b.window, u"languageAction"_s);
    QTRY_COMPARE(trend->windowTitle(), u"Trend und Statistik"_s);

    b.perform(trend, u"clearButton;resetButton"_s);
    QTRY_COMPARE(points("acceptedSeries"), QString());
    QCOMPARE(figure(0), u"0"_s);
    QCOMPARE(figure(1), u"–"_s);
}

void tst_Windows::mainWindow_data() {
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<QString>("actions");   // in the main window
    QTest::addColumn<QStringList>("opens"); // each window opened from the one before, "class:actions"
    // With "asks", closing the main window asks to save the settings.
    QTest::addColumn<QString>("checks");
    // Timer mode waits for its start: the cycle ticks once a second. F9, pressed before the
    // menu, is discarded (stale=0) or still to come (stale=1).
    const QByteArray timer = "TIMER\nactiv=0";
    const QByteArray print = "PRINT\n[Action]\nkey3=,,,ESCT,Tara,0";
    const QString transfer = "transferSettingsAction";
    const QString in = "TransferSettingsDialog:";
    row("display mode", timer, "displayModeAction", L{"DisplayModeDialog"}, "interval=0|stale=1");
    row("timer", timer, transfer, L{in + "timerButton", "TimerSettingsDialog"}, "interval=0|stale=1");
    row("template", timer, transfer, L{in + "editTemplateButton", "OutputTemplateDialog"}, "stale=1");
    row("hotkeys", timer, transfer, L{in + "hotkeysButton", "HotkeysDialog"}, "stale=1");
    row("target", timer, transfer, L{in + "chooseTargetButton", "TargetKindDialog"}, "value=Offline");
    row("caption", timer, transfer,
        L{in + "deviceCommandsButton", "DeviceCommandsDialog:captionButton3", "ButtonCaptionDialog"}, "");
    row("port", timer, "portSettingsAction", L{"PortSettingsDialog"}, "interval=0|stale=0|value=Offline");
    row("assistant", timer, "setupAssistantAction", L{"PortSettingsDialog"}, "interval=0|stale=0");
    // The window fills in the defaults for a blank D-Bus target: the settings change.
    row("D-Bus target", timer, "dbusTargetAction", L{"DbusTargetDialog"}, "interval=1000|stale=0|asks");
    row("about", timer, "aboutAction", L{"AboutDialog"}, "interval=0|stale=1|value=Offline");
    // A load left without a file leaves the program without one.
    row("load", timer, "loadConfigurationAction", L(), "interval=0|stale=1|value=Offline|asks");
    // Help and save show the offline state but leave the cycle running.
    row("help", timer, "showHelpAction", L(), "interval=1000|help=Kelvane 4.2.chm|value=Offline");
    row("save", timer, "saveConfigurationAction", L(), "interval=1000|value=Offline");
    // The language window runs the start-up again: the menus follow the chosen language.
    row("language", timer, "languageAction", L(), "interval=1000|language=GERMAN|menu=&Datei");
    row("a change", timer, "displayModeAction", L{"DisplayModeDialog:densityBox=3;okButton"}, "asks");
    row("send", QByteArray("HOTKEY"), "sendButton", L(), "pending=1|online=1");
    row("timer start", timer, "timerStartButton", L(), "running=1|online=1");
    row("online off", print, "onlineButton", L(), "online=0|interval=0");
    row("device command", print, "commandButton3", L(), "heard=\x1bT\r\n");
    row("command without caption", print, "commandButton4", L(), "heard=");
    row("hide", print, "hideButton", L(), "hidden=1|online=1");
    // The target panel shows the target's kind, then the file that took the value.
    row("into a text file",
        QByteArray("PRINT\n[Anwendung]\nAnwendung=Text-Datei\nTextFile=out.txt\nFormat={Messwert}"),
        "!ST,GS,+   012.34 g  \r\n", L(), "panels=Status/out.txt/12.34");
    row("exit", print, "exitButton", L(), "interval=0");
    // The record layout window takes the device over (the start-up connects once, the window's Start
    // once more, as the window closed the link); Start forgets what came before. A record comes in pieces,
    // the rest within the collecting pause; a serial sample is cut into the previews. Closing releases the
    // device.
    const QString sample =
        "!ST,GS,+   ;~sampleText=ST,GS,+   ;!012.34 g  \r\n;~sampleText=ST,GS,+   012.34 g  \r\n;";
    row("TCP/IP sample", print, "recordLayoutAction",
        L{"RecordLayoutDialog:~online=0;!old\r\n;~sampleText=old\r\n;startButton;~connections=2;" + sample +
          "cancelButton"},
        "released=1|interval=0|stale=1");
    row("serial sample", QByteArray("PRINT\n[Port settings]\nportnum=5\nbaud=9600\nparity=N\ndatabit=8"),
        "recordLayoutAction",
        L{"RecordLayoutDialog:~value=Offline;~online=0;!old\r\n;~received=old\r\n;startButton;!ST,GS,+   ;"
          "&012.34 g  \r\n;~sampleText=ST,GS,+   012.34 g  \r\n;~valuePreview=012.34;cancelButton"},
        "released=1");
}

void tst_Windows::mainWindow() {
    QFETCH(QByteArray, mode);
    QFETCH(QString, actions);
    QFETCH(QStringList, opens);
    QFETCH(QString, checks);
    Bench b;
    QVERIFY(
        QFile::copy(TestFiles::sourceDataDir() + u"/Kelvane 4.2.chm"_s, b.folder.file(u"Kelvane 4.2.chm"_s)));
    QVERIFY(b.start("[Mode]\nmodus=" + mode + "\n[Action]\nkey0=F9,,,ESCT,,0\n"));
    b.keys.pressed.insert(F9);
    b.dialogs.languageWindow = [&b] { LanguageFile::chooseLanguage(b.folder.path(), u"GERMAN"_s); };
    QSignalSpy ended(&b.session.controller(), &ProgramController::ended);
    std::vector<ModalScript::Step> steps;
    for (const QString& window : opens) {
        steps.push_back({window.section(u':', 0, 0), [&b, window](QWidget* w) {
                             b.perform(w, window.section(u':', 1));
                             w->close();
                         }});
    }
    ModalScript script(std::move(steps));
    b.perform(&b.window, actions);
    QCOMPARE(script.shown().join(u' '),
             opens.replaceInStrings(QRegularExpression(u"(?s):.*"_s), {}).join(u' '));
    const bool asks = checks.endsWith(u"asks"_s);
    b.verify(&b.window, checks.chopped(asks ? 4 : 0));
    // Closing the window runs the shutdown once; it asks to save only after a change.
    b.window.close();
    QCOMPARE(ended.count(), 1);
    QCOMPARE(b.dialogs.questions, asks ? L{languageText(TextKey::SaveChanges)} : L());
    QVERIFY(QFileInfo::exists(b.folder.file(u"tmp.cfg"_s)));
}

QTEST_MAIN(tst_Windows)
#include "tst_Windows.moc"
