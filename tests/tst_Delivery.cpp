#include "core/MainController.h"
#include "output/Delivery.h"
#include "support/PostgresCluster.h"
#include "support/ProgramFolder.h"
#include "support/RecordingMainView.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

namespace {

// Runs sqlite3 on a database file; the output of the command, trimmed.
QString sqlite(const QString& database, const QString& sql) {
    QProcess process;
    process.start(QStringLiteral("sqlite3"), {database, sql});
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// Runs a python3 script with openpyxl; its standard output, trimmed.
QString python(const QString& script) {
    QProcess process;
    process.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

struct Fixture {
    Fixture() : controller(view, dialogs), delivery(controller) {}
    ProgramFolder folder;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    MainController controller;
    Delivery delivery;
};

} // namespace

class tst_Delivery : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void tabFields_data();
    void tabFields();
    void textFileLines();
    void textFileInMissingFolder();
    void xmlOnlyBeeps();
    void sqliteRecords_data();
    void sqliteRecords();
    void sqliteFaults_data();
    void sqliteFaults();
    void sqliteLockedDatabaseLosesNothing();
    void tableList();
    void postgresqlRecords();
    void workbookRows_data();
    void workbookRows();
    void workbookFaults_data();
    void workbookFaults();
};

void tst_Delivery::tabFields_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("two fields") << "12,5{TAB}kg{TAB}" << QStringList{"12,5", "kg"};
    QTest::newRow("text after the last is dropped") << "12,5{TAB}kg" << QStringList{"12,5"};
    QTest::newRow("empty first field") << "{TAB}kg{TAB}" << QStringList{"", "kg"};
    QTest::newRow("no separator") << "12,5" << QStringList{};
    QTest::newRow("other tokens are text") << "1{ENTER}{TAB}" << QStringList{"1{ENTER}"};
}

void tst_Delivery::tabFields() {
    QFETCH(QString, text);
    QFETCH(QStringList, fields);
    QCOMPARE(Delivery::tabFields(text), fields);
}

void tst_Delivery::textFileLines() {
    Fixture f;
    f.controller.settings().Anwendung = QStringLiteral("Text-Datei");
    f.controller.settings().TextFile = QStringLiteral("values.txt");
    f.delivery.DeliverOutput(QStringLiteral("12,5 kg"));
    f.delivery.DeliverOutput(QStringLiteral("12,5 kg{TAB}µ°"));
    QCOMPARE(TestFiles::read(f.folder.file(QStringLiteral("values.txt"))),
             QByteArray("12,5 kg\r\n12,5 kg{TAB}\xc2\xb5\xc2\xb0\r\n"));
    QCOMPARE(f.view.status1Text(2), QStringLiteral("values.txt"));
    QCOMPARE(f.dialogs.beeps, 2);
}

void tst_Delivery::textFileInMissingFolder() {
    Fixture f;
    f.controller.settings().Anwendung = QStringLiteral("Text-Datei");
    f.controller.settings().TextFile = f.folder.file(QStringLiteral("gone/values.txt"));
    f.delivery.DeliverOutput(QStringLiteral("1"));
    QVERIFY(!QFileInfo::exists(f.controller.settings().TextFile));
    QVERIFY(f.dialogs.messages.isEmpty());
    QCOMPARE(f.dialogs.beeps, 1);
}

void tst_Delivery::xmlOnlyBeeps() {
    Fixture f;
    f.controller.settings().Anwendung = QStringLiteral("XML-Datei");
    f.delivery.DeliverOutput(QStringLiteral("1{TAB}"));
    QCOMPARE(f.dialogs.beeps, 1);
    QCOMPARE(QDir(f.folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("language.ini")});
}

void tst_Delivery::sqliteRecords_data() {
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("rows");
    QTest::newRow("two fields") << QStringList{"A{TAB}B{TAB}"} << "A|B|";
    QTest::newRow("no separator adds nothing") << QStringList{"AB"} << "";
    QTest::newRow("empty field leaves its column") << QStringList{"{TAB}kg{TAB}"} << "|kg|";
    QTest::newRow("more fields than columns") << QStringList{"1{TAB}2{TAB}3{TAB}4{TAB}5{TAB}"} << "1|2|3";
    QTest::newRow("text after the last separator dropped") << QStringList{"1{TAB}2"} << "1||";
    QTest::newRow("quotes and semicolons are data")
        << QStringList{"x'); DROP TABLE w;--{TAB}"} << "x'); DROP TABLE w;--||";
    QTest::newRow("one record per delivery") << QStringList{"1{TAB}", "2{TAB}", "3{TAB}"} << "1||\n2||\n3||";
}

void tst_Delivery::sqliteRecords() {
    QFETCH(QStringList, texts);
    QFETCH(QString, rows);
    Fixture f;
    const QString database = f.folder.file(QStringLiteral("lab.db"));
    sqlite(database, QStringLiteral("CREATE TABLE w (a TEXT, b TEXT, c TEXT);"));
    f.controller.settings().Anwendung = QStringLiteral("Access-Datenbank");
    f.controller.settings().AccessFile = QStringLiteral("lab.db");
    f.controller.settings().AccessTable = QStringLiteral("w");
    for (const QString& text : texts) {
        f.delivery.DeliverOutput(text);
    }
    QCOMPARE(sqlite(database, QStringLiteral("SELECT a, b, c FROM w ORDER BY rowid;")), rows);
    QVERIFY(f.dialogs.messages.isEmpty());
}

void tst_Delivery::sqliteFaults_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("table");
    QTest::newRow("missing file") << "none.db"
                                  << "w";
    QTest::newRow("missing table") << "lab.db"
                                   << "nosuch";
    QTest::newRow("not a database") << "language.ini"
                                    << "w";
}

void tst_Delivery::sqliteFaults() {
    QFETCH(QString, file);
    QFETCH(QString, table);
    Fixture f;
    const QString database = f.folder.file(QStringLiteral("lab.db"));
    sqlite(database, QStringLiteral("CREATE TABLE w (a TEXT); INSERT INTO w VALUES ('old');"));
    const QByteArray before = TestFiles::read(f.folder.file(file));
    QString error;
    QVERIFY(!Delivery::insertRecord(f.folder.file(file), table, {QStringLiteral("x")}, &error));
    QVERIFY(!error.isEmpty());
    // Nothing created, nothing damaged.
    QCOMPARE(QFileInfo::exists(f.folder.file(file)), !before.isNull());
    QCOMPARE(TestFiles::read(f.folder.file(file)), before);
    QCOMPARE(sqlite(database, QStringLiteral("SELECT a FROM w;")), QStringLiteral("old"));
}

void tst_Delivery::sqliteLockedDatabaseLosesNothing() {
    Fixture f;
    const QString database = f.folder.file(QStringLiteral("lab.db"));
    sqlite(database, QStringLiteral("CREATE TABLE w (a TEXT); INSERT INTO w VALUES ('old');"));
    {
        QSqlDatabase holder = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
        holder.setDatabaseName(database);
        QVERIFY(holder.open());
        QSqlQuery lock(holder);
        QVERIFY(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        QString error;
        QVERIFY(!Delivery::insertRecord(database, QStringLiteral("w"), {QStringLiteral("new")}, &error));
        QVERIFY(lock.exec(QStringLiteral("COMMIT")));
        holder.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("holder"));
    QCOMPARE(sqlite(database, QStringLiteral("SELECT a FROM w;")), QStringLiteral("old"));
    QVERIFY(Delivery::insertRecord(database, QStringLiteral("w"), {QStringLiteral("new")}));
    QCOMPARE(sqlite(database, QStringLiteral("SELECT a FROM w ORDER BY rowid;")), QStringLiteral("old\nnew"));
}

void tst_Delivery::tableList() {
    ProgramFolder folder;
    const QString database = folder.file(QStringLiteral("lab.db"));
    sqlite(database, QStringLiteral(
                         "CREATE TABLE weights (a); CREATE TABLE MSysObjects (a); CREATE TABLE msysLower (a);"
                         "CREATE TABLE t2 (id INTEGER PRIMARY KEY AUTOINCREMENT, b);"));
    QStringList names = Delivery::tableNames(database);
    names.sort();
    QCOMPARE(names, (QStringList{"msysLower", "t2", "weights"}));
    QString error;
    QCOMPARE(Delivery::tableNames(folder.file(QStringLiteral("none.db")), &error), QStringList{});
    QVERIFY(!error.isEmpty());
}

void tst_Delivery::postgresqlRecords() {
    PostgresCluster cluster;
    if (!cluster.start()) {
        QSKIP(qPrintable(cluster.reason()));
    }
    cluster.psql(QStringLiteral("CREATE TABLE weighings (value numeric, unit text, batch text);"));
    Fixture f;
    f.controller.settings().Anwendung = QStringLiteral("Access-Datenbank");
    f.controller.settings().AccessFile = cluster.url();
    f.controller.settings().AccessTable = QStringLiteral("weighings");
    f.delivery.DeliverOutput(QStringLiteral("12.5{TAB}kg{TAB}L1{TAB}"));
    f.delivery.DeliverOutput(QStringLiteral("{TAB}g{TAB}"));
    // A value the column cannot take adds no record and leaves the others alone.
    f.delivery.DeliverOutput(QStringLiteral("12,5{TAB}kg{TAB}"));
    QCOMPARE(cluster.psql(QStringLiteral("SELECT value, unit, batch FROM weighings ORDER BY unit DESC;")),
             QStringLiteral("12.5|kg|L1\n|g|"));
    QCOMPARE(Delivery::tableNames(cluster.url()), QStringList{QStringLiteral("weighings")});
    QString error;
    QVERIFY(!Delivery::insertRecord(cluster.url(QStringLiteral("nosuchdb")), QStringLiteral("weighings"),
                                    {QStringLiteral("1")}, &error));
    QVERIFY(!error.isEmpty());
}

void tst_Delivery::workbookRows_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("row4");
    QTest::newRow("two fields") << "12.5{TAB}kg{TAB}"
                                << "12.5|'kg'|None";
    QTest::newRow("text after the last is dropped") << "12.5{TAB}kg"
                                                    << "12.5|None|None";
    QTest::newRow("empty first field") << "{TAB}kg{TAB}"
                                       << "None|'kg'|None";
    QTest::newRow("no separator is one field") << "12.5"
                                               << "12.5|None|None";
    QTest::newRow("comma stays text in the C locale") << "12,5{TAB}"
                                                      << "'12,5'|None|None";
    QTest::newRow("formula text stays text") << "=1+1{TAB}"
                                             << "'=1+1'|None|None";
}

void tst_Delivery::workbookRows() {
    QFETCH(QString, text);
    QFETCH(QString, row4);
    Fixture f;
    const QString book = f.folder.file(QStringLiteral("lab.xlsx"));
    python(QStringLiteral("import openpyxl\nwb = openpyxl.Workbook(); ws = wb.active; ws.title = 'Tabelle1'\n"
                          "for r in range(1, 4): ws.cell(row=r, column=1, value='v%d' % r)\nwb.save('%1')")
               .arg(book));
    f.controller.settings().Anwendung = QStringLiteral("Excel-Datei");
    f.controller.settings().ExcelFile = QStringLiteral("lab.xlsx");
    f.delivery.DeliverOutput(text);
    const QString script =
        QStringLiteral("import openpyxl\nws = openpyxl.load_workbook('%1')['Tabelle1']\n"
                       "print('|'.join(repr(ws.cell(row=4, column=c).value) if isinstance("
                       "ws.cell(row=4, column=c).value, str) else str(ws.cell(row=4, column=c).value)"
                       " for c in range(1, 4)))\nprint(ws['A3'].value)")
            .arg(book);
    QCOMPARE(python(script), row4 + QStringLiteral("\nv3"));
    QVERIFY(f.dialogs.messages.isEmpty());
}

void tst_Delivery::workbookFaults_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("message");
    QTest::newRow("missing workbook") << QByteArray() << true;
    QTest::newRow("not a zip") << QByteArray("plain text") << true;
}

void tst_Delivery::workbookFaults() {
    QFETCH(QByteArray, content);
    QFETCH(bool, message);
    Fixture f;
    const QString book = f.folder.file(QStringLiteral("lab.xlsx"));
    if (!content.isNull()) {
        QVERIFY(TestFiles::write(book, content));
    }
    f.controller.settings().Anwendung = QStringLiteral("Excel-Datei");
    f.controller.settings().ExcelFile = book;
    f.delivery.DeliverOutput(QStringLiteral("1{TAB}"));
    QCOMPARE(f.dialogs.messages.size(), message ? 1 : 0);
    if (message) {
        QCOMPARE(
            f.dialogs.messages.first(),
            QStringLiteral("Datei ") + book +
                QStringLiteral(" nicht gefunden, bitte prüfen Sie die Einstellungen für Speicherung in einer "
                               "Excel-Datei"));
    }
    QCOMPARE(TestFiles::read(book), content);
}

QTEST_GUILESS_MAIN(tst_Delivery)
#include "tst_Delivery.moc"
