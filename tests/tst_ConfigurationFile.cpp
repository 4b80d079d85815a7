#include "settings/ConfigurationFile.h"
#include "settings/IniDocument.h"
#include "settings/LocaleFormats.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QtTest>

using ActionCells = std::array<QString, Settings::ActionCells + 1>;
using HotkeyCells = std::array<QString, Settings::HotkeyCells + 1>;

namespace {

Settings loadFrom(const QByteArray& content, const Settings& start = {}) {
    Settings settings = start;
    ConfigurationFile::read(IniDocument::fromBytes(content), IniDocument(), settings);
    return settings;
}

QByteArray savedBytes(const Settings& settings) {
    IniDocument document;
    ConfigurationFile::write(settings, document);
    return document.toBytes();
}

} // namespace

class tst_ConfigurationFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void actionRow_data();
    void actionRow();
    void hotkeyRow_data();
    void hotkeyRow();
    void defaultsOfEmptyFile();
    void applicationList_data();
    void applicationList();
    void conversions_data();
    void conversions();
    void positionsKeepValueWhenNotNumeric();
    void invalidStartDateResetsAllTimerDates();
    void missingStartDateTakesToday();
    void waitTime_data();
    void waitTime();
    void writesKeysInFileOrder();
    void stabilityMarkOfOneBlank();
    void emptySixthCellBecomesZero();
    void roundTripOfEveryKey();
    void snapshotKeepsUnknownKeys();
    void fullSaveDropsUnknownKeys();
};

void tst_ConfigurationFile::actionRow_data() {
    QTest::addColumn<QString>("row");
    QTest::addColumn<QStringList>("expected");

    // Previous cells are "p1".."p6": a negative cut length keeps them.
    QTest::newRow("six cells") << "CTRL,ALT,F1,ESCT,Tare,1"
                               << QStringList{"CTRL", "ALT", "F1", "ESCT", "Tare", "1"};
    QTest::newRow("default row") << ",,,,," << QStringList{"", "", "", "", "", "0"};
    QTest::newRow("36 characters without commas")
        << "abcdefghijklmnopqrstuvwxyz0123456789"
        << QStringList{"", "bcd", "fghi", "klmn", "pqrstuvwxyz012", "456789"};
    QTest::newRow("empty sixth cell") << "a,b,c,d,e," << QStringList{"a", "b", "c", "d", "e", "0"};
    QTest::newRow("two cells") << "a,b" << QStringList{"a", "b", "p3", "b", "p5", "b"};
    QTest::newRow("empty row") << "" << QStringList{"", "", "", "", "", "0"};
    QTest::newRow("comma in command splits")
        << "F1,,,A,B,Tare,1" << QStringList{"F1", "", "", "A", "B", "Tare,1"};
}

void tst_ConfigurationFile::actionRow() {
    QFETCH(QString, row);
    QFETCH(QStringList, expected);
    ActionCells cells;
    for (int c = 1; c <= Settings::ActionCells; ++c) {
        cells[c] = QStringLiteral("p%1").arg(c);
    }
    ConfigurationFile::parseActionRow(row, cells);
    QStringList actual;
    for (int c = 1; c <= Settings::ActionCells; ++c) {
        actual.append(cells[c]);
    }
    QCOMPARE(actual, expected);
}

void tst_ConfigurationFile::hotkeyRow_data() {
    QTest::addColumn<QString>("row");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("four cells") << "CTRL,ALT,F5,x" << QStringList{"CTRL", "ALT", "F5", "x"};
    QTest::newRow("default row") << ",,," << QStringList{"", "", "", ""};
    QTest::newRow("three names two commas")
        << "CTRL,SHIFT,F2" << QStringList{"CTRL", "SHIFT", "p3", "CTRL,SHIFT,F2"};
    QTest::newRow("no commas") << "F1" << QStringList{"p1", "p2", "p3", "F1"};
    QTest::newRow("extra commas stay in cell 4") << "a,b,c,d,e" << QStringList{"a", "b", "c", "d,e"};
}

void tst_ConfigurationFile::hotkeyRow() {
    QFETCH(QString, row);
    QFETCH(QStringList, expected);
    HotkeyCells cells;
    for (int c = 1; c <= Settings::HotkeyCells; ++c) {
        cells[c] = QStringLiteral("p%1").arg(c);
    }
    ConfigurationFile::parseHotkeyRow(row, cells);
    QStringList actual;
    for (int c = 1; c <= Settings::HotkeyCells; ++c) {
        actual.append(cells[c]);
    }
    QCOMPARE(actual, expected);
}

void tst_ConfigurationFile::defaultsOfEmptyFile() {
    const Settings s = loadFrom(QByteArray());
    QCOMPARE(s.baud, QStringLiteral("9600"));
    QCOMPARE(s.parity, QStringLiteral("O"));
    QCOMPARE(s.handshake, QStringLiteral("none"));
    QCOMPARE(s.databit, QStringLiteral("7"));
    QCOMPARE(s.stopbit, QStringLiteral("1"));
    QCOMPARE(s.portnum, QStringLiteral("2"));
    QCOMPARE(s.tcpip, QString());
    QCOMPARE(s.modus, QStringLiteral("PRINT"));
    QVERIFY(s.entlastung);
    QVERIFY(s.stillstand);
    QCOMPARE(s.int_modus, QStringLiteral("0"));
    QCOMPARE(s.OTG, QStringLiteral("0"));
    QCOMPARE(s.UTG, QStringLiteral("0"));
    QCOMPARE(s.TRZ, QStringLiteral("0"));
    QCOMPARE(s.activ, QStringLiteral("0"));
    QCOMPARE(s.str_len, QStringLiteral("22"));
    QCOMPARE(s.str_endchar, QStringLiteral("10"));
    QCOMPARE(s.mw_start, 11);
    QCOMPARE(s.mw_end, 16);
    QCOMPARE(s.mw_sign_anf, 7);
    QCOMPARE(s.mw_sign_end, 7);
    QCOMPARE(s.eh_start, 18);
    QCOMPARE(s.eh_end, 19);
    QCOMPARE(s.mw_still_anf, 18);
    QCOMPARE(s.mw_still_end, 19);
    QCOMPARE(s.ID_anf[1], 0);
    QCOMPARE(s.anzeigemodus, QStringLiteral("0"));
    QCOMPARE(s.st_dichte, 1.0);
    QCOMPARE(s.anwend, QStringLiteral("Excel"));
    QCOMPARE(s.topic, QStringLiteral("System"));
    QCOMPARE(s.Action[3][6], QStringLiteral("0"));
    QCOMPARE(s.applicationList.size(), std::size_t(1));
    QCOMPARE(s.applicationList[0], ApplicationEntry{});
    QCOMPARE(s.d_start, LocaleFormats::todayText());
    QVERIFY(LocaleFormats::isDate(s.d_start));
    QVERIFY(LocaleFormats::parseTime(s.t_start).isValid());
}

void tst_ConfigurationFile::applicationList_data() {
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("expected");
    QTest::newRow("none") << 0 << 1;
    QTest::newRow("three") << 3 << 3;
    QTest::newRow("twenty-one") << 21 << 21;
    QTest::newRow("twenty-two, the last never read") << 22 << 21;
}

void tst_ConfigurationFile::applicationList() {
    QFETCH(int, entries);
    QFETCH(int, expected);
    QByteArray content("[applicationList]\n");
    for (int n = 0; n < entries; ++n) {
        content += QStringLiteral("AppList %1=App%1\nAppListExe %1=app%1.exe\n").arg(n).toUtf8();
    }
    const Settings s = loadFrom(content);
    QCOMPARE(int(s.applicationList.size()), expected);
    if (entries > 0) {
        QCOMPARE(s.applicationList.back().name, QStringLiteral("App%1").arg(expected - 1));
        QCOMPARE(s.applicationList.back().programFile, QStringLiteral("app%1.exe").arg(expected - 1));
    }
}

void tst_ConfigurationFile::conversions_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");
    QTest::newRow("True") << QByteArray("[Entlastung]\nentlastung=True\n") << "entlastung"
                          << "true";
    QTest::newRow("False") << QByteArray("[Entlastung]\nentlastung=False\n") << "entlastung"
                           << "false";
    QTest::newRow("zero") << QByteArray("[Stillstand]\nstillstand=0\n") << "stillstand"
                          << "false";
    QTest::newRow("minus one") << QByteArray("[Stillstand]\nstillstand=-1\n") << "stillstand"
                               << "true";
    QTest::newRow("German word") << QByteArray("[Stillstand]\nstillstand=Falsch\n") << "stillstand"
                                 << "false";
    QTest::newRow("garbage keeps value") << QByteArray("[Stillstand]\nstillstand=maybe\n") << "stillstand"
                                         << "keep";
    QTest::newRow("format key spelt lower case") << QByteArray("[Anwendung]\nformat={TAB}\n") << "Format"
                                                 << "{TAB}";
    QTest::newRow("Format key as written") << QByteArray("[Anwendung]\nFormat=x\n") << "Format"
                                           << "x";
    QTest::newRow("long value cut") << (QByteArray("[Anwendung]\nFormat=") + QByteArray(250, 'a')) << "Format"
                                    << QString(199, u'a');
    QTest::newRow("gauge section lower case") << QByteArray("[gauge]\nmw_still_anf=3\n") << "mw_still_anf"
                                              << "3";
    QTest::newRow("negative position") << QByteArray("[Gauge]\nmw_start=-4\n") << "mw_start"
                                       << "-4";
    QTest::newRow("position overflow keeps value") << QByteArray("[Gauge]\nmw_start=40000\n") << "mw_start"
                                                   << "keep";
    QTest::newRow("st_kennung quoted blank") << QByteArray("[Gauge]\nst_kennung=\" \"\n") << "st_kennung"
                                             << " ";
    QTest::newRow("density") << QByteArray("[anzeige]\nst_dichte=0.998\n") << "st_dichte"
                             << "0.998";
    QTest::newRow("density garbage keeps value") << QByteArray("[anzeige]\nst_dichte=heavy\n") << "st_dichte"
                                                 << "keep";
}

void tst_ConfigurationFile::conversions() {
    QFETCH(QByteArray, content);
    QFETCH(QString, field);
    QFETCH(QString, expected);
    Settings start;
    start.stillstand = true;
    start.mw_start = 99;
    start.st_dichte = 7.5;
    const Settings s = loadFrom(content, start);
    const QMap<QString, QString> actual = {
        {QStringLiteral("entlastung"), s.entlastung ? QStringLiteral("true") : QStringLiteral("false")},
        {QStringLiteral("stillstand"), s.stillstand ? QStringLiteral("true") : QStringLiteral("false")},
        {QStringLiteral("Format"), s.Format},
        {QStringLiteral("mw_still_anf"), QString::number(s.mw_still_anf)},
        {QStringLiteral("mw_start"), QString::number(s.mw_start)},
        {QStringLiteral("st_kennung"), s.st_kennung},
        {QStringLiteral("st_dichte"), QString::number(s.st_dichte)},
    };
    const QMap<QString, QString> kept = {{QStringLiteral("stillstand"), QStringLiteral("true")},
                                         {QStringLiteral("mw_start"), QStringLiteral("99")},
                                         {QStringLiteral("st_dichte"), QStringLiteral("7.5")}};
    QCOMPARE(actual.value(field), expected == QLatin1String("keep") ? kept.value(field) : expected);
}

void tst_ConfigurationFile::positionsKeepValueWhenNotNumeric() {
    Settings start;
    start.ID_anf[2] = 5;
    start.ID_end[2] = 8;
    start.ID_anf[3] = 1;
    const Settings s = loadFrom("[Gauge]\nID_anf_2=abc\nID_anf_3=12\nID_end_3=14\n", start);
    QCOMPARE(s.ID_anf[2], 5);
    QCOMPARE(s.ID_end[2], 8);
    QCOMPARE(s.ID_anf[3], 12);
    QCOMPARE(s.ID_end[3], 14);
}

void tst_ConfigurationFile::invalidStartDateResetsAllTimerDates() {
    for (const QByteArray& value : {QByteArray("d_start=\n"), QByteArray("d_start=not a date\n")}) {
        const Settings s =
            loadFrom("[Mode]\n" + value + "d_end=01.01.2001\nt_start=01:02:03\nt_end=04:05:06\n");
        QCOMPARE(s.d_start, LocaleFormats::todayText());
        QCOMPARE(s.d_end, LocaleFormats::todayText());
        QVERIFY(s.t_start != QLatin1String("01:02:03"));
        QVERIFY(s.t_end != QLatin1String("04:05:06"));
        QVERIFY(LocaleFormats::parseTime(s.t_end).isValid());
    }
}

void tst_ConfigurationFile::missingStartDateTakesToday() {
    const Settings s = loadFrom("[Mode]\nd_end=2001-01-01\nt_start=01:02:03\nt_end=04:05:06\n");
    QCOMPARE(s.d_start, LocaleFormats::todayText());
    QCOMPARE(s.d_end, QStringLiteral("2001-01-01"));
    QCOMPARE(s.t_start, QStringLiteral("01:02:03"));
    QCOMPARE(s.t_end, QStringLiteral("04:05:06"));
}

void tst_ConfigurationFile::waitTime_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<double>("expected");
    QTest::newRow("missing file") << QByteArray() << 1.0;
    QTest::newRow("fraction") << QByteArray("[waittime]\nm_waittime=2.5\n") << 2.5;
    QTest::newRow("leading number only") << QByteArray("[waittime]\nm_waittime=3s\n") << 3.0;
    QTest::newRow("comma is no separator") << QByteArray("[waittime]\nm_waittime=1,5\n") << 1.0;
    QTest::newRow("not a number") << QByteArray("[waittime]\nm_waittime=abc\n") << 0.0;
    QTest::newRow("empty") << QByteArray("[waittime]\nm_waittime=\n") << 0.0;
}

void tst_ConfigurationFile::waitTime() {
    QFETCH(QByteArray, content);
    QFETCH(double, expected);
    Settings s;
    ConfigurationFile::read(IniDocument(), IniDocument::fromBytes(content), s);
    QCOMPARE(s.m_waittime, expected);
}

void tst_ConfigurationFile::writesKeysInFileOrder() {
    const QString text = QString::fromUtf8(savedBytes(loadFrom(QByteArray())));
    QStringList sections;
    for (const QString& line : text.split(u'\n')) {
        if (line.startsWith(u'[')) {
            sections.append(line);
        }
    }
    QCOMPARE(sections,
             (QStringList{"[Port settings]", "[Anwendung]", "[Mode]", "[Entlastung]", "[Stillstand]",
                          "[Intervall]", "[Filter]", "[Dezimaltrennzeichen]", "[Gauge]", "[anzeige]",
                          "[Action]", "[Hotkeys]", "[applicationList]", "[DDECONN]"}));
    const QStringList gauge = IniDocument::fromBytes(text.toUtf8()).keys(QStringLiteral("Gauge"));
    QCOMPARE(gauge.mid(0, 13), (QStringList{"str_len", "str_endchar", "str_noend", "mw_start", "mw_end",
                                            "mw_sign_anf", "mw_sign_end", "eh_start", "eh_end",
                                            "mw_still_anf", "mw_still_end", "ID_anf_1", "ID_end_1"}));
    QCOMPARE(gauge.last(), QStringLiteral("st_kennung"));
    QCOMPARE(gauge.size(), 32);
    QVERIFY(text.contains(QStringLiteral("\nFormat=")));
    QVERIFY(text.contains(QStringLiteral("\nAppList 0=\nAppListExe 0=\n")));
    QVERIFY(text.contains(QStringLiteral("\nentlastung=True\n")));
}

void tst_ConfigurationFile::stabilityMarkOfOneBlank() {
    Settings s;
    s.st_kennung = QStringLiteral(" ");
    QVERIFY(savedBytes(s).contains("\nst_kennung=\" \"\n"));
    QCOMPARE(loadFrom(savedBytes(s)).st_kennung, QStringLiteral(" "));
    QCOMPARE(s.st_kennung, QStringLiteral(" "));
    s.st_kennung.clear();
    QVERIFY(savedBytes(s).contains("\nst_kennung=\n"));
}

void tst_ConfigurationFile::emptySixthCellBecomesZero() {
    const Settings s = loadFrom("[Action]\nkey2=F1,,,ESCT,Tare,\n");
    QVERIFY(savedBytes(s).contains("\nkey2=F1,,,ESCT,Tare,0\n"));
}

void tst_ConfigurationFile::roundTripOfEveryKey() {
    Settings s = loadFrom(QByteArray());
    s.baud = QStringLiteral("19200");
    s.parity = QStringLiteral("e");
    s.handshake = QStringLiteral("Xon/Xoff");
    s.databit = QStringLiteral("8");
    s.stopbit = QStringLiteral("2");
    s.portnum = QStringLiteral("TCP/IP");
    s.tcpip = QStringLiteral("192.0.2.7");
    s.tcpport = QStringLiteral("4001");
    s.Anwendung = QStringLiteral("Text-Datei");
    s.ExcelFile = QStringLiteral("/data/wägung.xlsx");
    s.TextFile = QStringLiteral("/data/values.txt");
    s.AccessFile = QStringLiteral("postgresql://u:p@127.0.0.1:5432/lab");
    s.AccessTable = QStringLiteral("weights");
    s.Format = QStringLiteral("{Messwert}{TAB}{Einheit}{ENTER}");
    s.modus = QStringLiteral("TIMER");
    s.entlastung = false;
    s.stillstand = false;
    s.prot = QStringLiteral("kept");
    s.int_modus = QStringLiteral("1");
    s.anz_mess = QStringLiteral("25");
    s.int_std = QStringLiteral("1");
    s.int_min = QStringLiteral("2");
    s.int_sek = QStringLiteral("3");
    s.OTG = QStringLiteral("100");
    s.UTG = QStringLiteral("0.5");
    s.TRZ = QStringLiteral("1");
    s.d_start = LocaleFormats::dateText(QDate(2026, 3, 4));
    s.d_end = LocaleFormats::dateText(QDate(2026, 3, 5));
    s.t_start = QStringLiteral("08:00:00");
    s.t_end = QStringLiteral("17:30:00");
    s.activ = QStringLiteral("1");
    s.str_len = QStringLiteral("18");
    s.str_endchar = QStringLiteral("13");
    s.mw_start = 3;
    s.mw_end = 9;
    s.mw_sign_anf = 1;
    s.mw_sign_end = 2;
    s.eh_start = 11;
    s.eh_end = 12;
    s.mw_still_anf = 14;
    s.mw_still_end = 14;
    for (int n = 1; n <= Settings::IdCount; ++n) {
        s.ID_anf[n] = static_cast<std::int16_t>(n * 2);
        s.ID_end[n] = static_cast<std::int16_t>(n * 2 + 1);
    }
    s.st_kennung = QStringLiteral("S");
    s.anzeigemodus = QStringLiteral("2");
    s.st_dichte = 0.998;
    for (int r = 0; r < Settings::RowCount; ++r) {
        s.Action[r] = {QString(),
                       QStringLiteral("CTRL"),
                       QStringLiteral("ALT"),
                       QStringLiteral("F%1").arg(r + 1),
                       QStringLiteral("ESCT%1").arg(r),
                       QStringLiteral("Cmd %1").arg(r),
                       QStringLiteral("1")};
        s.Hotkeys[r] = {QString(), QStringLiteral("SHIFT"), QStringLiteral("CTRL"),
                        QStringLiteral("F%1").arg(12 - r), QStringLiteral("x%1").arg(r)};
    }
    s.applicationList = {{QStringLiteral("Editor"), QStringLiteral("gedit")},
                         {QStringLiteral("*DDE*"), QString()}};
    s.anwend = QStringLiteral("Calc");
    s.topic = QStringLiteral("Sheet1");
    s.befehl = QStringLiteral("[run(\"Macro\")]");

    const QByteArray first = savedBytes(s);
    const Settings loaded = loadFrom(first);
    QCOMPARE(savedBytes(loaded), first);
    QCOMPARE(loaded.parity, QStringLiteral("e"));
    QCOMPARE(loaded.Format, s.Format);
    QCOMPARE(loaded.ExcelFile, s.ExcelFile);
    QCOMPARE(loaded.ID_end[10], 21);
    QCOMPARE(loaded.st_dichte, 0.998);
    QCOMPARE(loaded.Action[7][4], QStringLiteral("ESCT7"));
    QCOMPARE(loaded.Hotkeys[0][3], QStringLiteral("F12"));
    QCOMPARE(loaded.applicationList, s.applicationList);
    QCOMPARE(loaded.entlastung, false);
    QCOMPARE(loaded.befehl, s.befehl);
}

void tst_ConfigurationFile::snapshotKeepsUnknownKeys() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tmp.cfg"));
    QVERIFY(TestFiles::write(path, "[Extra]\nmine=1\n[Mode]\nmodus=HOTKEY\nlocal=2\n"));
    Settings s = loadFrom(QByteArray());
    QVERIFY(ConfigurationFile::save(s, path));
    const IniDocument saved = IniDocument::fromFile(path);
    QCOMPARE(saved.value(QStringLiteral("Extra"), QStringLiteral("mine"), {}), QStringLiteral("1"));
    QCOMPARE(saved.value(QStringLiteral("Mode"), QStringLiteral("local"), {}), QStringLiteral("2"));
    QCOMPARE(saved.value(QStringLiteral("Mode"), QStringLiteral("modus"), {}), QStringLiteral("PRINT"));
    QCOMPARE(saved.keys(QStringLiteral("Mode")).first(), QStringLiteral("modus"));
}

void tst_ConfigurationFile::fullSaveDropsUnknownKeys() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("job.cfg"));
    QVERIFY(TestFiles::write(path, "[Extra]\nmine=1\n"));
    QVERIFY(ConfigurationFile::save(loadFrom(QByteArray()), path));
    QVERIFY(!IniDocument::fromFile(path).contains(QStringLiteral("Extra"), QStringLiteral("mine")));
}

QTEST_GUILESS_MAIN(tst_ConfigurationFile)
#include "tst_ConfigurationFile.moc"
