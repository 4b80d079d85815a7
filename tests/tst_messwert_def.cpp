#include "core/MainController.h"
#include "input/RecordSample.h"
#include "input/messwert_def.h"
#include "language/LanguageTable.h"
#include "settings/ConfigurationFile.h"
#include "settings/IniDocument.h"
#include "support/ProgramFolder.h"
#include "support/RecordingMainView.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSerialPort>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextCursor>
#include <QtTest>

#include <memory>

namespace {

// Status, sign at 7, value at 11-16, unit and stability mark at 18-19, CR LF at 21-22.
const QByteArray Record = "ST,GS,+   012.34 g  \r\n";

// Waits for signals and pipe output; generous, since the machine may be busy.
constexpr int EventWaitMs = 10000;

struct Fixture {
    // Port 99 names a serial device that does not exist, so nothing touches real hardware.
    explicit Fixture(const QByteArray& keys = "[Port settings]\nportnum=99\n") : controller(view, dialogs) {
        ConfigurationFile::read(IniDocument::fromBytes(keys), IniDocument(), controller.settings());
    }
    ProgramFolder folder;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    MainController controller;
};

template <typename T> T* child(QWidget* window, const QString& name) {
    T* found = window->findChild<T*>(name);
    if (!found) {
        qWarning("no control %s", qPrintable(name));
    }
    return found;
}

QPlainTextEdit* sampleBox(QWidget* window) {
    return child<QPlainTextEdit>(window, QStringLiteral("txtScaleInput"));
}

QString boxText(QWidget* window, const QString& name) {
    auto* box = child<QLineEdit>(window, name);
    return box ? box->text() : QStringLiteral("<missing %1>").arg(name);
}

void press(QWidget* window, const QString& name) {
    if (auto* button = child<QPushButton>(window, name)) {
        button->click();
    }
}

// Puts the record into the sample box and selects length characters after start.
void selectInSample(QWidget* window, const QByteArray& record, int start, int length) {
    QPlainTextEdit* box = sampleBox(window);
    box->setPlainText(RecordSample::display(record));
    QTextCursor cursor = box->textCursor();
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    box->setTextCursor(cursor);
}

std::int16_t& positionField(Settings& settings, const QString& name) {
    static const QHash<QString, std::int16_t Settings::*> fields = {
        {QStringLiteral("mw_start"), &Settings::mw_start},
        {QStringLiteral("mw_end"), &Settings::mw_end},
        {QStringLiteral("mw_sign_anf"), &Settings::mw_sign_anf},
        {QStringLiteral("mw_sign_end"), &Settings::mw_sign_end},
        {QStringLiteral("eh_start"), &Settings::eh_start},
        {QStringLiteral("eh_end"), &Settings::eh_end},
        {QStringLiteral("mw_still_anf"), &Settings::mw_still_anf},
        {QStringLiteral("mw_still_end"), &Settings::mw_still_end}};
    // ID_anf_N and ID_end_N as the configuration keys name them.
    if (name.startsWith(QLatin1String("ID_anf_"))) {
        return settings.ID_anf[name.mid(7).toInt()];
    }
    if (name.startsWith(QLatin1String("ID_end_"))) {
        return settings.ID_end[name.mid(7).toInt()];
    }
    return settings.*fields.value(name);
}

// A pair of connected pseudo-terminals made by socat: the program opens one end as COM5, the
// test plays the device on the other.
class PtyPair {
public:
    PtyPair() {
        m_socat.start(QStringLiteral("socat"),
                      {QStringLiteral("-d"), QStringLiteral("-d"), QStringLiteral("pty,raw,echo=0"),
                       QStringLiteral("pty,raw,echo=0")});
        // socat reports the two devices on standard error.
        m_socat.setReadChannel(QProcess::StandardError);
        if (!m_socat.waitForStarted(EventWaitMs)) {
            return;
        }
        QByteArray log;
        QDeadlineTimer deadline(EventWaitMs);
        while (m_paths.size() < 2 && !deadline.hasExpired()) {
            m_socat.waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
            log += m_socat.readAllStandardError();
            m_paths.clear();
            for (const QByteArray& line : log.split('\n')) {
                const qsizetype at = line.indexOf("PTY is ");
                if (at >= 0) {
                    m_paths.append(QString::fromLocal8Bit(line.mid(at + 7).trimmed()));
                }
            }
        }
    }
    ~PtyPair() {
        m_socat.terminate();
        if (!m_socat.waitForFinished(3000)) {
            m_socat.kill();
            m_socat.waitForFinished(3000);
        }
    }
    bool ready() const { return m_paths.size() == 2; }
    QString programEnd() const { return m_paths.value(0); }
    QString deviceEnd() const { return m_paths.value(1); }

private:
    QProcess m_socat;
    QStringList m_paths;
};

QByteArray serialKeys(int reclen) {
    return "[Port settings]\nportnum=5\nbaud=9600\nparity=N\ndatabit=8\nstopbit=1\n"
           "[Gauge]\nstr_len=" +
           QByteArray::number(reclen) + "\nID_anf_1=4\nID_end_1=5\n";
}

} // namespace

class tst_messwert_def : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void controlsAndCaptions_data();
    void controlsAndCaptions();
    void loadFillsBoxesAndStopsMainCycle();
    void marking_data();
    void marking();
    void markingWithKeyboardSelection();
    void idWithoutSelectionIsCleared();
    void recordLength_data();
    void recordLength();
    void endCharacter_data();
    void endCharacter();
    void okTakesValidBoxes_data();
    void okTakesValidBoxes();
    void okTakesRecordTextsAsTyped();
    void cancelKeepsMarkedPositions();
    void okGoesOnToOutputDefinition_data();
    void okGoesOnToOutputDefinition();
    void serialTestReception_data();
    void serialTestReception();
    void tcpTestReception();
};

void tst_messwert_def::controlsAndCaptions_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    const QList<QPair<const char*, QString>> buttons = {{"cmdStart", QStringLiteral("&Start")},
                                                        {"cmdStop", QStringLiteral("&Stop")},
                                                        {"CmdLength", QStringLiteral("Anzahl Zeichen")},
                                                        {"cmdEndChar", QStringLiteral("Abschlusszeichen")},
                                                        {"cmdMesswert", QStringLiteral("&Messwert")},
                                                        {"cmdSign", QStringLiteral("&Vorzeichen")},
                                                        {"cmdUnit", QStringLiteral("&Einheit")},
                                                        {"cmdStable", QStringLiteral("&Stillstandszeichen")},
                                                        {"cmdID(0)", QStringLiteral("ID1")},
                                                        {"cmdID(9)", QStringLiteral("ID10")},
                                                        {"cmdOK", QStringLiteral("&Ok")},
                                                        {"cmdCancel", QStringLiteral("&Abbrechen")}};
    for (const auto& [name, caption] : buttons) {
        QTest::newRow(name) << QString::fromLatin1(name) << caption;
    }
    QTest::newRow("Label3") << QStringLiteral("Label3")
                            << QStringLiteral("Bitte Datenausgabe am Gerät auslösen:");
}

void tst_messwert_def::controlsAndCaptions() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    Fixture f;
    messwert_def window(f.controller);
    QCOMPARE(window.windowTitle(), QStringLiteral("Dateneingang"));
    QVERIFY(window.isModal());
    if (name == QLatin1String("Label3")) {
        auto* label = child<QLabel>(&window, name);
        QVERIFY(label);
        QCOMPARE(label->text(), caption);
    } else {
        auto* button = child<QPushButton>(&window, name);
        QVERIFY(button);
        QCOMPARE(button->text(), caption);
    }
    QPlainTextEdit* sample = sampleBox(&window);
    QVERIFY(sample);
    QVERIFY(QFontInfo(sample->font()).fixedPitch());
    for (int i = 0; i < messwert_def::IdCount; ++i) {
        QVERIFY(child<QLineEdit>(&window, QStringLiteral("id_start(%1)").arg(i)));
        QVERIFY(child<QLineEdit>(&window, QStringLiteral("id_end(%1)").arg(i)));
        QVERIFY(child<QLineEdit>(&window, QStringLiteral("txtID%1").arg(i + 1)));
    }
}

void tst_messwert_def::loadFillsBoxesAndStopsMainCycle() {
    Fixture f("[Port settings]\nportnum=99\n[Gauge]\nstr_len=24\nstr_endchar=13\nmw_start=3\nmw_end=9\n"
              "mw_sign_anf=2\nmw_sign_end=2\neh_start=20\neh_end=22\nmw_still_anf=1\nmw_still_end=1\n"
              "ID_anf_1=30\nID_end_1=31\nID_anf_10=40\nID_end_10=45\n");
    f.controller.setCycleInterval(MainController::RunningInterval);
    f.controller.setLinkOnline(true);
    QVERIFY(f.controller.isCycleRunning());

    messwert_def window(f.controller);
    const QList<QPair<const char*, const char*>> expected = {
        {"txtMesswertStart", "3"}, {"txtMesswertEnd", "9"}, {"txtSignStart", "2"},   {"txtSignEnd", "2"},
        {"txtUnitStart", "20"},    {"txtUnitEnd", "22"},    {"txtStableStart", "1"}, {"txtStableEnd", "1"},
        {"id_start(0)", "30"},     {"id_end(0)", "31"},     {"id_start(1)", "0"},    {"id_end(1)", "0"},
        {"id_start(9)", "40"},     {"id_end(9)", "45"},     {"txt_reclen", "24"},    {"txt_endchar", "13"}};
    for (const auto& [name, text] : expected) {
        QCOMPARE(boxText(&window, QLatin1String(name)), QLatin1String(text));
    }
    QCOMPARE(sampleBox(&window)->toPlainText(), QString());
    QVERIFY(!f.controller.isCycleRunning());
    QCOMPARE(f.controller.cycleInterval(), 0);
    QVERIFY(!f.controller.linkOnline());
    // Port 99 does not exist: nothing was opened.
    QVERIFY(!window.ownLink().isSerialOpen());
}

void tst_messwert_def::marking_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("firstField");
    QTest::addColumn<QString>("lastField");
    QTest::addColumn<QString>("firstBox");
    QTest::addColumn<QString>("lastBox");
    QTest::addColumn<QString>("preview");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<QString>("previewText");

    QTest::newRow("value 11-16") << "cmdMesswert" << 10 << 6 << "mw_start"
                                 << "mw_end"
                                 << "txtMesswertStart"
                                 << "txtMesswertEnd"
                                 << "txtMesswert" << 11 << 16 << "012.34";
    QTest::newRow("sign 7") << "cmdSign" << 6 << 1 << "mw_sign_anf"
                            << "mw_sign_end"
                            << "txtSignStart"
                            << "txtSignEnd"
                            << "txtSign" << 7 << 7 << "+";
    QTest::newRow("unit 17-18") << "cmdUnit" << 16 << 2 << "eh_start"
                                << "eh_end"
                                << "txtUnitStart"
                                << "txtUnitEnd"
                                << "txtUnit" << 17 << 18 << " g";
    QTest::newRow("stability mark 1-2") << "cmdStable" << 0 << 2 << "mw_still_anf"
                                        << "mw_still_end"
                                        << "txtStableStart"
                                        << "txtStableEnd"
                                        << "txtStable" << 1 << 2 << "ST";
    QTest::newRow("ID1 4-5") << "cmdID(0)" << 3 << 2 << "ID_anf_1"
                             << "ID_end_1"
                             << "id_start(0)"
                             << "id_end(0)"
                             << "txtID1" << 4 << 5 << "GS";
    // The line end stays visible and keeps its two positions.
    QTest::newRow("ID10 on CR LF") << "cmdID(9)" << 20 << 2 << "ID_anf_10"
                                   << "ID_end_10"
                                   << "id_start(9)"
                                   << "id_end(9)"
                                   << "txtID10" << 21 << 22 << QStringLiteral(u"\u240D\u240A");
    // Without a selection the value keeps the defaults 11 and 16.
    QTest::newRow("value, nothing selected") << "cmdMesswert" << 4 << 0 << "mw_start"
                                             << "mw_end"
                                             << "txtMesswertStart"
                                             << "txtMesswertEnd"
                                             << "txtMesswert" << 11 << 16 << "";
    QTest::newRow("sign, nothing selected") << "cmdSign" << 0 << 0 << "mw_sign_anf"
                                            << "mw_sign_end"
                                            << "txtSignStart"
                                            << "txtSignEnd"
                                            << "txtSign" << 7 << 7 << "";
}

void tst_messwert_def::marking() {
    QFETCH(QString, button);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, firstField);
    QFETCH(QString, lastField);
    QFETCH(QString, firstBox);
    QFETCH(QString, lastBox);
    QFETCH(QString, preview);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QString, previewText);

    Fixture f;
    messwert_def window(f.controller);
    window.show();
    selectInSample(&window, Record, start, length);
    press(&window, button);

    // Written into the settings at once, before OK.
    QCOMPARE(int(positionField(f.controller.settings(), firstField)), first);
    QCOMPARE(int(positionField(f.controller.settings(), lastField)), last);
    QCOMPARE(boxText(&window, firstBox), QString::number(first));
    QCOMPARE(boxText(&window, lastBox), QString::number(last));
    QCOMPARE(boxText(&window, preview), previewText);
    QVERIFY(window.isVisible());
}

void tst_messwert_def::markingWithKeyboardSelection() {
    Fixture f;
    f.controller.settings().mw_start = 1;
    f.controller.settings().mw_end = 1;
    messwert_def window(f.controller);
    window.show();
    selectInSample(&window, Record, 10, 0);
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(sampleBox(&window), Qt::Key_Right, Qt::ShiftModifier);
    }
    press(&window, QStringLiteral("cmdMesswert"));
    QCOMPARE(f.controller.settings().mw_start, 11);
    QCOMPARE(f.controller.settings().mw_end, 16);
    QCOMPARE(boxText(&window, QStringLiteral("txtMesswert")), QStringLiteral("012.34"));
}

void tst_messwert_def::idWithoutSelectionIsCleared() {
    Fixture f;
    messwert_def window(f.controller);
    window.show();
    selectInSample(&window, Record, 3, 2);
    press(&window, QStringLiteral("cmdID(2)"));
    QCOMPARE(f.controller.settings().ID_anf[3], 4);
    QCOMPARE(boxText(&window, QStringLiteral("txtID3")), QStringLiteral("GS"));

    selectInSample(&window, Record, 8, 0);
    press(&window, QStringLiteral("cmdID(2)"));
    QCOMPARE(f.controller.settings().ID_anf[3], 0);
    QCOMPARE(f.controller.settings().ID_end[3], 0);
    QCOMPARE(boxText(&window, QStringLiteral("id_start(2)")), QStringLiteral("0"));
    QCOMPARE(boxText(&window, QStringLiteral("id_end(2)")), QStringLiteral("0"));
    QCOMPARE(boxText(&window, QStringLiteral("txtID3")), QString());
}

void tst_messwert_def::recordLength_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("expected");
    QTest::newRow("whole record") << 0 << 22 << "22";
    QTest::newRow("part of it") << 3 << 5 << "5";
    QTest::newRow("nothing selected") << 5 << 0 << "99";
}

void tst_messwert_def::recordLength() {
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, expected);
    Fixture f("[Port settings]\nportnum=99\n[Gauge]\nstr_len=99\n");
    messwert_def window(f.controller);
    selectInSample(&window, Record, start, length);
    press(&window, QStringLiteral("CmdLength"));
    QCOMPARE(boxText(&window, QStringLiteral("txt_reclen")), expected);
    // Only OK stores it.
    QCOMPARE(f.controller.settings().str_len, QStringLiteral("99"));
}

void tst_messwert_def::endCharacter_data() {
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("expected");
    QTest::newRow("CR LF, nothing selected") << Record << 0 << "10";
    QTest::newRow("CR, nothing selected") << QByteArray("+ 12.5 g\r") << 0 << "13";
    QTest::newRow("ETX, nothing selected") << QByteArray("\x02+ 12.5 g\x03") << 0 << "3";
    QTest::newRow("Latin-1 byte last") << QByteArray("12.5 g\xb5") << 0 << "181";
    QTest::newRow("CR LF, with a selection") << Record << 3 << "7";
    QTest::newRow("empty sample") << QByteArray() << 0 << "7";
}

void tst_messwert_def::endCharacter() {
    QFETCH(QByteArray, record);
    QFETCH(int, length);
    QFETCH(QString, expected);
    Fixture f("[Port settings]\nportnum=99\n[Gauge]\nstr_endchar=7\n");
    messwert_def window(f.controller);
    selectInSample(&window, record, 0, length);
    press(&window, QStringLiteral("cmdEndChar"));
    QCOMPARE(boxText(&window, QStringLiteral("txt_endchar")), expected);
}

void tst_messwert_def::okTakesValidBoxes_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("expected");
    // The defaults: value 11-16, sign 7-7, unit and stability mark 18-19, IDs 0.
    QTest::newRow("letters keep the value start") << "txtMesswertStart"
                                                  << "abc"
                                                  << "mw_start" << 11;
    QTest::newRow("empty keeps the unit start") << "txtUnitStart"
                                                << ""
                                                << "eh_start" << 18;
    QTest::newRow("number") << "txtMesswertStart"
                            << "12"
                            << "mw_start" << 12;
    QTest::newRow("blanks around") << "id_start(2)"
                                   << " 7 "
                                   << "ID_anf_3" << 7;
    QTest::newRow("negative") << "txtSignEnd"
                              << "-5"
                              << "mw_sign_end" << -5;
    QTest::newRow("16-bit maximum") << "txtStableEnd"
                                    << "32767"
                                    << "mw_still_end" << 32767;
    QTest::newRow("beyond 16 bits") << "txtSignEnd"
                                    << "40000"
                                    << "mw_sign_end" << 7;
    QTest::newRow("below 16 bits") << "txtStableStart"
                                   << "-32769"
                                   << "mw_still_anf" << 18;
    QTest::newRow("fraction") << "id_end(9)"
                              << "1.5"
                              << "ID_end_10" << 0;
    QTest::newRow("last ID end") << "id_end(9)"
                                 << "44"
                                 << "ID_end_10" << 44;
    QTest::newRow("unit end") << "txtUnitEnd"
                              << "21"
                              << "eh_end" << 21;
}

void tst_messwert_def::okTakesValidBoxes() {
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, field);
    QFETCH(int, expected);
    Fixture f;
    messwert_def window(f.controller);
    window.show();
    auto* edit = child<QLineEdit>(&window, box);
    QVERIFY(edit);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), typed);
    press(&window, QStringLiteral("cmdOK"));
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QVERIFY(!window.isVisible());
    QCOMPARE(int(positionField(f.controller.settings(), field)), expected);
}

void tst_messwert_def::okTakesRecordTextsAsTyped() {
    Fixture f;
    messwert_def window(f.controller);
    child<QLineEdit>(&window, QStringLiteral("txt_reclen"))->setText(QStringLiteral("2x"));
    child<QLineEdit>(&window, QStringLiteral("txt_endchar"))->setText(QStringLiteral(" 13"));
    press(&window, QStringLiteral("cmdOK"));
    QCOMPARE(f.controller.settings().str_len, QStringLiteral("2x"));
    QCOMPARE(f.controller.settings().str_endchar, QStringLiteral(" 13"));
}

void tst_messwert_def::cancelKeepsMarkedPositions() {
    Fixture f;
    f.controller.settings().mw_start = 1;
    f.controller.settings().mw_end = 2;
    f.controller.settings().str_len = QStringLiteral("22");
    messwert_def window(f.controller);
    window.show();
    selectInSample(&window, Record, 10, 6);
    press(&window, QStringLiteral("cmdMesswert"));
    child<QLineEdit>(&window, QStringLiteral("txtSignStart"))->setText(QStringLiteral("3"));
    child<QLineEdit>(&window, QStringLiteral("txt_reclen"))->setText(QStringLiteral("30"));
    press(&window, QStringLiteral("cmdCancel"));

    QCOMPARE(window.result(), int(QDialog::Rejected));
    QVERIFY(!window.isVisible());
    QCOMPARE(f.controller.settings().mw_start, 11);
    QCOMPARE(f.controller.settings().mw_end, 16);
    QCOMPARE(f.controller.settings().mw_sign_anf, 7);
    QCOMPARE(f.controller.settings().str_len, QStringLiteral("22"));
}

void tst_messwert_def::okGoesOnToOutputDefinition_data() {
    QTest::addColumn<QString>("tag");
    QTest::addColumn<int>("opened");
    QTest::newRow("setup assistant") << "select_target" << 1;
    QTest::newRow("menu") << "" << 0;
    QTest::newRow("other tag") << "select_settings" << 0;
}

void tst_messwert_def::okGoesOnToOutputDefinition() {
    QFETCH(QString, tag);
    QFETCH(int, opened);
    Fixture f;
    messwert_def window(f.controller);
    window.setTag(tag);
    window.show();
    child<QLineEdit>(&window, QStringLiteral("txtMesswertStart"))->setText(QStringLiteral("5"));
    int calls = 0;
    bool windowWasOpen = true;
    int storedStart = 0;
    window.openOutputDefinition = [&] {
        ++calls;
        windowWasOpen = window.isVisible();
        storedStart = f.controller.settings().mw_start;
    };
    press(&window, QStringLiteral("cmdOK"));
    QCOMPARE(calls, opened);
    if (opened) {
        // The record definition is stored and its window closed before the next step shows.
        QVERIFY(!windowWasOpen);
        QCOMPARE(storedStart, 5);
    }
    QVERIFY(!window.isVisible());
    QCOMPARE(f.controller.settings().mw_start, 5);
}

void tst_messwert_def::serialTestReception_data() {
    QTest::addColumn<int>("reclen");
    QTest::addColumn<QByteArray>("stale");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("one record") << 22 << QByteArray() << Record << Record;
    QTest::newRow("bytes before Start are discarded") << 22 << QByteArray("old data\r\n") << Record << Record;
    QTest::newRow("longer burst than the record length")
        << 22 << QByteArray() << (Record + "ST,GS") << (Record + "ST,GS");
    QTest::newRow("record length shorter than the record") << 10 << QByteArray() << Record << Record;
}

void tst_messwert_def::serialTestReception() {
    QFETCH(int, reclen);
    QFETCH(QByteArray, stale);
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, expected);

    PtyPair pair;
    QVERIFY2(pair.ready(), "socat did not report two pseudo-terminals");
    Fixture f(serialKeys(reclen));
    QVERIFY(TestFiles::write(f.folder.file(QStringLiteral("kelvane.ini")),
                             "[ports]\nCOM5=" + pair.programEnd().toLocal8Bit() + "\n"));

    // The main window holds the port until the record definition takes it over.
    f.controller.link().setPortNumber(5);
    QVERIFY2(f.controller.link().openSerial(), qPrintable(f.controller.link().lastError()));
    f.controller.setLinkOnline(true);

    QSerialPort device;
    device.setPortName(pair.deviceEnd());
    QVERIFY(device.open(QIODevice::ReadWrite));

    auto window = std::make_unique<messwert_def>(f.controller);
    window->show();
    QVERIFY(!f.controller.link().isSerialOpen());
    QCOMPARE(f.view.valueText(), QStringLiteral("Offline"));
    QCOMPARE(f.view.statusText(), LanguageText(QStringLiteral("TextMessgeraetInaktiv")));
    QVERIFY(!f.controller.linkOnline());
    QVERIFY(window->ownLink().isSerialOpen());

    if (!stale.isEmpty()) {
        device.write(stale);
        QVERIFY(device.waitForBytesWritten(EventWaitMs));
        QTRY_VERIFY_WITH_TIMEOUT(window->ownLink().serialBytesWaiting() == stale.size(), EventWaitMs);
        // Nothing shows before Start.
        QCOMPARE(sampleBox(window.get())->toPlainText(), QString());
    }

    press(window.get(), QStringLiteral("cmdStart"));
    QVERIFY(!child<QPushButton>(window.get(), QStringLiteral("cmdStart"))->isEnabled());
    QVERIFY(child<QPushButton>(window.get(), QStringLiteral("cmdStop"))->isEnabled());

    // The previews are filled when the reception is complete.
    QSignalSpy filled(child<QLineEdit>(window.get(), QStringLiteral("txtMesswert")), &QLineEdit::textChanged);
    device.write(sent);
    QVERIFY(device.waitForBytesWritten(EventWaitMs));
    QVERIFY(filled.wait(EventWaitMs));

    const QString shown = sampleBox(window.get())->toPlainText();
    QCOMPARE(RecordSample::bytes(shown), expected);
    QCOMPARE(shown.size(), expected.size());
    QVERIFY(shown.endsWith(QStringLiteral(u"\u240D\u240A")) || !expected.endsWith("\r\n"));
    QCOMPARE(boxText(window.get(), QStringLiteral("txtMesswert")), QStringLiteral("012.34"));
    QCOMPARE(boxText(window.get(), QStringLiteral("txtSign")), QStringLiteral("+"));
    QCOMPARE(boxText(window.get(), QStringLiteral("txtUnit")), QStringLiteral("g "));
    QCOMPARE(boxText(window.get(), QStringLiteral("txtStable")), QStringLiteral("g "));
    // ID previews follow the settings, not the boxes.
    QCOMPARE(boxText(window.get(), QStringLiteral("txtID1")), QStringLiteral("GS"));
    QCOMPARE(boxText(window.get(), QStringLiteral("txtID2")), QString());

    // Marking on the received sample.
    QTextCursor cursor = sampleBox(window.get())->textCursor();
    cursor.setPosition(6);
    cursor.setPosition(7, QTextCursor::KeepAnchor);
    sampleBox(window.get())->setTextCursor(cursor);
    press(window.get(), QStringLiteral("cmdSign"));
    QCOMPARE(f.controller.settings().mw_sign_anf, 7);

    // Closing the window releases the port: the main link can open it again.
    press(window.get(), QStringLiteral("cmdCancel"));
    QVERIFY(!window->ownLink().isSerialOpen());
    QVERIFY(f.controller.link().openSerial());
    f.controller.link().closeSerial();
}

void tst_messwert_def::tcpTestReception() {
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    Fixture f("[Port settings]\nportnum=TCP/IP\ntcpip=127.0.0.1\ntcpport=" +
              QByteArray::number(server.serverPort()) + "\n");
    f.controller.link().receiveBuffer().clear();

    QSignalSpy connections(&server, &QTcpServer::newConnection);
    messwert_def window(f.controller);
    window.show();
    // Opening the window connects its own socket.
    QVERIFY(connections.wait(EventWaitMs));
    std::unique_ptr<QTcpSocket> first(server.nextPendingConnection());
    QVERIFY(first);
    QSignalSpy firstClosed(first.get(), &QTcpSocket::disconnected);

    press(&window, QStringLiteral("cmdStart"));
    QVERIFY(!child<QPushButton>(&window, QStringLiteral("cmdStart"))->isEnabled());
    // Start closes the socket and connects again.
    QVERIFY(firstClosed.count() > 0 || firstClosed.wait(EventWaitMs));
    QVERIFY(server.hasPendingConnections() || connections.wait(EventWaitMs));
    std::unique_ptr<QTcpSocket> device(server.nextPendingConnection());
    QVERIFY(device);

    QSignalSpy shown(sampleBox(&window), &QPlainTextEdit::textChanged);
    device->write(Record.left(10));
    QVERIFY(shown.wait(EventWaitMs));
    QCOMPARE(RecordSample::bytes(sampleBox(&window)->toPlainText()), Record.left(10));
    // The buffer is not emptied: the sample box shows everything since.
    device->write(Record.mid(10));
    QTRY_COMPARE_WITH_TIMEOUT(RecordSample::bytes(sampleBox(&window)->toPlainText()), Record, EventWaitMs);
    QCOMPARE(f.controller.link().receiveBuffer(), Record);

    selectInSample(&window, Record, 17, 2);
    press(&window, QStringLiteral("cmdUnit"));
    QCOMPARE(f.controller.settings().eh_start, 18);
    QCOMPARE(f.controller.settings().eh_end, 19);

    // Stop closes the window's socket even though the device never closes its end.
    QSignalSpy deviceClosed(device.get(), &QTcpSocket::disconnected);
    press(&window, QStringLiteral("cmdStop"));
    QCOMPARE(window.ownLink().socketState(), int(DeviceLink::Closed));
    QVERIFY(child<QPushButton>(&window, QStringLiteral("cmdStart"))->isEnabled());
    QVERIFY(!child<QPushButton>(&window, QStringLiteral("cmdStop"))->isEnabled());
    QVERIFY(deviceClosed.count() > 0 || deviceClosed.wait(EventWaitMs));
}

QTEST_MAIN(tst_messwert_def)
#include "tst_messwert_def.moc"
