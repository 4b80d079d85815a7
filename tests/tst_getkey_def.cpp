#include "core/MainController.h"
#include "input/getButtonText.h"
#include "input/getkey_def.h"
#include "language/LanguageTable.h"
#include "settings/ConfigurationFile.h"
#include "settings/IniDocument.h"
#include "support/ModalAnswer.h"
#include "support/ProgramFolder.h"
#include "support/RecordingMainView.h"
#include "support/ScriptedDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

using Row = std::array<QString, Settings::ActionCells + 1>;

const QStringList FirstKeys = {"CTRL", "ALT", "SHIFT", "ESC", "PRINT", "F1",  "F2",  "F3", "F4",
                               "F5",   "F6",  "F7",    "F8",  "F9",    "F10", "F11", "F12"};
const QStringList ThirdKeys = {"F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12"};

// Port 99 names a serial device that does not exist, so nothing touches real hardware.
const QByteArray Table = "[Port settings]\nportnum=99\n[Action]\n"
                         "key0=CTRL,ALT,F1,ESCT,Tarieren,1\n"
                         "key1=SHIFT,,F12,ESCP,Drucken,0\n"
                         "key2=,,,,,\n"
                         "key3=PRINT,F5,F7,xESCy,Befehl 4,1\n"
                         "key4=NUM,CTRL,Q,ESCK,Kalibrieren,\n"
                         "key5=,,,,,\n"
                         "key6=,,,,,\n"
                         "key7=ESC,F11,F2,ESCS,Send,1\n";

struct Fixture {
    explicit Fixture(const QByteArray& keys = Table) : controller(view, dialogs) {
        ConfigurationFile::read(IniDocument::fromBytes(keys), IniDocument(), controller.settings());
        LanguageTable::instance().load(folder.file(QStringLiteral("language.ini")),
                                       QStringLiteral("ENGLISH"));
        for (int button = 9; button <= 16; ++button) {
            view.setButtonCaption(button, QStringLiteral("old %1").arg(button));
        }
    }
    ProgramFolder folder;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    MainController controller;
};

// Cells 1 to 6 of a row, joined for readable comparisons.
QString cells(const Row& row) {
    QStringList list;
    for (int cell = 1; cell <= Settings::ActionCells; ++cell) {
        list.append(row[cell]);
    }
    return list.join(u'|');
}

template <typename T> T* control(QWidget* window, const char* name, int index) {
    return window->findChild<T*>(QLatin1String(name) + u'(' + QString::number(index) + u')');
}

QComboBox* combo(QWidget* window, int index) {
    return control<QComboBox>(window, "Combo1", index);
}

QStringList items(const QComboBox* box) {
    QStringList list;
    for (int i = 0; i < box->count(); ++i) {
        list.append(box->itemText(i));
    }
    return list;
}

// Changes the caption of Command1(row) through the button caption window.
bool renameButton(getkey_def& window, int row, const QString& caption, bool confirm) {
    QString shownCaption;
    ModalAnswer answer([&](QWidget* dialog) {
        auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("Text1"));
        if (!field) {
            dialog->close();
            return;
        }
        shownCaption = field->text();
        field->setText(caption);
        auto* button = dialog->findChild<QPushButton*>(confirm ? QStringLiteral("OKButton")
                                                               : QStringLiteral("CancelButton"));
        if (button) {
            button->click();
        } else {
            dialog->close();
        }
    });
    const QString before = control<QPushButton>(&window, "Command1", row)->text();
    control<QPushButton>(&window, "Command1", row)->click();
    return answer.answered() && answer.windowClass() == QLatin1String("getButtonText") &&
           shownCaption == before;
}

} // namespace

class tst_getkey_def : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captionsFromLanguage();
    void choiceLists();
    void fillsFromTable();
    void checkFromCell6_data();
    void checkFromCell6();
    void freshConfigurationHasEmptyCaptions();
    void okStoresAllCellsAndCaptions();
    void buttonCaptionWindow_data();
    void buttonCaptionWindow();
    void cancelLeavesTableAndCaptions();
};

void tst_getkey_def::captionsFromLanguage() {
    Fixture f;
    getkey_def window(f.controller);
    QVERIFY(window.isModal());
    QCOMPARE(window.windowTitle(), LanguageText(QStringLiteral("TextFrmGetKeyDef_Caption")));
    QVERIFY(window.windowTitle() != QLatin1String("Datenanforderung/Befehle"));
    const QList<QPair<const char*, const char*>> labels = {
        {"Label1", "TextFrmGetKeyDef_Label1Caption"}, {"Label2", "TextFrmGetKeyDef_Label2Caption"},
        {"Label3", "TextFrmGetKeyDef_Label3Caption"}, {"Label4", "TextFrmGetKeyDef_Label4Caption"},
        {"Label5", "TextFrmGetKeyDef_Label5Caption"}, {"Label6", "TextFrmGetKeyDef_Label6Caption"}};
    for (const auto& [name, key] : labels) {
        auto* label = window.findChild<QLabel*>(QLatin1String(name));
        QVERIFY2(label, name);
        QCOMPARE(label->text(), LanguageText(QLatin1String(key)));
        QVERIFY(label->text() != QLatin1String(key));
    }
    auto* frame = window.findChild<QGroupBox*>(QStringLiteral("Frame1"));
    QVERIFY(frame);
    QCOMPARE(frame->title(), QString());
    auto* close = window.findChild<QPushButton*>(QStringLiteral("cmdclose"));
    QVERIFY(close);
    QCOMPARE(close->text(), LanguageText(QStringLiteral("TextFrmGetKey_cmdcloseCaption")));
    QVERIFY(close->text() != QLatin1String("&Abbrechen"));
    auto* ok = window.findChild<QPushButton*>(QStringLiteral("Command2"));
    QVERIFY(ok);
    QCOMPARE(ok->text(), QStringLiteral("&OK"));
}

void tst_getkey_def::choiceLists() {
    Fixture f;
    getkey_def window(f.controller);
    for (int index = 0; index < 24; ++index) {
        QComboBox* box = combo(&window, index);
        QVERIFY2(box, qPrintable(QString::number(index)));
        QCOMPARE(items(box), index < 16 ? FirstKeys : ThirdKeys);
    }
    QVERIFY(!combo(&window, 24));
}

void tst_getkey_def::fillsFromTable() {
    Fixture f;
    getkey_def window(f.controller);
    const Settings& settings = f.controller.settings();
    for (int row = 0; row < 8; ++row) {
        const Row& cells = settings.Action[row];
        QCOMPARE(combo(&window, row)->currentText(), cells[1]);
        QCOMPARE(combo(&window, row + 8)->currentText(), cells[2]);
        QCOMPARE(combo(&window, row + 16)->currentText(), cells[3]);
        QCOMPARE(control<QLineEdit>(&window, "Text4", row)->text(), cells[4]);
        QCOMPARE(control<QPushButton>(&window, "Command1", row)->text(), cells[5]);
    }
    // Spot checks against the file, so that a wrongly parsed table cannot pass unnoticed.
    QCOMPARE(combo(&window, 3)->currentText(), QStringLiteral("PRINT"));
    QCOMPARE(combo(&window, 3)->currentIndex(), 4);
    QCOMPARE(combo(&window, 11)->currentText(), QStringLiteral("F5"));
    QCOMPARE(combo(&window, 19)->currentText(), QStringLiteral("F7"));
    QCOMPARE(combo(&window, 9)->currentText(), QString());
    // A key name outside the lists is shown as it stands.
    QCOMPARE(combo(&window, 4)->currentText(), QStringLiteral("NUM"));
    QCOMPARE(combo(&window, 20)->currentText(), QStringLiteral("Q"));
    QCOMPARE(control<QLineEdit>(&window, "Text4", 3)->text(), QStringLiteral("xESCy"));
    QCOMPARE(control<QPushButton>(&window, "Command1", 0)->text(), QStringLiteral("Tarieren"));
    QCOMPARE(control<QPushButton>(&window, "Command1", 5)->text(), QString());
    QCOMPARE(control<QPushButton>(&window, "Command1", 7)->text(), QStringLiteral("Send"));
}

void tst_getkey_def::checkFromCell6_data() {
    QTest::addColumn<QString>("cell");
    QTest::addColumn<bool>("checked");
    QTest::newRow("1") << "1" << true;
    QTest::newRow("0") << "0" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blanks around 1") << " 1 " << true;
    QTest::newRow("2") << "2" << false;
    QTest::newRow("-1") << "-1" << false;
    QTest::newRow("text") << "ja" << false;
}

void tst_getkey_def::checkFromCell6() {
    QFETCH(QString, cell);
    QFETCH(bool, checked);
    Fixture f;
    f.controller.settings().Action[6][6] = cell;
    f.controller.settings().Action[0][6] = QStringLiteral("1");
    getkey_def window(f.controller);
    QCOMPARE(control<QCheckBox>(&window, "Check1", 6)->isChecked(), checked);
    QVERIFY(control<QCheckBox>(&window, "Check1", 0)->isChecked());
}

void tst_getkey_def::freshConfigurationHasEmptyCaptions() {
    Fixture f("[Port settings]\nportnum=99\n");
    getkey_def window(f.controller);
    for (int row = 0; row < 8; ++row) {
        QCOMPARE(control<QPushButton>(&window, "Command1", row)->text(), QString());
        QVERIFY(!control<QCheckBox>(&window, "Check1", row)->isChecked());
        QCOMPARE(control<QLineEdit>(&window, "Text4", row)->text(), f.controller.settings().Action[row][4]);
    }
}

void tst_getkey_def::okStoresAllCellsAndCaptions() {
    Fixture f;
    getkey_def window(f.controller);
    window.show();

    combo(&window, 2)->setCurrentIndex(1);
    combo(&window, 10)->setCurrentText(QStringLiteral("F4"));
    combo(&window, 18)->setEditText(QStringLiteral("XYZ"));
    control<QLineEdit>(&window, "Text4", 2)->setText(QStringLiteral("ESCZ"));
    control<QCheckBox>(&window, "Check1", 2)->setChecked(true);
    control<QCheckBox>(&window, "Check1", 0)->setChecked(false);
    QVERIFY(renameButton(window, 2, QStringLiteral("Null"), true));
    QCOMPARE(control<QPushButton>(&window, "Command1", 2)->text(), QStringLiteral("Null"));
    // The table changes only on OK.
    QCOMPARE(f.controller.settings().Action[2][5], QString());

    window.findChild<QPushButton*>(QStringLiteral("Command2"))->click();
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QVERIFY(!window.isVisible());

    const Settings& settings = f.controller.settings();
    QCOMPARE(cells(settings.Action[2]), QStringLiteral("ALT|F4|XYZ|ESCZ|Null|1"));
    QCOMPARE(cells(settings.Action[0]), QStringLiteral("CTRL|ALT|F1|ESCT|Tarieren|0"));
    QCOMPARE(cells(settings.Action[1]), QStringLiteral("SHIFT||F12|ESCP|Drucken|0"));
    QCOMPARE(cells(settings.Action[3]), QStringLiteral("PRINT|F5|F7|xESCy|Befehl 4|1"));
    QCOMPARE(cells(settings.Action[4]), QStringLiteral("NUM|CTRL|Q|ESCK|Kalibrieren|0"));
    QCOMPARE(cells(settings.Action[5]), QStringLiteral("|||||0"));
    QCOMPARE(cells(settings.Action[7]), QStringLiteral("ESC|F11|F2|ESCS|Send|1"));

    const QStringList captions = {"Tarieren", "Drucken", "Null", "Befehl 4", "Kalibrieren", "", "", "Send"};
    for (int row = 0; row < 8; ++row) {
        QCOMPARE(f.view.buttonCaption(row + 9), captions.at(row));
    }
}

void tst_getkey_def::buttonCaptionWindow_data() {
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QString>("expected");
    QTest::newRow("OK") << true << "Tara neu";
    QTest::newRow("Cancel") << false << "Befehl 4";
}

void tst_getkey_def::buttonCaptionWindow() {
    QFETCH(bool, confirm);
    QFETCH(QString, expected);
    Fixture f;
    getkey_def window(f.controller);
    window.show();

    QString label;
    QString cancel;
    QString title;
    QString shown;
    ModalAnswer answer([&](QWidget* dialog) {
        title = dialog->windowTitle();
        if (auto* l = dialog->findChild<QLabel*>(QStringLiteral("Label1"))) {
            label = l->text();
        }
        if (auto* c = dialog->findChild<QPushButton*>(QStringLiteral("CancelButton"))) {
            cancel = c->text();
        }
        auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("Text1"));
        auto* button = dialog->findChild<QPushButton*>(confirm ? QStringLiteral("OKButton")
                                                               : QStringLiteral("CancelButton"));
        if (!field || !button) {
            dialog->close();
            return;
        }
        shown = field->text();
        field->setText(QStringLiteral("Tara neu"));
        button->click();
    });
    control<QPushButton>(&window, "Command1", 3)->click();
    QVERIFY(answer.answered());
    QCOMPARE(answer.windowClass(), QStringLiteral("getButtonText"));
    QCOMPARE(title, QStringLiteral("Button Text"));
    QCOMPARE(label, LanguageText(QStringLiteral("TextFrmGetButtonText_Label1Caption")));
    QCOMPARE(cancel, LanguageText(QStringLiteral("TextFrmGetButtonText_CancelCaption")));
    QVERIFY(cancel != QLatin1String("TextFrmGetButtonText_CancelCaption"));
    QCOMPARE(shown, QStringLiteral("Befehl 4"));
    QCOMPARE(control<QPushButton>(&window, "Command1", 3)->text(), expected);
    // Neither the table nor the main window follow before OK in the command window.
    QCOMPARE(f.controller.settings().Action[3][5], QStringLiteral("Befehl 4"));
    QCOMPARE(f.view.buttonCaption(12), QStringLiteral("old 12"));
    QVERIFY(window.isVisible());
}

void tst_getkey_def::cancelLeavesTableAndCaptions() {
    Fixture f;
    const auto before = f.controller.settings().Action;
    getkey_def window(f.controller);
    window.show();
    QVERIFY(renameButton(window, 3, QStringLiteral("Anders"), true));
    QCOMPARE(control<QPushButton>(&window, "Command1", 3)->text(), QStringLiteral("Anders"));
    control<QLineEdit>(&window, "Text4", 3)->setText(QStringLiteral("ESCQ"));
    combo(&window, 3)->setCurrentText(QStringLiteral("F9"));
    control<QCheckBox>(&window, "Check1", 3)->setChecked(false);

    window.findChild<QPushButton*>(QStringLiteral("cmdclose"))->click();
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QVERIFY(!window.isVisible());
    QVERIFY(f.controller.settings().Action == before);
    for (int button = 9; button <= 16; ++button) {
        QCOMPARE(f.view.buttonCaption(button), QStringLiteral("old %1").arg(button));
    }
}

QTEST_MAIN(tst_getkey_def)
#include "tst_getkey_def.moc"
