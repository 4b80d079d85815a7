// The hotkey table window.

#include "core/MainController.h"
#include "language/LanguageTable.h"
#include "settings/ConfigurationFile.h"
#include "settings/IniDocument.h"
#include "support/ProgramFolder.h"
#include "support/RecordingMainView.h"
#include "support/ScriptedDialogs.h"
#include "triggers/actionkey_def.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {

const QStringList FirstKeys = {"CTRL", "ALT", "SHIFT", "ESC", "PRINT", "F1",  "F2",  "F3", "F4",
                               "F5",   "F6",  "F7",    "F8",  "F9",    "F10", "F11", "F12"};
const QStringList ThirdKeys = {"F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12"};

// Port 99 names a serial device that does not exist, so nothing touches real hardware.
const QByteArray Table = "[Port settings]\nportnum=99\n[Hotkeys]\n"
                         "key0=F9,,,x0\n"
                         "key1=CTRL,ALT,F1,x1\n"
                         "key2=,,,\n"
                         "key3=NUM,SHIFT,Q,x3\n"
                         "key4=,,,\n"
                         "key5=,,,\n"
                         "key6=ESC,F12,,x6\n"
                         "key7=PRINT,,F5,x7\n";

struct Fixture {
    explicit Fixture(const QString& language = QStringLiteral("ENGLISH")) : controller(view, dialogs) {
        ConfigurationFile::read(IniDocument::fromBytes(Table), IniDocument(), controller.settings());
        LanguageTable::instance().load(folder.file(QStringLiteral("language.ini")), language);
    }
    ProgramFolder folder;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    MainController controller;
};

QComboBox* combo(QWidget& window, int index) {
    return window.findChild<QComboBox*>(u"Combo1(" + QString::number(index) + u')');
}

QStringList items(const QComboBox* box) {
    QStringList list;
    for (int i = 0; i < box->count(); ++i) {
        list.append(box->itemText(i));
    }
    return list;
}

QString cells(const std::array<QString, Settings::HotkeyCells + 1>& row) {
    return QStringList{row[1], row[2], row[3], row[4]}.join(u'|');
}

} // namespace

class tst_actionkey_def : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captionsFromLanguageFile();
    void rowLabels();
    void keyLists();
    void showsTheTable();
    void okStoresTheBoxes();
    void cancelChangesNothing();
};

void tst_actionkey_def::captionsFromLanguageFile() {
    Fixture f;
    actionkey_def window(f.controller);
    QCOMPARE(window.windowTitle(), LanguageText(QStringLiteral("TextFrmActionKeyDef_Caption")));
    QCOMPARE(window.windowTitle(), QStringLiteral("Hotkeys"));
    const auto label = [&window](const char* name) {
        return window.findChild<QLabel*>(QLatin1String(name))->text();
    };
    QCOMPARE(label("Label1"), QStringLiteral("Button"));
    QCOMPARE(label("Label2"), QStringLiteral("1st key"));
    QCOMPARE(label("Label3"), QStringLiteral("2nd key"));
    QCOMPARE(label("Label6"), QStringLiteral("3rd key"));
    QCOMPARE(window.findChild<QPushButton*>(QStringLiteral("AbbrechenButton"))->text(),
             QStringLiteral("&Cancel"));
    QCOMPARE(window.findChild<QPushButton*>(QStringLiteral("OKButton"))->text(), QStringLiteral("&OK"));

    Fixture german(QStringLiteral("GERMAN"));
    actionkey_def germanWindow(german.controller);
    QCOMPARE(germanWindow.windowTitle(), QStringLiteral("Tastenbelegung"));
    QCOMPARE(germanWindow.findChild<QLabel*>(QStringLiteral("Label6"))->text(), QStringLiteral("3.Taste"));
}

void tst_actionkey_def::rowLabels() {
    Fixture f;
    actionkey_def window(f.controller);
    QStringList labels;
    for (int row = 0; row < actionkey_def::RowCount; ++row) {
        labels.append(window.findChild<QLabel*>(u"lblButton(" + QString::number(row) + u')')->text());
    }
    QCOMPARE(labels, (QStringList{"Send", "T Start", "T Stop", "", "", "", "Offline", "Exit"}));
}

void tst_actionkey_def::keyLists() {
    Fixture f;
    actionkey_def window(f.controller);
    for (int index = 0; index < actionkey_def::ComboCount; ++index) {
        QComboBox* box = combo(window, index);
        QVERIFY(box);
        QCOMPARE(items(box), index < 16 ? FirstKeys : ThirdKeys);
    }
    QVERIFY(!combo(window, actionkey_def::ComboCount));
}

void tst_actionkey_def::showsTheTable() {
    Fixture f;
    actionkey_def window(f.controller);
    const auto shown = [&window](int row) {
        return QStringList{combo(window, row)->currentText(), combo(window, row + 8)->currentText(),
                           combo(window, row + 16)->currentText()}
            .join(u'|');
    };
    QCOMPARE(shown(0), QStringLiteral("F9||"));
    QCOMPARE(shown(1), QStringLiteral("CTRL|ALT|F1"));
    QCOMPARE(shown(2), QStringLiteral("||"));
    // Names outside the lists are shown as they are stored.
    QCOMPARE(shown(3), QStringLiteral("NUM|SHIFT|Q"));
    QCOMPARE(shown(6), QStringLiteral("ESC|F12|"));
    QCOMPARE(shown(7), QStringLiteral("PRINT||F5"));
}

void tst_actionkey_def::okStoresTheBoxes() {
    Fixture f;
    actionkey_def window(f.controller);
    combo(window, 2)->setCurrentIndex(FirstKeys.indexOf(QStringLiteral("SHIFT")));
    combo(window, 2 + 8)->setCurrentIndex(FirstKeys.indexOf(QStringLiteral("F3")));
    combo(window, 2 + 16)->setCurrentIndex(ThirdKeys.indexOf(QStringLiteral("F11")));
    combo(window, 0)->setEditText(QString());
    window.findChild<QPushButton*>(QStringLiteral("OKButton"))->click();

    const Settings& s = f.controller.settings();
    QCOMPARE(cells(s.Hotkeys[0]), QStringLiteral("|||x0"));
    QCOMPARE(cells(s.Hotkeys[1]), QStringLiteral("CTRL|ALT|F1|x1"));
    QCOMPARE(cells(s.Hotkeys[2]), QStringLiteral("SHIFT|F3|F11|"));
    QCOMPARE(cells(s.Hotkeys[3]), QStringLiteral("NUM|SHIFT|Q|x3"));
    QCOMPARE(cells(s.Hotkeys[7]), QStringLiteral("PRINT||F5|x7"));
    QCOMPARE(window.result(), int(QDialog::Accepted));
}

void tst_actionkey_def::cancelChangesNothing() {
    Fixture f;
    const auto before = f.controller.settings().Hotkeys;
    actionkey_def window(f.controller);
    combo(window, 1)->setCurrentIndex(FirstKeys.indexOf(QStringLiteral("ESC")));
    window.findChild<QPushButton*>(QStringLiteral("AbbrechenButton"))->click();
    QVERIFY(f.controller.settings().Hotkeys == before);
    QCOMPARE(window.result(), int(QDialog::Rejected));
}

QTEST_MAIN(tst_actionkey_def)
#include "tst_actionkey_def.moc"
