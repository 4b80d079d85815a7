#include "core/MainController.h"
#include "input/format_def.h"
#include "language/LanguageTable.h"
#include "settings/ConfigurationFile.h"
#include "settings/IniDocument.h"
#include "support/ModalAnswer.h"
#include "support/ProgramFolder.h"
#include "support/RecordingMainView.h"
#include "support/ScriptedDialogs.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <memory>

namespace {

// Port 99 names a serial device that does not exist, so nothing touches real hardware.
const QByteArray Base = "[Port settings]\nportnum=99\n";

struct Fixture {
    explicit Fixture(const QByteArray& keys = {}) : controller(view, dialogs) {
        ConfigurationFile::read(IniDocument::fromBytes(Base + keys), IniDocument(), controller.settings());
        LanguageTable::instance().load(folder.file(QStringLiteral("language.ini")),
                                       QStringLiteral("ENGLISH"));
    }
    ProgramFolder folder;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    MainController controller;
};

template <typename T> T* child(QWidget* window, const QString& name) {
    return window->findChild<T*>(name);
}

QRadioButton* modus(QWidget* window, int index) {
    return child<QRadioButton>(window, QStringLiteral("modus(%1)").arg(index));
}

QRadioButton* separator(QWidget* window, int index) {
    return child<QRadioButton>(window, QStringLiteral("Option1(%1)").arg(index));
}

QLineEdit* box(QWidget* window, const char* name) {
    return child<QLineEdit>(window, QLatin1String(name));
}

QPushButton* button(QWidget* window, const char* name) {
    return child<QPushButton>(window, QLatin1String(name));
}

// Replaces the whole text of a box by typing, key by key, as a user does.
void retype(QLineEdit* edit, const QString& typed) {
    edit->selectAll();
    if (typed.isEmpty()) {
        QTest::keyClick(edit, Qt::Key_Backspace);
    } else {
        QTest::keyClicks(edit, typed);
    }
}

// Answers every modal window that appears while it lives, for clicks that must not open one;
// one that did is closed so the test fails instead of hanging.
class UnexpectedModal {
public:
    UnexpectedModal()
        : m_seen(std::make_shared<QString>()), m_live(std::make_shared<bool>(true)),
          m_answer([seen = m_seen, live = m_live](QWidget* modal) {
              if (*live) {
                  *seen = QString::fromLatin1(modal->metaObject()->className());
                  modal->close();
              }
          }) {}
    ~UnexpectedModal() { *m_live = false; }
    QString seen() const { return *m_seen; }

private:
    std::shared_ptr<QString> m_seen;
    std::shared_ptr<bool> m_live;
    ModalAnswer m_answer;
};

} // namespace

class tst_format_def : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captionsFromLanguage_data();
    void captionsFromLanguage();
    void loadShowsSettings_data();
    void loadShowsSettings();
    void modeWrittenAtOnce_data();
    void modeWrittenAtOnce();
    void optionsWrittenAtOnce_data();
    void optionsWrittenAtOnce();
    void toleranceRules_data();
    void toleranceRules();
    void okStoresBoxes_data();
    void okStoresBoxes();
    void okSelectsApplication_data();
    void okSelectsApplication();
    void cancelDiscardsBoxes();
    void timerWindowOnlyInTimerMode_data();
    void timerWindowOnlyInTimerMode();
    void outputDefinitionWindow_data();
    void outputDefinitionWindow();
    void commandWindow();
    void targetButton();
    void hotkeyButton();
    void buttonsWithoutWindowsAreDisabled();
};

void tst_format_def::captionsFromLanguage_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("designed");
    QTest::newRow("modus(0)") << "modus(0)"
                              << "TextFrmFormatDef_Modus0Caption"
                              << "Hotkey/Taste";
    QTest::newRow("modus(1)") << "modus(1)"
                              << "TextFrmFormatDef_Modus1Caption"
                              << "manuell";
    QTest::newRow("modus(2)") << "modus(2)"
                              << "TextFrmFormatDef_Modus2Caption"
                              << "Timer";
    QTest::newRow("Frame1") << "Frame1"
                            << "TextFrmFormatDef_Frame1Caption"
                            << "Messwerttoleranzen";
    QTest::newRow("Label3") << "Label3"
                            << "TextFrmFormatDef_Label3Caption"
                            << "OTG";
    QTest::newRow("Label2") << "Label2"
                            << "TextFrmFormatDef_Label2Caption"
                            << "UTG:";
    QTest::newRow("Frame3") << "Frame3"
                            << "TextFrmFormatDef_Frame3Caption"
                            << "Datenübernahme";
    QTest::newRow("stillstand") << "stillstand"
                                << "TextFrmFormatDef_StillstandCaption"
                                << "bei Stillstand";
    QTest::newRow("entlastung") << "entlastung"
                                << "TextFrmFormatDef_EntlastungCaption"
                                << "nach Entlastung";
    QTest::newRow("Frame2") << "Frame2"
                            << "TextFrmFormatDef_Frame2Caption"
                            << "Dezimalzeichen";
    QTest::newRow("Option1(0)") << "Option1(0)"
                                << "TextFrmFormatDef_Option0Caption"
                                << "Komma";
    QTest::newRow("Option1(1)") << "Option1(1)"
                                << "TextFrmFormatDef_Option1Caption"
                                << "Punkt";
    QTest::newRow("Frame4") << "Frame4"
                            << "TextFrmFormatDef_AusgabeCaption"
                            << "Datenausgabe";
    QTest::newRow("Frame5") << "Frame5"
                            << "TextFrmFormatDef_Label1Caption"
                            << "Ziel";
    QTest::newRow("Frame6") << "Frame6"
                            << "TextFrmFormatdef_OptionenCaption"
                            << "Optionen";
    QTest::newRow("cmdBefehle") << "cmdBefehle"
                                << "TextCommandButton_Caption"
                                << "&Befehle";
    QTest::newRow("Command3") << "Command3"
                              << "TextCancelFormatButton_Caption"
                              << "Abb&rechen";
    // Controls without a language text keep their designed captions.
    QTest::newRow("mode") << "mode"
                          << ""
                          << "Mode";
    QTest::newRow("cmdHotkey") << "cmdHotkey"
                               << ""
                               << "...";
    QTest::newRow("Command2") << "Command2"
                              << ""
                              << "...";
    QTest::newRow("Command1") << "Command1"
                              << ""
                              << "...";
    QTest::newRow("ok") << "ok"
                        << ""
                        << "&OK";
}

void tst_format_def::captionsFromLanguage() {
    QFETCH(QString, control);
    QFETCH(QString, key);
    QFETCH(QString, designed);
    Fixture f;
    format_def window(f.controller);
    QVERIFY(window.isModal());
    QCOMPARE(window.windowTitle(), LanguageText(QStringLiteral("TextFrmFormatDef_Caption")));
    QCOMPARE(window.windowTitle(), QStringLiteral("Transfer"));

    QWidget* widget = window.findChild<QWidget*>(control);
    QVERIFY2(widget, qPrintable(control));
    QString caption;
    if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
        caption = frame->title();
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        caption = label->text();
    } else if (auto* abstractButton = qobject_cast<QAbstractButton*>(widget)) {
        caption = abstractButton->text();
    } else {
        QFAIL("control without a caption");
    }
    if (key.isEmpty()) {
        QCOMPARE(caption, designed);
    } else {
        QCOMPARE(caption, LanguageText(key));
        // A key missing from the file would show the key itself.
        QVERIFY(caption != key);
    }
}

void tst_format_def::loadShowsSettings_data() {
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("decimal");
    QTest::addColumn<bool>("stable");
    QTest::addColumn<bool>("unloading");

    QTest::newRow("hotkey, comma, both") << QByteArray("[Mode]\nmodus=HOTKEY\n[Dezimaltrennzeichen]\nTRZ=0\n"
                                                       "[Stillstand]\nstillstand=True\n[Entlastung]\n"
                                                       "entlastung=True\n")
                                         << 0 << 0 << true << true;
    QTest::newRow("print, point, stable only")
        << QByteArray("[Mode]\nmodus=PRINT\n[Dezimaltrennzeichen]\nTRZ=1\n[Stillstand]\nstillstand=True\n"
                      "[Entlastung]\nentlastung=False\n")
        << 1 << 1 << true << false;
    QTest::newRow("timer, comma, unloading only")
        << QByteArray("[Mode]\nmodus=TIMER\n[Dezimaltrennzeichen]\nTRZ=0\n[Stillstand]\nstillstand=False\n"
                      "[Entlastung]\nentlastung=True\n")
        << 2 << 0 << false << true;
    QTest::newRow("unknown mode selects none")
        << QByteArray("[Mode]\nmodus=print\n[Dezimaltrennzeichen]\nTRZ=1\n[Stillstand]\nstillstand=False\n"
                      "[Entlastung]\nentlastung=False\n")
        << -1 << 1 << false << false;
}

void tst_format_def::loadShowsSettings() {
    QFETCH(QByteArray, keys);
    QFETCH(int, mode);
    QFETCH(int, decimal);
    QFETCH(bool, stable);
    QFETCH(bool, unloading);
    Fixture f(keys + "[Filter]\nOTG=12,5\nUTG=-3\n[Anwendung]\nAnwendung=Editor\nFormat={Messwert}{TAB}\n");
    const Settings before = f.controller.settings();
    format_def window(f.controller);

    for (int index = 0; index < 3; ++index) {
        QCOMPARE(modus(&window, index)->isChecked(), index == mode);
    }
    QCOMPARE(separator(&window, 0)->isChecked(), decimal == 0);
    QCOMPARE(separator(&window, 1)->isChecked(), decimal == 1);
    QCOMPARE(child<QCheckBox>(&window, QStringLiteral("stillstand"))->isChecked(), stable);
    QCOMPARE(child<QCheckBox>(&window, QStringLiteral("entlastung"))->isChecked(), unloading);
    QCOMPARE(box(&window, "OTG")->text(), QStringLiteral("12,5"));
    QCOMPARE(box(&window, "UTG")->text(), QStringLiteral("-3"));
    QCOMPARE(box(&window, "anwendung_set")->text(), QStringLiteral("Editor"));
    QCOMPARE(box(&window, "ausgabe_string")->text(), QStringLiteral("{Messwert}{TAB}"));
    // Opening writes nothing and says nothing.
    const Settings& after = f.controller.settings();
    QCOMPARE(after.modus, before.modus);
    QCOMPARE(after.TRZ, before.TRZ);
    QCOMPARE(after.OTG, before.OTG);
    QVERIFY(f.dialogs.messages.isEmpty());
}

void tst_format_def::modeWrittenAtOnce_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("modeText");
    QTest::addColumn<QString>("buttons"); // enabled state of send, timer start, timer stop
    QTest::newRow("hotkey") << "TIMER" << 0 << "HOTKEY"
                            << "100";
    QTest::newRow("manual") << "HOTKEY" << 1 << "PRINT"
                            << "100";
    QTest::newRow("timer") << "PRINT" << 2 << "TIMER"
                           << "010";
}

void tst_format_def::modeWrittenAtOnce() {
    QFETCH(QString, from);
    QFETCH(int, index);
    QFETCH(QString, modeText);
    QFETCH(QString, buttons);
    Fixture f("[Mode]\nmodus=" + from.toLatin1() + "\n");
    // The opposite of what the choice must leave, so every button is really set.
    for (int b = 1; b <= 3; ++b) {
        f.view.setButtonEnabled(b, buttons.at(b - 1) == u'0');
    }
    format_def window(f.controller);
    window.show();
    modus(&window, index)->click();
    QCOMPARE(f.controller.settings().modus, modeText);
    const QString enabled = QStringLiteral("%1%2%3")
                                .arg(int(f.view.isButtonEnabled(1)))
                                .arg(int(f.view.isButtonEnabled(2)))
                                .arg(int(f.view.isButtonEnabled(3)));
    QCOMPARE(enabled, buttons);

    // Abbrechen keeps the choice and the buttons.
    button(&window, "Command3")->click();
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QCOMPARE(f.controller.settings().modus, modeText);
    QCOMPARE(f.view.isButtonEnabled(2), index == 2);
}

void tst_format_def::optionsWrittenAtOnce_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("expected"); // stillstand entlastung TRZ after the click
    QTest::newRow("stillstand off") << "stillstand"
                                    << "0/1/0";
    QTest::newRow("entlastung off") << "entlastung"
                                    << "1/0/0";
    QTest::newRow("Punkt") << "Option1(1)"
                           << "1/1/1";
    QTest::newRow("Komma again") << "Option1(0)"
                                 << "1/1/0";
}

void tst_format_def::optionsWrittenAtOnce() {
    QFETCH(QString, control);
    QFETCH(QString, expected);
    Fixture f("[Stillstand]\nstillstand=True\n[Entlastung]\nentlastung=True\n[Dezimaltrennzeichen]\nTRZ=0\n");
    format_def window(f.controller);
    window.show();
    if (control == QLatin1String("Option1(0)")) {
        // Komma is already chosen: go to Punkt first, then back.
        separator(&window, 1)->click();
        QCOMPARE(f.controller.settings().TRZ, QStringLiteral("1"));
    }
    child<QAbstractButton>(&window, control)->click();
    const auto state = [&f] {
        const Settings& s = f.controller.settings();
        return QStringLiteral("%1/%2/%3").arg(int(s.stillstand)).arg(int(s.entlastung)).arg(s.TRZ);
    };
    QCOMPARE(state(), expected);
    button(&window, "Command3")->click();
    QCOMPARE(state(), expected);
}

void tst_format_def::toleranceRules_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("messages");
    QTest::newRow("cleared OTG becomes 0") << "OTG"
                                           << ""
                                           << "0" << 0;
    QTest::newRow("cleared UTG becomes 0") << "UTG"
                                           << ""
                                           << "0" << 0;
    QTest::newRow("minus first is refused, -5 kept") << "UTG"
                                                     << "-5"
                                                     << "-5" << 1;
    QTest::newRow("decimal number") << "OTG"
                                    << "12.5"
                                    << "12.5" << 0;
    QTest::newRow("each letter refused") << "OTG"
                                         << "ab"
                                         << "ab" << 2;
    QTest::newRow("number then letter") << "UTG"
                                        << "5x"
                                        << "5x" << 1;
}

void tst_format_def::toleranceRules() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, messages);
    Fixture f("[Filter]\nOTG=100\nUTG=1\n");
    format_def window(f.controller);
    window.show();
    QLineEdit* edit = box(&window, field.toLatin1().constData());
    retype(edit, typed);
    QCOMPARE(edit->text(), shown);
    QCOMPARE(f.dialogs.messages.size(), messages);
    for (const QString& message : std::as_const(f.dialogs.messages)) {
        QCOMPARE(message, LanguageText(QStringLiteral("TextBitteZahlEingeben")));
    }
    // OK stores the text as it stands, without checking it again.
    button(&window, "ok")->click();
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(field == QLatin1String("OTG") ? f.controller.settings().OTG : f.controller.settings().UTG,
             shown);
    QCOMPARE(f.dialogs.messages.size(), messages);
}

void tst_format_def::okStoresBoxes_data() {
    QTest::addColumn<QString>("definition");
    QTest::addColumn<QString>("stored");
    QTest::newRow("angle tokens") << "<Messwert><TAB>"
                                  << "{Messwert}{TAB}";
    QTest::newRow("mixed") << "a<b}{c>d"
                           << "a{b}{c}d";
    QTest::newRow("braces untouched") << "{Einheit};x"
                                      << "{Einheit};x";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_format_def::okStoresBoxes() {
    QFETCH(QString, definition);
    QFETCH(QString, stored);
    Fixture f("[Filter]\nOTG=0\nUTG=0\n[Anwendung]\nAnwendung=alt\nFormat=alt\n");
    format_def window(f.controller);
    window.show();
    box(&window, "OTG")->setText(QStringLiteral("250"));
    box(&window, "UTG")->setText(QStringLiteral("0.5"));
    box(&window, "anwendung_set")->setText(QStringLiteral("Text-Datei"));
    box(&window, "ausgabe_string")->setText(definition);
    // Nothing reaches the settings before OK.
    QCOMPARE(f.controller.settings().OTG, QStringLiteral("0"));
    QCOMPARE(f.controller.settings().Format, QStringLiteral("alt"));

    button(&window, "ok")->click();
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QVERIFY(!window.isVisible());
    const Settings& s = f.controller.settings();
    QCOMPARE(s.OTG, QStringLiteral("250"));
    QCOMPARE(s.UTG, QStringLiteral("0.5"));
    QCOMPARE(s.Anwendung, QStringLiteral("Text-Datei"));
    QCOMPARE(s.Format, stored);
}

void tst_format_def::okSelectsApplication_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("selected");
    QTest::newRow("last entry containing the target wins") << "Editor" << 2;
    QTest::newRow("only one entry") << "Rechner" << 3;
    QTest::newRow("part of a name") << "itor" << 2;
    QTest::newRow("case matters") << "editor" << 1;
    QTest::newRow("entry 0 is not looked at") << "Null" << 1;
    QTest::newRow("no entry keeps the selection") << "Browser" << 1;
}

void tst_format_def::okSelectsApplication() {
    QFETCH(QString, target);
    QFETCH(int, selected);
    Fixture f(
        "[applicationList]\nAppList 0=Null Editor\nAppListExe 0=null\nAppList 1=Editor\nAppListExe 1=ed\n"
        "AppList 2=Notepad Editor\nAppListExe 2=np\nAppList 3=Rechner\nAppListExe 3=calc\n");
    QCOMPARE(f.controller.settings().applicationList.size(), std::size_t(4));
    f.controller.settings().selectedApplication = 1;
    format_def window(f.controller);
    window.show();
    box(&window, "anwendung_set")->setText(target);
    button(&window, "ok")->click();
    QCOMPARE(f.controller.settings().selectedApplication, selected);
}

void tst_format_def::cancelDiscardsBoxes() {
    Fixture f(
        "[Mode]\nmodus=PRINT\n[Filter]\nOTG=10\nUTG=2\n[Anwendung]\nAnwendung=alt\nFormat={Messwert}\n");
    f.controller.settings().selectedApplication = 0;
    format_def window(f.controller);
    window.show();
    box(&window, "OTG")->setText(QStringLiteral("99"));
    box(&window, "UTG")->setText(QStringLiteral("9"));
    box(&window, "anwendung_set")->setText(QStringLiteral("neu"));
    box(&window, "ausgabe_string")->setText(QStringLiteral("<TAB>"));
    modus(&window, 2)->click();

    button(&window, "Command3")->click();
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QVERIFY(!window.isVisible());
    const Settings& s = f.controller.settings();
    QCOMPARE(s.OTG, QStringLiteral("10"));
    QCOMPARE(s.UTG, QStringLiteral("2"));
    QCOMPARE(s.Anwendung, QStringLiteral("alt"));
    QCOMPARE(s.Format, QStringLiteral("{Messwert}"));
    // The mode choice was written at once and stays, with the timer start button enabled.
    QCOMPARE(s.modus, QStringLiteral("TIMER"));
    QVERIFY(f.view.isButtonEnabled(2));
    QVERIFY(!f.view.isButtonEnabled(1));
}

void tst_format_def::timerWindowOnlyInTimerMode_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("opens");
    QTest::newRow("HOTKEY") << "HOTKEY" << false;
    QTest::newRow("PRINT") << "PRINT" << false;
    QTest::newRow("TIMER") << "TIMER" << true;
}

void tst_format_def::timerWindowOnlyInTimerMode() {
    QFETCH(QString, mode);
    QFETCH(bool, opens);
    Fixture f("[Mode]\nmodus=" + mode.toLatin1() + "\n[Anwendung]\nAnwendung=alt\n");
    format_def window(f.controller);
    window.show();
    box(&window, "anwendung_set")->setText(QStringLiteral("getippt"));
    UnexpectedModal answer;
    button(&window, "Command2")->click();
    // The click returns only after a window it opened has closed.
    QCOMPARE(answer.seen(), opens ? QStringLiteral("timer_def") : QString());
    // Back in this window, the target box shows the stored target again.
    QCOMPARE(box(&window, "anwendung_set")->text(),
             opens ? QStringLiteral("alt") : QStringLiteral("getippt"));
    QVERIFY(window.isVisible());
}

void tst_format_def::outputDefinitionWindow_data() {
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QString>("field");
    QTest::newRow("OK copies back") << true << "{Messwert}{TAB}";
    QTest::newRow("Abbrechen changes nothing") << false << "{Messwert}";
}

void tst_format_def::outputDefinitionWindow() {
    QFETCH(bool, confirm);
    QFETCH(QString, field);
    Fixture f("[Anwendung]\nFormat=alt\n");
    format_def window(f.controller);
    window.show();
    box(&window, "ausgabe_string")->setText(QStringLiteral("{Messwert}"));

    QString shown;
    ModalAnswer answer([&](QWidget* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("ausgabe_string"));
        auto* tab = dialog->findChild<QPushButton*>(QStringLiteral("Key_(12)"));
        auto* close = dialog->findChild<QPushButton*>(confirm ? QStringLiteral("Command1")
                                                              : QStringLiteral("Command3"));
        if (!edit || !tab || !close) {
            dialog->close();
            return;
        }
        shown = edit->text();
        tab->click();
        close->click();
    });
    button(&window, "Ausgabe_def")->click();
    QVERIFY(answer.answered());
    QCOMPARE(answer.windowClass(), QStringLiteral("Tasten"));
    QCOMPARE(shown, QStringLiteral("{Messwert}"));
    QCOMPARE(box(&window, "ausgabe_string")->text(), field);
    // The settings follow only with this window's OK.
    QCOMPARE(f.controller.settings().Format, QStringLiteral("alt"));
    button(&window, "ok")->click();
    QCOMPARE(f.controller.settings().Format, field);
}

void tst_format_def::commandWindow() {
    Fixture f;
    format_def window(f.controller);
    window.show();
    ModalAnswer answer([](QWidget* dialog) { dialog->close(); });
    button(&window, "cmdBefehle")->click();
    QVERIFY(answer.answered());
    QCOMPARE(answer.windowClass(), QStringLiteral("getkey_def"));
    QVERIFY(window.isVisible());
}

void tst_format_def::targetButton() {
    Fixture f("[Anwendung]\nAnwendung=alt\n");
    f.view.setValueText(QStringLiteral("12.5"));
    f.view.setUnitText(QStringLiteral("kg"));
    f.view.setSignText(QStringLiteral("-"));
    f.controller.fnUpdateStatus(QStringLiteral("läuft"));
    f.controller.setLinkOnline(true);
    format_def window(f.controller);
    int opened = 0;
    QString valueWhileOpen;
    window.openTarget = [&] {
        ++opened;
        valueWhileOpen = f.view.valueText();
        f.controller.settings().Anwendung = QStringLiteral("Excel-Datei");
    };
    window.show();
    QVERIFY(button(&window, "Command1")->isEnabled());
    box(&window, "anwendung_set")->setText(QStringLiteral("getippt"));
    button(&window, "Command1")->click();

    QCOMPARE(opened, 1);
    QCOMPARE(valueWhileOpen, QStringLiteral("Offline"));
    QCOMPARE(f.view.valueText(), QStringLiteral("Offline"));
    QCOMPARE(f.view.statusText(), QString());
    QCOMPARE(f.view.unitText(), QString());
    QCOMPARE(f.view.signText(), QString());
    // The link itself is not touched.
    QVERIFY(f.controller.linkOnline());
    QCOMPARE(box(&window, "anwendung_set")->text(), QStringLiteral("Excel-Datei"));
}

void tst_format_def::hotkeyButton() {
    Fixture f("[Anwendung]\nAnwendung=alt\n");
    format_def window(f.controller);
    int opened = 0;
    window.openHotkeys = [&] { ++opened; };
    window.show();
    QVERIFY(button(&window, "cmdHotkey")->isEnabled());
    box(&window, "anwendung_set")->setText(QStringLiteral("getippt"));
    button(&window, "cmdHotkey")->click();
    QCOMPARE(opened, 1);
    QCOMPARE(box(&window, "anwendung_set")->text(), QStringLiteral("alt"));
}

void tst_format_def::buttonsWithoutWindowsAreDisabled() {
    Fixture f;
    format_def window(f.controller);
    window.show();
    QVERIFY(!button(&window, "cmdHotkey")->isEnabled());
    QVERIFY(!button(&window, "Command1")->isEnabled());
    QVERIFY(button(&window, "cmdBefehle")->isEnabled());
    QVERIFY(button(&window, "Ausgabe_def")->isEnabled());
}

QTEST_MAIN(tst_format_def)
#include "tst_format_def.moc"
