#include "base/config/SettingText.h"
#include "base/delivery/Database.h"
#include "base/delivery/DatabaseSink.h"
#include "base/delivery/Delivery.h"
#include "base/delivery/KeyTokenizer.h"
#include "base/delivery/OutputTemplate.h"
#include "base/delivery/PublishedValues.h"
#include "base/delivery/TargetWindow.h"
#include "base/texts/LanguageTable.h"
#include "support/PostgresCluster.h"
#include "support/ProgramFolder.h"
#include "support/RecordingKeyboard.h"
#include "support/RecordingMainView.h"
#include "support/RecordingWindowList.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QtTest>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// The sqlite3 shell's output for sql on a database file, NULL written as NULL.
QString sqlite(const QString& database, const QString& sql) {
    QProcess process;
    process.start(QStringLiteral("sqlite3"),
                  {QStringLiteral("-nullvalue"), QStringLiteral("NULL"), database, sql});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// Where keystroke targets go, as far as the dispatch is concerned.
struct RecordingSink : DeliverySink {
    bool deliver(const QString& text) override {
        texts.append(text);
        return true;
    }
    QStringList texts;
};

// Delivery to the targets of settings in a program folder of its own.
struct Bench {
    ProgramFolder folder;
    Settings settings;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    PublishedValues published;
    QStringList status;
    Delivery delivery{settings, view, [this](const QString& text) { status << text; }, dialogs, published};

    Bench(const QString& target, const QString& path) {
        settings.target = SettingText::target(target);
        settings.textFilePath = settings.workbookPath = settings.databasePath = path;
        settings.databaseTable = QStringLiteral("w");
    }
    // The files in the folder and below, an outbox journal among them while values wait.
    QStringList files() const {
        QStringList names;
        for (QDirIterator it(folder.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            names << QDir(folder.path()).relativeFilePath(it.next());
        }
        names.sort();
        return names;
    }
    // Delivers the texts one after the other, as a stream would, and waits until the values
    // kept for the next save have gone in.
    bool deliverAll(const QStringList& texts) {
        for (const QString& text : texts) {
            delivery.deliver(text);
        }
        return QTest::qWaitFor([this] { return delivery.waitingCount() == 0; }, 5000);
    }
};

} // namespace

class tst_Delivery : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void render_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("outputTemplate");
        QTest::addColumn<bool>("point");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("rendered");
        QTest::addColumn<QStringList>("asked"); // the labels of the prompts
        using L = QStringList;
        const QString de = QStringLiteral("GERMAN"), en = QStringLiteral("ENGLISH");
        QTest::newRow("value, unit") << de << "{Messwert}{TAB}{Einheit}{ENTER}" << false << L{}
                                     << "12,50{TAB}kg{ENTER}" << L{};
        QTest::newRow("decimal point") << de << "{Messwert}" << true << L{} << "12.50" << L{};
        QTest::newRow("first occurrence only")
            << de << "{Messwert};{Messwert}" << false << L{} << "12,50;{Messwert}" << L{};
        QTest::newRow("ID 10 before 1 and 2")
            << de << "{ID_10}/{ID_1}/{ID_2}" << false << L{} << "J/A/ x " << L{};
        QTest::newRow("time and date")
            << de << "{Uhrzeit} {Datum}" << false << L{} << "08:05:09 04.03.2026" << L{};
        QTest::newRow("English") << en << "{Messwert}{Einheit}|{?Charge}" << false << L{"L1"} << "12,50kg|L1"
                                 << L{"Charge"};
        QTest::newRow("prompt") << de << "{?Charge}{TAB}{Messwert}" << false << L{"L42"} << "L42{TAB}12,50"
                                << L{"Charge"};
        QTest::newRow("prompt at the start") << de << "?a}x" << false << L{"1"} << "1x" << L{"a"};
        QTest::newRow("prompt in an ID") << de << "{ID_3}" << false << L{"z"} << "xz" << L{"y"};
        QTest::newRow("no brace after ?") << de << "Ok? {Messwert}" << false << L{} << "Ok? 12,50" << L{};
        QTest::newRow("cancelled prompt") << de << "[{?x}]" << false << L{} << "[]" << L{"x"};
        QTest::newRow("typed with angles") << de << "<Messwert><TAB>" << false << L{} << "12,50{TAB}" << L{};
        QTest::newRow("name takes its neighbours") << de << "aMesswertb" << false << L{} << "12,50" << L{};
        QTest::newRow("name at the start") << de << "Messwert}" << false << L{} << "12,50" << L{};
        QTest::newRow("empty record") << de << "{?x}{Messwert}" << false << L{} << "" << L{};
    }

    void render() {
        QFETCH(QString, language);
        QFETCH(QString, outputTemplate);
        QFETCH(bool, point);
        QFETCH(QStringList, answers);
        QFETCH(QStringList, asked);
        ProgramFolder folder;
        LanguageTable::instance().load(folder.file(QStringLiteral("language.ini")), language);
        Measurement m;
        m.record =
            QTest::currentDataTag() == QLatin1String("empty record") ? " \r\n" : "N     +    12.50 kg \r\n";
        m.valueText = QStringLiteral("12,50");
        m.unit = QStringLiteral("kg");
        m.ids = {"", "A", " x ", "x{?y}", "", "", "", "", "", "", "J"};
        ScriptedDialogs dialogs;
        dialogs.inputs.assign(answers.begin(), answers.end());
        QTEST(OutputTemplate::render(OutputTemplate::bracesFromAngles(outputTemplate), m, point, dialogs,
                                     QDateTime({2026, 3, 4}, {8, 5, 9})),
              "rendered");
        const QString prompt = language == QLatin1String("ENGLISH")
                                   ? QStringLiteral("Please enter the value for %1:")
                                   : QString::fromUtf8("Bitte geben Sie den Wert für %1 ein:");
        for (QString& label : asked) {
            label = prompt.arg(label);
        }
        QCOMPARE(dialogs.questions, asked);
    }

    void keys_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("keys"); // characters as themselves, other keys as <keysym name>
        const QString longest(KeyTokenizer::MaxTypedLength, u'7');
        QTest::newRow("value, tab, unit, enter") << "12.5{TAB}kg{ENTER}" << QString("12.5<Tab>kg<Return>");
        QTest::newRow("names in any case") << "{tab}{Tab}{eNtEr}" << QString("<Tab><Tab><Return>");
        QTest::newRow("other names") << "{BKSP}{DEL}{PGDN}{BREAK}{WIN}{APPS}"
                                     << QString("<BackSpace><Delete><Next><Pause><Super_L><Menu>");
        QTest::newRow("modifier taps") << "+a^c%f" << QString("<Shift_L>a<Control_L>c<Alt_L>f");
        QTest::newRow("braces of no name") << "{{X}{TAB{ TAB}{ENTER2}" << QString("{{X}{TAB{ TAB}{ENTER2}");
        QTest::newRow("brace around a name") << "{{TAB}}" << QString("{<Tab>}");
        QTest::newRow("no other letter for a name")
            << QString::fromUtf8("{ınsert}") << QString::fromUtf8("{ınsert}");
        QTest::newRow("beyond ASCII")
            << QString::fromUtf8("µ° €Ω\U0001D11E") << QString::fromUtf8("µ° €Ω\U0001D11E");
        QTest::newRow("lone surrogate") << QString(QString(QChar(0xd834)) + u'z') << QString("z");
        QTest::newRow("control characters without a key") << "a\x01\tb\x1f\x1b" << QString("a\tb\x1b");
        QTest::newRow("longest text") << longest << longest;
        QTest::newRow("one character too long") << QString(longest + u'7') << QString();
    }

    void keys() {
        QFETCH(QString, text);
        QFETCH(QString, keys);
        QString tokens;
        for (const KeyToken& key : KeyTokenizer::keyTokensOf(text)) {
            tokens += RecordingKeyboard::describe(key);
        }
        QCOMPARE(tokens, keys);
        RecordingKeyboard keyboard;
        KeyTokenizer::typeText(text, keyboard);
        QCOMPARE(keyboard.bursts.size(), std::size_t(keys.isEmpty() ? 0 : 1));
        QCOMPARE(keyboard.typed(), keys);
    }

    void targetWindow_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("vanished"); // a window gone by the time it is activated
        QTest::addColumn<QString>("found");
        QTest::addColumn<QList<quint64>>("activated");
        QTest::addColumn<bool>("delivered");
        using A = QList<quint64>;
        QTest::newRow("last word of a title") << "Tabelle" << 0 << "Mappe1 - Tabelle" << A{13} << true;
        QTest::newRow("other letter case") << "tabelle" << 0 << "" << A{} << false;
        QTest::newRow("two: the upper") << "Editor" << 0 << "Protokoll.txt - Editor" << A{12} << true;
        QTest::newRow("empty: the first titled") << "" << 0 << "Kelvane Version 4.2" << A{10} << true;
        QTest::newRow("window gone") << "Mappe1" << 13 << "Mappe1 - Tabelle" << A{13} << false;
        QTest::newRow("the focused window") << "*free*" << 0 << "" << A{} << true;
    }

    void targetWindow() {
        QFETCH(QString, target);
        QFETCH(int, vanished);
        QFETCH(bool, delivered);
        Settings settings;
        settings.target = SettingText::target(target);
        settings.applications = {{"Editor", "editor.exe"}, {"Tabelle", "calc.exe"}};
        settings.selectedApplication = 1;
        ScriptedDialogs dialogs;
        RecordingWindowList windows;
        windows.windows = {{10, "Kelvane Version 4.2", true, true},
                           {11, "", true, true},
                           {12, "Protokoll.txt - Editor", false, true},
                           {13, "Mappe1 - Tabelle", true, true},
                           {14, "Notizen - Editor", true, true}};
        windows.vanished = {quint64(vanished)};
        RecordingKeyboard keyboard;
        TargetWindow window(settings, dialogs, &windows, &keyboard);
        int missing = 0;
        QStringList status;
        window.setHandlers(
            {[&missing] { ++missing; }, [&status](const QString& text) { status.append(text); }});
        QString before; // what had happened when the keys were typed
        keyboard.onType = [&] { before = dialogs.messages.join(u'|') + QString::number(missing); };
        QCOMPARE(window.deliver(QStringLiteral("12,5{TAB}")), delivered);
        QCOMPARE(keyboard.typed(), QStringLiteral("12,5<Tab>"));
        QTEST(windows.activated, "activated");
        QCOMPARE(windows.enumerations, target == QLatin1String("*free*") ? 0 : 1);
        QTEST(window.foundTitle(), "found");
        QCOMPARE(before, delivered ? QStringLiteral("0") : QStringLiteral("Anwendung calc.exe nicht aktiv1"));

        // Without a keyboard (no X display) nothing is looked for or typed, and the status says why.
        const QList<quint64> activations = windows.activated;
        TargetWindow withoutDisplay(settings, dialogs, &windows, nullptr);
        QVERIFY(!withoutDisplay.deliver(QStringLiteral("1")));
        withoutDisplay.setHandlers({{}, [&status](const QString& text) { status.append(text); }});
        QVERIFY(!withoutDisplay.deliver(QStringLiteral("1")));
        QCOMPARE(status, QStringList{TargetWindow::displayRequiredText()});
        QCOMPARE(windows.activated, activations);
        QCOMPARE(dialogs.messages.size(), delivered ? 0 : 1);

        // A desktop without a window list (the portal): the text goes to the focused window,
        // with no window to miss and no message.
        RecordingKeyboard focused;
        TargetWindow withoutList(settings, dialogs, nullptr, &focused);
        withoutList.setHandlers({[&missing] { ++missing; }, {}});
        const int missedBefore = missing;
        QVERIFY(withoutList.deliver(QStringLiteral("7{ENTER}")));
        QCOMPARE(focused.typed(), QStringLiteral("7<Return>"));
        QCOMPARE(missing, missedBefore);
        QCOMPARE(dialogs.messages.size(), delivered ? 0 : 1);
    }

    void dispatch_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("file"); // out.txt afterwards
        QTest::addColumn<QString>("seen");    // "item", "message" or "keys" for the other effects
        const QByteArray old("old\r\n");
        QTest::newRow("text file") << "Text-Datei" << QString("out.txt")
                                   << old + "12,5 kg\r\n\xc2\xb5\xc2\xb0{TAB}\r\n"
                                   << "";
        QTest::newRow("text file, no folder") << "Text-Datei" << QString("gone/out.txt") << old << "";
        QTest::newRow("published item") << "DDE-Kanal" << QString("out.txt") << old << "item";
        QTest::newRow("XML file") << "XML-Datei" << QString("out.txt") << old << "";
        QTest::newRow("missing workbook") << "Excel-Datei" << QString("none.xlsx") << old << "message";
        QTest::newRow("focused window") << "*free*" << QString("out.txt") << old << "keys";
    }

    void dispatch() {
        QFETCH(QString, target);
        QFETCH(QString, path);
        QFETCH(QString, seen);
        Bench b(target, path);
        QVERIFY(TestFiles::write(b.folder.file(QStringLiteral("out.txt")), "old\r\n"));
        RecordingSink sink;
        b.delivery.setKeystrokeSink(&sink);
        const QStringList texts{QStringLiteral("12,5 kg"), QString::fromUtf8("µ°{TAB}")};
        for (const QString& text : texts) {
            b.delivery.deliver(text);
        }
        QCOMPARE(b.dialogs.beeps, 2);
        QTEST(TestFiles::read(b.folder.file(QStringLiteral("out.txt"))), "file");
        QCOMPARE(b.published.outputText, seen == QLatin1String("item") ? texts.last() : QString());
        QCOMPARE(sink.texts, seen == QLatin1String("keys") ? texts : QStringList());
        const QString noFile =
            QString::fromUtf8("Datei none.xlsx nicht gefunden, bitte prüfen Sie die Einstellungen "
                              "für Speicherung in einer Excel-Datei");
        QCOMPARE(b.dialogs.messages,
                 (seen == QLatin1String("message") ? QStringList{noFile, noFile} : QStringList()));
        QCOMPARE(b.view.infoText(MainView::InfoPanel::Target),
                 target == QLatin1String("Text-Datei") ? path : QString());
        QCOMPARE(b.files(), (QStringList{"language.ini", "out.txt"}));
        // Without a keystroke sink keystroke targets only beep.
        Delivery unwired(b.settings, b.view, {}, b.dialogs, b.published);
        unwired.deliver(texts.first());
        QCOMPARE(b.dialogs.beeps, 3);
    }

    // The text file stays open between values, but values go to whatever file is at the path:
    // the user may move the file away or replace it at any time.
    void textFileFollowsItsPath() {
        Bench b(QStringLiteral("Text-Datei"), QStringLiteral("out.txt"));
        const QString path = b.folder.file(QStringLiteral("out.txt"));
        b.delivery.deliver(QStringLiteral("1"));
        QVERIFY(QFile::rename(path, path + QStringLiteral(".old")));
        b.delivery.deliver(QStringLiteral("2"));
        QCOMPARE(TestFiles::read(path), QByteArray("2\r\n"));
        QVERIFY(TestFiles::write(path + QStringLiteral(".new"), "new\r\n"));
        QVERIFY(std::rename(QFile::encodeName(path + QStringLiteral(".new")).constData(),
                            QFile::encodeName(path).constData()) == 0);
        b.delivery.deliver(QStringLiteral("3"));
        QCOMPARE(TestFiles::read(path + QStringLiteral(".old")), QByteArray("1\r\n"));
        QCOMPARE(TestFiles::read(path), QByteArray("new\r\n3\r\n"));
        // A second after the last value the file is closed, as a file on a network share needs.
        const auto isOpenHere = [file = QFileInfo(path).canonicalFilePath()] {
            const QDir fds(QStringLiteral("/proc/self/fd"));
            for (const QString& fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
                if (QFile::symLinkTarget(fds.filePath(fd)) == file) {
                    return true;
                }
            }
            return false;
        };
        QVERIFY(isOpenHere());
        QTRY_VERIFY_WITH_TIMEOUT(!isOpenHere(), 3000);
    }

    // Records into a table of lab.db, as sqlite3 reads them back: w (zeta, alpha, mid), the strictly
    // typed s (n INTEGER, unit TEXT, r REAL) and n (n INTEGER, unit TEXT NOT NULL).
    void database_data() {
        QTest::addColumn<QString>("target"); // file and table
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("rows");
        using L = QStringList;
        const QString lab = QStringLiteral("lab.db w");
        QTest::newRow("fields by position") << lab << L{"A{TAB}B{TAB}"} << "A|B|NULL";
        QTest::newRow("no separator") << lab << L{"AB"} << "";
        QTest::newRow("empty field left out") << lab << L{"{TAB}kg{TAB}"} << "NULL|kg|NULL";
        QTest::newRow("no field at all") << lab << L{"{TAB}{TAB}"} << "NULL|NULL|NULL";
        QTest::newRow("more fields than columns") << lab << L{"1{TAB}2{TAB}3{TAB}4{TAB}"} << "1|2|3";
        QTest::newRow("text after the last field") << lab << L{"1{TAB}2"} << "1|NULL|NULL";
        QTest::newRow("one record each")
            << lab << L{"1{TAB}", "2{TAB}", "3{TAB}"} << "1|NULL|NULL\n2|NULL|NULL\n3|NULL|NULL";
        QTest::newRow("a refused field left out")
            << QString("lab.db s") << L{"abc{TAB}kg{TAB}1.5{TAB}"} << "NULL|kg|1.5";
        QTest::newRow("two refused fields left out")
            << QString("lab.db s") << L{"abc{TAB}kg{TAB}x{TAB}", "7{TAB}g{TAB}"} << "NULL|kg|NULL\n7|g|NULL";
        QTest::newRow("a required field missing")
            << QString("lab.db n") << L{"1{TAB}{TAB}", "2{TAB}g{TAB}"} << "2|g";
        QTest::newRow("missing file") << QString("none.db w") << L{"1{TAB}"} << "";
        QTest::newRow("missing table") << QString("lab.db nosuch") << L{"1{TAB}"} << "";
    }

    void database() {
        QFETCH(QString, target);
        QFETCH(QStringList, texts);
        const QString path = target.section(u' ', 0, 0);
        Bench b(QStringLiteral("Access-Datenbank"), path);
        b.settings.databaseTable = target.section(u' ', 1);
        const QString lab = b.folder.file(QStringLiteral("lab.db"));
        sqlite(lab, QStringLiteral(
                        "CREATE TABLE w (zeta, alpha, mid); CREATE TABLE MSysObjects (a);"
                        "CREATE TABLE msysLower (a); CREATE TABLE t2 (id INTEGER PRIMARY KEY AUTOINCREMENT);"
                        "CREATE TABLE s (n INTEGER, unit TEXT, r REAL) STRICT;"
                        "CREATE TABLE n (n INTEGER, unit TEXT NOT NULL) STRICT;"));
        QVERIFY(b.deliverAll(texts));
        const QString table = path == "lab.db" && b.settings.databaseTable != "nosuch"
                                  ? b.settings.databaseTable
                                  : QStringLiteral("w");
        QTEST(sqlite(lab, QStringLiteral("SELECT * FROM %1 ORDER BY rowid;").arg(table)), "rows");
        QCOMPARE(b.files(), (QStringList{"lab.db", "language.ini"}));
        // The engine's own tables are left out.
        QString error;
        QStringList names = Database::tableNames(b.folder.file(path), &error);
        names.sort();
        QCOMPARE(names, (path == "lab.db" ? QStringList{"msysLower", "n", "s", "t2", "w"} : QStringList()));
        QCOMPARE(error.isEmpty(), path != "none.db");
        // A lone first field goes into every table but one that requires a second.
        const bool writable = path == "lab.db" && table == b.settings.databaseTable && table != "n";
        QCOMPARE(Database::insertRecord(b.folder.file(path), b.settings.databaseTable, {"9"}) ==
                     DeliveryProblem::None,
                 writable);
    }

    // A database file keeps its connection from record to record, but a file replaced or removed in
    // between is noticed: the next record goes into the file now at that path, never into the old one.
    void databaseFileKept_data() {
        QTest::addColumn<QString>("between"); // what happens to lab.db after the first record
        QTest::addColumn<QString>("rows");    // of the file at the path at the end
        QTest::addColumn<bool>("delivered");  // the second record
        QTest::newRow("unchanged") << ""
                                   << "1\n2" << true;
        QTest::newRow("replaced by another file") << "replaced"
                                                  << "0\n2" << true;
        QTest::newRow("removed") << "removed"
                                 << "" << false;
    }

    void databaseFileKept() {
        QFETCH(QString, between);
        Bench b(QStringLiteral("Access-Datenbank"), QStringLiteral("lab.db"));
        const QString lab = b.folder.file(QStringLiteral("lab.db"));
        const QString other = b.folder.file(QStringLiteral("other.db"));
        sqlite(lab, QStringLiteral("CREATE TABLE w (value);"));
        DatabaseSink sink;
        const auto deliver = [&](const QString& text) {
            return sink.insert(lab, QStringLiteral("w"), {text}, DatabaseConnection::Patience::Full)
                       .problem == DeliveryProblem::None;
        };
        QVERIFY(deliver(QStringLiteral("1{TAB}")));
        if (between == u"replaced") {
            sqlite(other, QStringLiteral("CREATE TABLE w (value); INSERT INTO w VALUES (0);"));
            QCOMPARE(::rename(QFile::encodeName(other).constData(), QFile::encodeName(lab).constData()), 0);
        } else if (between == u"removed") {
            QVERIFY(QFile::remove(lab));
        }
        QTEST(deliver(QStringLiteral("2{TAB}")), "delivered");
        QTEST(QFile::exists(lab) ? sqlite(lab, QStringLiteral("SELECT value FROM w ORDER BY rowid;"))
                                 : QString(),
              "rows");
    }

    // Values that come moments after a database was written wait in the outbox file, so that the
    // program may be killed meanwhile, and go in together with the next save: in order, all but a
    // record the database refuses, of which the user is told. Nobody is told that they wait.
    void streamedValuesGoInTogether() {
        Bench b(u"Access-Datenbank"_s, u"lab.db"_s);
        b.settings.databaseTable = u"n"_s;
        const QString lab = b.folder.file(u"lab.db"_s);
        sqlite(lab, u"CREATE TABLE n (n INTEGER, unit TEXT NOT NULL) STRICT;"_s);
        QStringList expected;
        for (int k = 1; k <= 20; ++k) {
            b.delivery.deliver(k == 7 ? u"7{TAB}{TAB}"_s : u"%1{TAB}g{TAB}"_s.arg(k));
            if (k != 7) {
                expected << QString::number(k);
            }
        }
        const QString taken = u"SELECT group_concat(n, ' ') FROM n;"_s;
        QCOMPARE(sqlite(lab, taken), u"1"_s);
        const QStringList journals = b.files().filter(u"outbox/"_s);
        QCOMPARE(journals.size(), 1);
        QCOMPARE(OutboxJournal::parse(TestFiles::read(b.folder.file(journals.first()))).waiting.size(), 19u);
        QVERIFY(QTest::qWaitFor([&b] { return b.delivery.waitingCount() == 0; }, 5000));
        QCOMPARE(sqlite(lab, taken), expected.join(u' '));
        QCOMPARE(b.dialogs.messages,
                 QStringList{languageText(TextKey::OutboxValueRefused).arg(u"7{TAB}{TAB}"_s)});
        QCOMPARE(b.status, QStringList());
        QCOMPARE(b.files(), (QStringList{"lab.db", "language.ini"}));
    }

    // A database server keeps one connection from record to record, and a restart of the server
    // costs no record: the lost connection is made anew at once. A field refused inside a batch of
    // streamed values is left out and the batch goes in (a server refuses every later statement of
    // a transaction that had a failed one).
    void databaseServer() {
        PostgresCluster cluster;
        if (!cluster.start()) {
            if (cluster.reason().startsWith(u"no PostgreSQL")) {
                QSKIP(qPrintable(cluster.reason()));
            }
            QFAIL(qPrintable(cluster.reason()));
        }
        QVERIFY(
            cluster
                .psql(QStringLiteral(
                    "CREATE TABLE w (value text CHECK (value <> 'x'), backend int DEFAULT pg_backend_pid());"
                    "SELECT 'ok';"))
                .endsWith(u"ok"));
        Bench b(QStringLiteral("Access-Datenbank"), cluster.url());
        const QString rows =
            QStringLiteral("SELECT string_agg(value, ' ' ORDER BY value), count(DISTINCT backend) FROM w;");
        QVERIFY(b.deliverAll({u"1{TAB}"_s, u"2{TAB}"_s, u"3{TAB}"_s}));
        QCOMPARE(cluster.psql(rows), QStringLiteral("1 2 3|1"));
        QVERIFY(cluster.restart());
        QVERIFY(b.deliverAll({u"4{TAB}"_s}));
        QCOMPARE(cluster.psql(rows), QStringLiteral("1 2 3 4|2"));
        for (const QString& text : {u"5{TAB}"_s, u"x{TAB}"_s, u"6{TAB}"_s, u"7{TAB}"_s}) {
            b.delivery.deliver(text);
        }
        QVERIFY(QTest::qWaitFor([&b] { return b.delivery.waitingCount() == 0; }, 5000));
        QCOMPARE(cluster.psql(u"SELECT string_agg(coalesce(value, '-'), ' ' ORDER BY value) FROM w;"_s),
                 u"1 2 3 4 5 6 7 -"_s);
    }
};

int main(int argc, char** argv) {
    // The date token is written as the German locale writes dates.
    qputenv("LC_ALL", "de_DE.UTF-8");
    QCoreApplication app(argc, argv);
    tst_Delivery test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_Delivery.moc"
