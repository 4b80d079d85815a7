#include "core/MainController.h"
#include "output/select_AccessFile.h"
#include "output/select_ExcelFile.h"
#include "output/select_TextFile.h"
#include "support/ProgramFolder.h"
#include "support/RecordingMainView.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

struct Fixture {
    Fixture() : controller(view, dialogs) {
        Settings& s = controller.settings();
        s.ExcelFile = QStringLiteral("/alt/werte.xlsx");
        s.TextFile = QStringLiteral("/alt/werte.txt");
        s.AccessFile = QStringLiteral("/alt/werte.db");
        s.AccessTable = QStringLiteral("Alt");
    }
    ProgramFolder folder;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    MainController controller;
};

// The three windows behind one face, so that one table of cases covers them all.
struct Kind {
    std::function<std::unique_ptr<FileTargetDialog>(MainController&)> make;
    QString caption;
    QString pathField;
    QString Settings::*path;
};

Kind kind(const QString& name) {
    if (name == QLatin1String("select_ExcelFile")) {
        return {[](MainController& c) { return std::make_unique<select_ExcelFile>(c); },
                QStringLiteral("Excel-Datei auswählen"), QStringLiteral("txtExcelFile"),
                &Settings::ExcelFile};
    }
    if (name == QLatin1String("select_TextFile")) {
        return {[](MainController& c) { return std::make_unique<select_TextFile>(c); },
                QStringLiteral("Text-Datei auswählen"), QStringLiteral("txtTextFile"), &Settings::TextFile};
    }
    return {[](MainController& c) { return std::make_unique<select_AccessFile>(c); },
            QStringLiteral("Access-Datei auswählen"), QStringLiteral("txtAccessFile"), &Settings::AccessFile};
}

QPushButton* button(QWidget* window, const char* name) {
    return window->findChild<QPushButton*>(QLatin1String(name));
}

// Creates an SQLite database with the given statements; false (with a warning) on failure.
bool createDatabase(const QString& path, const QStringList& statements) {
    const QString connection = QStringLiteral("tst_FileTargets_create");
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        ok = db.open();
        for (const QString& statement : statements) {
            QSqlQuery query(db);
            if (ok && !query.exec(statement)) {
                qWarning() << statement << query.lastError().text();
                ok = false;
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

QStringList items(const QComboBox* box) {
    QStringList list;
    for (int i = 0; i < box->count(); ++i) {
        list.append(box->itemText(i));
    }
    return list;
}

const QStringList Windows = {QStringLiteral("select_ExcelFile"), QStringLiteral("select_TextFile"),
                             QStringLiteral("select_AccessFile")};

} // namespace

class tst_FileTargets : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void windowShowsCurrentPath_data();
    void windowShowsCurrentPath();
    void openPutsChosenPath_data();
    void openPutsChosenPath();
    void goOnStores_data();
    void goOnStores();
    void cancelSetsFlag_data();
    void cancelSetsFlag();
    void openClearsFlag_data();
    void openClearsFlag();
    void accessListsTables();
    void accessStoresTypedTable();
    void accessTypedPathListsTables();
    void accessFileWithoutTables();
};

void tst_FileTargets::windowShowsCurrentPath_data() {
    QTest::addColumn<QString>("window");
    for (const QString& window : Windows) {
        QTest::newRow(qPrintable(window)) << window;
    }
}

void tst_FileTargets::windowShowsCurrentPath() {
    QFETCH(QString, window);
    Fixture f;
    const Kind k = kind(window);
    auto dialog = k.make(f.controller);
    QCOMPARE(dialog->objectName(), window);
    QCOMPARE(QString::fromLatin1(dialog->metaObject()->className()), window);
    QVERIFY(dialog->isModal());
    QCOMPARE(dialog->windowTitle(), k.caption);
    auto* path = dialog->findChild<QLineEdit*>(k.pathField);
    QVERIFY(path);
    QCOMPARE(path->text(), f.controller.settings().*k.path);
    QCOMPARE(button(dialog.get(), "cmdCancel")->text(), QStringLiteral("Abbrechen"));
    QVERIFY(button(dialog.get(), "cmdOpen"));
    QVERIFY(button(dialog.get(), "cmdGoOn"));
    QVERIFY(!dialog->cancelled());
}

void tst_FileTargets::openPutsChosenPath_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("chosen");
    for (const QString& window : Windows) {
        QTest::addRow("%s chosen", qPrintable(window)) << window << true;
        QTest::addRow("%s dialog cancelled", qPrintable(window)) << window << false;
    }
}

void tst_FileTargets::openPutsChosenPath() {
    QFETCH(QString, window);
    QFETCH(bool, chosen);
    Fixture f;
    const Kind k = kind(window);
    const QString file = f.folder.file(QStringLiteral("neu.dat"));
    f.dialogs.openFiles.push_back(chosen ? std::optional<QString>(file) : std::nullopt);
    const QString before = f.controller.settings().*k.path;
    auto dialog = k.make(f.controller);
    dialog->show();
    button(dialog.get(), "cmdOpen")->click();
    QCOMPARE(f.dialogs.fileDialogs, QStringList{k.caption});
    auto* path = dialog->findChild<QLineEdit*>(k.pathField);
    QCOMPARE(path->text(), chosen ? file : before);
    // The settings follow only on continue.
    QCOMPARE(f.controller.settings().*k.path, before);
    QVERIFY(dialog->isVisible());
}

void tst_FileTargets::goOnStores_data() {
    windowShowsCurrentPath_data();
}

void tst_FileTargets::goOnStores() {
    QFETCH(QString, window);
    Fixture f;
    const Kind k = kind(window);
    auto dialog = k.make(f.controller);
    dialog->show();
    // Paths are not checked: a file that does not exist is stored as typed.
    dialog->findChild<QLineEdit*>(k.pathField)->setText(QStringLiteral("/gibt/es/nicht.x"));
    button(dialog.get(), "cmdGoOn")->click();
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QVERIFY(!dialog->isVisible());
    QVERIFY(!dialog->cancelled());
    QCOMPARE(f.controller.settings().*k.path, QStringLiteral("/gibt/es/nicht.x"));
}

void tst_FileTargets::cancelSetsFlag_data() {
    windowShowsCurrentPath_data();
}

void tst_FileTargets::cancelSetsFlag() {
    QFETCH(QString, window);
    Fixture f;
    const Kind k = kind(window);
    const QString before = f.controller.settings().*k.path;
    auto dialog = k.make(f.controller);
    dialog->show();
    dialog->findChild<QLineEdit*>(k.pathField)->setText(QStringLiteral("/anders.x"));
    button(dialog.get(), "cmdCancel")->click();
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QVERIFY(!dialog->isVisible());
    QVERIFY(dialog->cancelled());
    QCOMPARE(f.controller.settings().*k.path, before);
    QCOMPARE(f.controller.settings().AccessTable, QStringLiteral("Alt"));
}

void tst_FileTargets::openClearsFlag_data() {
    openPutsChosenPath_data();
}

void tst_FileTargets::openClearsFlag() {
    QFETCH(QString, window);
    QFETCH(bool, chosen);
    Fixture f;
    const Kind k = kind(window);
    auto dialog = k.make(f.controller);
    dialog->show();
    button(dialog.get(), "cmdCancel")->click();
    QVERIFY(dialog->cancelled());
    // Shown again, the Open button clears the flag, whether a file was chosen or not.
    f.dialogs.openFiles.push_back(chosen ? std::optional<QString>(f.folder.file(QStringLiteral("a.x")))
                                         : std::nullopt);
    dialog->show();
    button(dialog.get(), "cmdOpen")->click();
    QVERIFY(!dialog->cancelled());
}

void tst_FileTargets::accessListsTables() {
    Fixture f;
    const QString database = f.folder.file(QStringLiteral("waage.db"));
    QVERIFY(
        createDatabase(database, {QStringLiteral("CREATE TABLE Messwerte (Wert TEXT, Einheit TEXT)"),
                                  QStringLiteral("CREATE TABLE Proben (Nr INTEGER PRIMARY KEY AUTOINCREMENT, "
                                                 "Name TEXT)"),
                                  QStringLiteral("INSERT INTO Proben (Name) VALUES ('a')"),
                                  QStringLiteral("CREATE TABLE MSysObjects (Id INTEGER)"),
                                  QStringLiteral("CREATE TABLE MSysACEs (Id INTEGER)"),
                                  QStringLiteral("CREATE TABLE msysKlein (Id INTEGER)"),
                                  QStringLiteral("CREATE TABLE MSy (Id INTEGER)"),
                                  QStringLiteral("CREATE VIEW Ansicht AS SELECT * FROM Messwerte")}));
    f.dialogs.openFiles.push_back(database);
    select_AccessFile dialog(f.controller);
    dialog.show();
    auto* hint = dialog.findChild<QLabel*>(QStringLiteral("Label1"));
    QVERIFY(hint);
    QCOMPARE(hint->text(), QStringLiteral("Bitte wählen Sie die Access-Datenbank und Tabelle aus"));
    auto* tables = dialog.findChild<QComboBox*>(QStringLiteral("cboTables"));
    QVERIFY(tables);
    QCOMPARE(tables->currentText(), QStringLiteral("Alt"));

    button(&dialog, "cmdOpen")->click();
    QStringList listed = items(tables);
    listed.sort();
    // "MSys" is compared case-sensitively on the first four characters; the engine's own
    // sqlite_sequence and views are no tables to write into.
    QCOMPARE(listed, (QStringList{QStringLiteral("MSy"), QStringLiteral("Messwerte"),
                                  QStringLiteral("Proben"), QStringLiteral("msysKlein")}));

    tables->setCurrentIndex(tables->findText(QStringLiteral("Proben")));
    button(&dialog, "cmdGoOn")->click();
    QCOMPARE(f.controller.settings().AccessFile, database);
    QCOMPARE(f.controller.settings().AccessTable, QStringLiteral("Proben"));
    QVERIFY(!dialog.cancelled());
}

void tst_FileTargets::accessStoresTypedTable() {
    Fixture f;
    const QString database = f.folder.file(QStringLiteral("waage.db"));
    QVERIFY(createDatabase(database, {QStringLiteral("CREATE TABLE Messwerte (Wert TEXT)")}));
    f.dialogs.openFiles.push_back(database);
    select_AccessFile dialog(f.controller);
    dialog.show();
    button(&dialog, "cmdOpen")->click();
    auto* tables = dialog.findChild<QComboBox*>(QStringLiteral("cboTables"));
    QCOMPARE(items(tables), QStringList{QStringLiteral("Messwerte")});
    tables->setEditText(QStringLiteral("Neue Tabelle"));
    button(&dialog, "cmdGoOn")->click();
    QCOMPARE(f.controller.settings().AccessTable, QStringLiteral("Neue Tabelle"));
    // The typed name is no entry of the list.
    QCOMPARE(items(tables), QStringList{QStringLiteral("Messwerte")});
}

void tst_FileTargets::accessTypedPathListsTables() {
    Fixture f;
    const QString database = f.folder.file(QStringLiteral("getippt.db"));
    QVERIFY(createDatabase(database, {QStringLiteral("CREATE TABLE Waegung (Wert TEXT)")}));
    select_AccessFile dialog(f.controller);
    dialog.show();
    auto* path = dialog.findChild<QLineEdit*>(QStringLiteral("txtAccessFile"));
    auto* tables = dialog.findChild<QComboBox*>(QStringLiteral("cboTables"));
    QCOMPARE(tables->count(), 0);
    path->setText(database);
    QTest::keyClick(path, Qt::Key_Return);
    QCOMPARE(items(tables), QStringList{QStringLiteral("Waegung")});
    QVERIFY(dialog.isVisible());
    QVERIFY(f.dialogs.fileDialogs.isEmpty());
}

void tst_FileTargets::accessFileWithoutTables() {
    Fixture f;
    const QString notADatabase = f.folder.file(QStringLiteral("text.txt"));
    QVERIFY(TestFiles::write(notADatabase, "keine Datenbank\n"));
    f.dialogs.openFiles.push_back(notADatabase);
    select_AccessFile dialog(f.controller);
    dialog.show();
    button(&dialog, "cmdOpen")->click();
    auto* tables = dialog.findChild<QComboBox*>(QStringLiteral("cboTables"));
    QCOMPARE(tables->count(), 0);
    QVERIFY(f.dialogs.messages.isEmpty());
    QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("txtAccessFile"))->text(), notADatabase);
}

QTEST_MAIN(tst_FileTargets)
#include "tst_FileTargets.moc"
