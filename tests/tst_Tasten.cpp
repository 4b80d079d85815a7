#include "language/LanguageTable.h"
#include "output/Tasten.h"
#include "support/ProgramFolder.h"
#include "support/ScriptedDialogs.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

// Also keeps the titles and default texts of the input boxes.
class PromptDialogs : public ScriptedDialogs {
public:
    std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                    const QString& defaultText) override {
        titles.append(title);
        defaults.append(defaultText);
        return ScriptedDialogs::inputBox(prompt, title, defaultText);
    }
    QStringList titles;
    QStringList defaults;
};

struct Fixture {
    explicit Fixture(const QString& language = QStringLiteral("ENGLISH")) {
        LanguageTable::instance().load(folder.file(QStringLiteral("language.ini")), language);
    }
    ProgramFolder folder;
    PromptDialogs dialogs;
};

QPushButton* button(QWidget* window, const QString& name) {
    return window->findChild<QPushButton*>(name);
}

QLineEdit* field(QWidget* window) {
    return window->findChild<QLineEdit*>(QStringLiteral("ausgabe_string"));
}

QPushButton* key(QWidget* window, int index) {
    return button(window, QStringLiteral("Key_(%1)").arg(index));
}

} // namespace

class tst_Tasten : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captionsFromLanguage_data();
    void captionsFromLanguage();
    void keyButtons_data();
    void keyButtons();
    void dataTokensUseLanguageNames_data();
    void dataTokensUseLanguageNames();
    void tokensGoToTheEndWhereverTheCaret_data();
    void tokensGoToTheEndWhereverTheCaret();
    void promptToken_data();
    void promptToken();
    void clearEmptiesTheField();
    void okAndCancel_data();
    void okAndCancel();
};

void tst_Tasten::captionsFromLanguage_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("key");
    QTest::newRow("Waagenwert") << "Waagenwert"
                                << "TextFrmTasten_MesswertCaption";
    QTest::newRow("einheit") << "einheit"
                             << "TextFrmTasten_EinheitCaption";
    QTest::newRow("Datum") << "Datum"
                           << "TextFrmTasten_DatumCaption";
    QTest::newRow("Uhrzeit") << "Uhrzeit"
                             << "TextFrmTasten_UhrzeitCaption";
    QTest::newRow("del_ausgabe_def") << "del_ausgabe_def"
                                     << "TextFrmTasten_DelAusgabeDefCaption";
    QTest::newRow("Command1") << "Command1"
                              << "TextFrmTasten_OKCaption";
    QTest::newRow("Command3") << "Command3"
                              << "TextFrmTastencmdClose_Caption";
}

void tst_Tasten::captionsFromLanguage() {
    QFETCH(QString, control);
    QFETCH(QString, key);
    Fixture f;
    Tasten window(f.dialogs, {});
    QVERIFY(window.isModal());
    QCOMPARE(window.windowTitle(), QStringLiteral("Output definition"));
    QCOMPARE(window.findChild<QGroupBox*>(QStringLiteral("Frame1"))->title(), QStringLiteral("Keys"));
    QCOMPARE(button(&window, QStringLiteral("Command2"))->text(), QStringLiteral("?"));
    QPushButton* b = button(&window, control);
    QVERIFY2(b, qPrintable(control));
    QCOMPARE(b->text(), LanguageText(key));
    QVERIFY(b->text() != key);
}

void tst_Tasten::keyButtons_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("token");
    QTest::newRow("F1") << 0 << "F1"
                        << "{F1}";
    QTest::newRow("F10") << 9 << "F10"
                         << "{F10}";
    QTest::newRow("F12") << 11 << "F12"
                         << "{F12}";
    QTest::newRow("TAB") << 12 << "TAB"
                         << "{TAB}";
    QTest::newRow("ENTER") << 13 << "ENTER"
                           << "{ENTER}";
    QTest::newRow("BACK") << 14 << "BACK"
                          << "{BS}";
    QTest::newRow("PGUP") << 15 << "PGUP"
                          << "{PGUP}";
    QTest::newRow("PGDN") << 16 << "PGDN"
                          << "{PGDN}";
    QTest::newRow("DEL") << 17 << "DEL"
                         << "{DEL}";
    QTest::newRow("HOME") << 18 << "HOME"
                          << "{HOME}";
    QTest::newRow("END") << 19 << "END"
                         << "{END}";
    QTest::newRow("UP") << 20 << "UP"
                        << "{UP}";
    QTest::newRow("DOWN") << 21 << "DOWN"
                          << "{DOWN}";
    QTest::newRow("LEFT") << 22 << "LEFT"
                          << "{LEFT}";
    QTest::newRow("RIGHT") << 23 << "RIGHT"
                           << "{RIGHT}";
    QTest::newRow("ID_1") << 24 << "ID_1"
                          << "{ID_1}";
    QTest::newRow("ID_2") << 25 << "ID_2"
                          << "{ID_2}";
    QTest::newRow("ID_10") << 33 << "ID_10"
                           << "{ID_10}";
}

void tst_Tasten::keyButtons() {
    QFETCH(int, index);
    QFETCH(QString, caption);
    QFETCH(QString, token);
    // German names, so that an ID button taking the language text would show.
    Fixture f(QStringLiteral("GERMAN"));
    Tasten window(f.dialogs, QStringLiteral("x"));
    QVERIFY(key(&window, index));
    QVERIFY(!key(&window, Tasten::KeyCount));
    QCOMPARE(window.findChildren<QPushButton*>(QRegularExpression(QStringLiteral("^Key_\\(\\d+\\)$"))).size(),
             Tasten::KeyCount);
    QCOMPARE(key(&window, index)->text(), caption);
    key(&window, index)->click();
    QCOMPARE(field(&window)->text(), QStringLiteral("x") + token);
    key(&window, index)->click();
    QCOMPARE(window.definition(), QStringLiteral("x") + token + token);
}

void tst_Tasten::dataTokensUseLanguageNames_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("nameKey");
    for (const char* language : {"GERMAN", "ENGLISH"}) {
        const QString l = QLatin1String(language);
        QTest::addRow("%s value", language) << l << "Waagenwert"
                                            << "TextMesswert";
        QTest::addRow("%s unit", language) << l << "einheit"
                                           << "TextEinheit";
        QTest::addRow("%s date", language) << l << "Datum"
                                           << "TextDatum";
        QTest::addRow("%s time", language) << l << "Uhrzeit"
                                           << "TextUhrzeit";
    }
}

void tst_Tasten::dataTokensUseLanguageNames() {
    QFETCH(QString, language);
    QFETCH(QString, control);
    QFETCH(QString, nameKey);
    Fixture f(language);
    Tasten window(f.dialogs, QStringLiteral("A;"));
    button(&window, control)->click();
    const QString name = LanguageText(nameKey);
    QVERIFY(name != nameKey);
    QCOMPARE(window.definition(), QStringLiteral("A;{") + name + u'}');
}

void tst_Tasten::tokensGoToTheEndWhereverTheCaret_data() {
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("selectionStart");
    QTest::addColumn<int>("selectionLength");
    QTest::newRow("caret at the start") << 0 << -1 << 0;
    QTest::newRow("caret in the middle") << 3 << -1 << 0;
    QTest::newRow("text selected") << 0 << 2 << 4;
}

void tst_Tasten::tokensGoToTheEndWhereverTheCaret() {
    QFETCH(int, caret);
    QFETCH(int, selectionStart);
    QFETCH(int, selectionLength);
    Fixture f;
    Tasten window(f.dialogs, QStringLiteral("{TAB}abc"));
    window.show();
    QLineEdit* edit = field(&window);
    edit->setCursorPosition(caret);
    if (selectionStart >= 0) {
        edit->setSelection(selectionStart, selectionLength);
    }
    key(&window, 13)->click();
    button(&window, QStringLiteral("Waagenwert"))->click();
    QCOMPARE(window.definition(), QStringLiteral("{TAB}abc{ENTER}{Messwert}"));
}

void tst_Tasten::promptToken_data() {
    QTest::addColumn<bool>("cancelled");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("appended");
    QTest::newRow("label") << false << "Charge"
                           << "{?Charge}";
    QTest::newRow("label with blanks") << false << " Los 2 "
                                       << "{? Los 2 }";
    QTest::newRow("empty answer") << false << ""
                                  << "{?}";
    QTest::newRow("cancelled") << true << ""
                               << "{?}";
}

void tst_Tasten::promptToken() {
    QFETCH(bool, cancelled);
    QFETCH(QString, answer);
    QFETCH(QString, appended);
    Fixture f;
    f.dialogs.inputs.push_back(cancelled ? std::nullopt : std::optional<QString>(answer));
    Tasten window(f.dialogs, QStringLiteral("{Messwert}"));
    button(&window, QStringLiteral("Command2"))->click();
    QCOMPARE(f.dialogs.questions, QStringList{LanguageText(QStringLiteral("TextBitteParameterbezEingeben"))});
    QVERIFY(f.dialogs.questions.first() != QLatin1String("TextBitteParameterbezEingeben"));
    QCOMPARE(f.dialogs.titles, QStringList{QStringLiteral("Parameter text")});
    QCOMPARE(f.dialogs.defaults, QStringList{QString()});
    QCOMPARE(window.definition(), QStringLiteral("{Messwert}") + appended);
}

void tst_Tasten::clearEmptiesTheField() {
    Fixture f;
    Tasten window(f.dialogs, QStringLiteral("{Messwert}{TAB}"));
    button(&window, QStringLiteral("del_ausgabe_def"))->click();
    QCOMPARE(window.definition(), QString());
    key(&window, 12)->click();
    QCOMPARE(window.definition(), QStringLiteral("{TAB}"));
}

void tst_Tasten::okAndCancel_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("result");
    QTest::newRow("OK") << "Command1" << int(QDialog::Accepted);
    QTest::newRow("Abbrechen") << "Command3" << int(QDialog::Rejected);
}

void tst_Tasten::okAndCancel() {
    QFETCH(QString, control);
    QFETCH(int, result);
    Fixture f;
    Tasten window(f.dialogs, QStringLiteral("{Messwert}"));
    QCOMPARE(field(&window)->text(), QStringLiteral("{Messwert}"));
    window.show();
    key(&window, 12)->click();
    button(&window, control)->click();
    QCOMPARE(window.result(), result);
    QVERIFY(!window.isVisible());
}

QTEST_MAIN(tst_Tasten)
#include "tst_Tasten.moc"
