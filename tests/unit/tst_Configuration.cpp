#include "base/config/ConfigurationFile.h"
#include "base/config/SettingText.h"
#include "base/files/IniDocument.h"
#include "base/texts/LocaleFormats.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

Settings loaded(const QByteArray& content, Settings settings = {}) {
    ConfigurationFile::read(IniDocument::fromBytes(content), IniDocument(), settings);
    return settings;
}

QByteArray saved(const Settings& settings) {
    IniDocument document;
    ConfigurationFile::write(settings, document);
    return document.toBytes();
}

// A parsed setting as text: its value, "none" when the text holds none, "text lost" when the text
// it was read from was not kept.
template <typename T> QString shown(const ConfigValue<T>& setting, const QString& text) {
    if (setting.text() != text || !setting.value()) {
        return setting.text() != text ? QStringLiteral("text lost") : QStringLiteral("none");
    }
    if constexpr (std::is_enum_v<T>) {
        return QString::number(static_cast<int>(*setting.value()));
    } else if constexpr (std::is_same_v<T, RecordEnd>) {
        const std::optional<char> end = setting.value()->character;
        return (end ? QString::number(uchar(*end)) : QStringLiteral("-")) +
               (setting.value()->none ? " none" : "");
    } else {
        return QVariant::fromValue(*setting.value()).toString();
    }
}

// A field after reading one line of a file into settings whose fields were set before.
QString afterReading(const QByteArray& line, double (*field)(const Settings&)) {
    Settings s;
    s.waitForUnloading = false;
    s.requireStandstill = true;
    s.value.first = 99;
    s.ids[2].last = 8;
    s.density = 7.5;
    ConfigurationFile::read(IniDocument::fromBytes(line), IniDocument::fromBytes(line), s);
    return QString::number(field(s));
}

template <std::size_t N>
QString cutCells(const QString& row, void (*cut)(const QString&, std::array<QString, N>&)) {
    std::array<QString, N> cells;
    for (std::size_t i = 0; i < N; ++i) {
        cells[i] = u'p' + QString::number(i + 1);
    }
    cut(row, cells);
    return QStringList(cells.begin(), cells.end()).join(u'|');
}

// clang-format off
#define PARSER(name) {#name, [](const QString& t) { return shown(SettingText::name(t), t); }}
#define FIELD(name, line, value) {#name, [](const QString& t) { \
        return afterReading(line + t.toUtf8(), [](const Settings& s) { return double(value); }); }}

// What the configuration code makes of a text, by name.
const QHash<QString, std::function<QString(const QString&)>> Readers = {
    PARSER(wholeNumber), PARSER(shortNumber), PARSER(leadingWholeNumber), PARSER(number), PARSER(baudRate),
    PARSER(parity), PARSER(dataBits), PARSER(stopBits), PARSER(tcpPort), PARSER(transferMode),
    PARSER(timerMode), PARSER(displayMode), PARSER(flag), PARSER(wholeNumberFlag), PARSER(date),
    PARSER(time), PARSER(recordEnd), PARSER(firstKey), PARSER(thirdKey), PARSER(answerFlag),
    {"target", [](const QString& t) -> QString {
        const auto target = SettingText::target(t);
        return shown(target, t) + u' ' + SettingText::text(target.valueOr(TargetKind::Window)); }},
    {"activeLimit", [](const QString& t) {
        const auto limit = SettingText::activeLimit(SettingText::number(t));
        return limit ? QString::number(*limit) : QStringLiteral("off"); }},
    FIELD(recordWait, "[waittime]\nm_waittime=", s.recordWaitSeconds),
    FIELD(reconnect, "[link]\nreconnect=", s.reconnect),
    FIELD(trendPoints, "[trend]\npoints=", s.trendPoints),
    {"sheet", [](const QString& t) -> QString {
        Settings s;
        ConfigurationFile::read(IniDocument(), IniDocument::fromBytes("[workbook]\nsheet=" + t.toUtf8()), s);
        return s.workbookSheet; }},
    FIELD(unloading, "[Entlastung]\nentlastung=", s.waitForUnloading),
    FIELD(standstill, "[Stillstand]\nstillstand=", s.requireStandstill),
    FIELD(valueFirst, "[Gauge]\nmw_start=", s.value.first),
    FIELD(id2Last, "[Gauge]\nID_end_2=", s.ids[2].last),
    FIELD(density, "[anzeige]\nst_dichte=", s.density),
    {"schedule", [](const QString& t) -> QString {
        const Settings s = loaded("[Mode]\nd_start=" + t.toUtf8() + "\nd_end=2001-01-02\nt_start=01:02:03\n");
        const bool today =
            s.startDate.is(QDate::currentDate()) && s.stopDate.text() == LocaleFormats::todayText();
        const bool kept = s.startTime.text() == QLatin1String("01:02:03");
        return (today ? QStringLiteral("today") : s.stopDate.text()) + (kept ? " kept" : " now"); }},
    {"applications", [](const QString& t) -> QString {
        QByteArray file("[applicationList]\n");
        for (int n = 0; n < t.section(u',', 0, 0).toInt(); ++n) {
            const QByteArray number = QByteArray::number(n);
            const QByteArray name = n == t.section(u',', 1).toInt() ? QByteArray("ENDE") : "App" + number;
            file += "AppList " + number + '=' + name + "\nAppListExe " + number + "=app" + number + '\n';
        }
        const std::vector<ApplicationEntry> list = loaded(file).applications;
        return QString::number(list.size()) + u' ' + list.back().name + u' ' + list.back().programFile; }},
    {"selectFor", [](const QString& t) -> QString {
        Settings s;
        s.applications = {{"Writer", "w"}, {"Calc", "calc"}, {"Editor", "gedit"}, {"Editor 2", "gedit2"}};
        s.target = SettingText::target(t);
        s.selectedApplication = 2;
        s.selectApplicationForTarget();
        return QString::number(s.selectedApplication) + u' ' + s.selectedApplicationName() + u' ' +
               s.selectedProgramFile(); }},
    {"commandRow", [](const QString& t) { return cutCells<6>(t, ConfigurationFile::cutCommandRow); }},
    {"hotkeyRow", [](const QString& t) { return cutCells<4>(t, ConfigurationFile::cutHotkeyRow); }},
};

// Texts and what a reader makes of them. Enums show as numbers, in the order of their declaration:
// Parity, StopBits, TargetKind, TransferMode, TimerMode and DisplayMode in Settings.h.
const struct { const char* reader; std::vector<std::pair<const char*, const char*>> cases; } ReadCases[] = {
    {"wholeNumber", {{"2", "2"}, {"2.7", "2"}, {"-3.9", "-3"}, {" 5 ", "5"}, {"1e3", "1000"},
        {"TCP/IP", "none"}, {"", "none"}, {"2147483646.5", "2147483646"}, {"2147483647", "none"},
        {"-2147483647", "none"}, {"nan", "none"}, {"inf", "none"}}},
    {"shortNumber", {{"12", "12"}, {"2.5", "2"}, {"3.5", "4"}, {"-2.5", "-2"}, {"32767.4", "32767"},
        {"32767.5", "none"}, {"-32768", "-32768"}, {"-32769", "none"}, {"x", "none"}, {"nan", "none"}}},
    {"leadingWholeNumber", {{"18 bytes", "18"}, {"-5", "-5"}, {"12.9", "12"}, {"abc", "0"},
        {"999999999", "999999999"}, {"1000000000", "0"}, {"-1000000000", "0"}}},
    {"number", {{" 0.5 ", "0.5"}, {"-1", "-1"}, {"1,5", "none"}, {"", "none"}}},
    {"baudRate", {{" 19200 ", "19200"}, {"1", "1"}, {"0", "none"}, {"-1", "none"}, {"96x", "none"}}},
    {"parity", {{"", "0"}, {" e", "1"}, {"Odd", "2"}, {"m", "3"}, {"S", "4"}, {"N", "0"}, {"x", "0"}}},
    {"dataBits", {{"4", "none"}, {"5", "5"}, {"8", "8"}, {"9", "none"}, {"x", "none"}}},
    {"stopBits", {{" 2 ", "2"}, {"1.5", "1"}, {"1,5", "1"}, {"1", "0"}, {"3", "0"}}},
    {"tcpPort", {{"0", "0"}, {"65535", "65535"}, {"65536", "none"}, {"-1", "none"}, {"", "none"}}},
    {"target", {{"Text-Datei", "2 Text-Datei"}, {"Excel-Datei", "3 Excel-Datei"}, {"*free*", "1 *free*"},
        {"Access-Datenbank", "4 Access-Datenbank"}, {"XML-Datei", "5 XML-Datei"},
        {"DDE-Kanal", "6 DDE-Kanal"}, {"*DDE*", "7 *DDE*"}, {"text-datei", "0 "}, {"", "0 "}}},
    {"transferMode", {{"HOTKEY", "0"}, {"PRINT", "1"}, {"TIMER", "2"}, {"hotkey", "none"}, {"LOAD", "none"}}},
    {"timerMode", {{"0", "0"}, {"1.0", "1"}, {"2", "none"}, {"-1", "none"}, {"", "none"}}},
    {"displayMode", {{"0", "0"}, {"1", "1"}, {"2", "2"}, {"3", "none"}, {" 1", "none"}}},
    {"flag", {{" 1 ", "true"}, {"0", "false"}, {"-1", "false"}, {"True", "false"}}},
    {"wholeNumberFlag", {{"1.9", "true"}, {"2", "false"}, {"0", "false"}, {"x", "false"}}},
    {"date", {{"2026-03-04", "2026-03-04"}, {"4 Mar 2026", "2026-03-04"}, {"31.12.2026", "2026-12-31"},
        {"2026-02-30", "none"}, {"", "none"}}},
    {"time", {{"08:05:09", "08:05:09.000"}, {"8:05", "08:05:00.000"}, {"1:02:03 PM", "13:02:03.000"},
        {"24:00:00", "none"}, {"x", "none"}}},
    {"recordEnd", {{"10", "10"}, {" 13 ", "13"}, {"255", "255"}, {"256", "-"}, {"-1", "-"}, {"0", "0 none"},
        {"", "- none"}, {"CR", "- none"}, {"13x", "-"}}},
    {"firstKey", {{"SHIFT", "16"}, {"CTRL", "17"}, {"ALT", "18"}, {"ESC", "27"}, {"PRINT", "44"},
        {"F1", "112"}, {"F12", "123"}, {"F13", "0"}, {"F0", "0"}, {"ctrl", "0"}, {"", "0"}}},
    {"thirdKey", {{"", "0"}, {"F1", "112"}, {"F12", "123"}, {"F13", "3"}, {"CTRL", "3"}}},
    {"answerFlag", {{" 1", "true"}, {"0", "false"}, {"2", "false"}, {"1.0", "false"}, {"", "false"}}},
    {"activeLimit", {{"5", "5"}, {"-0.5", "-0.5"}, {"0", "off"}, {"0.0", "off"}, {"x", "off"}}},
    // Fields that held: unloading off, standstill on, value from 99, ID 2 to 8, density 7.5. A text
    // that is no value keeps the field.
    {"recordWait", {{"2.5", "2.5"}, {" +3s", "3"}, {"-", "0"}, {"-2", "-2"}, {".5", "0.5"}, {"1 5", "1"},
        {"1,5", "1"}, {"abc", "0"}}},
    {"reconnect", {{"0", "0"}, {"1", "1"}, {"", "1"}, {" No", "0"}, {"OFF", "0"}, {"false", "0"}, {"yes", "1"}}},
    {"trendPoints", {{"800", "800"}, {"", "500"}, {"3", "10"}, {"99999", "10000"}, {"x", "10"}}},
    {"sheet", {{"Sheet1", "Sheet1"}, {" Daten ", "Daten"}, {"", "Tabelle1"}}},
    {"unloading", {{"True", "1"}, {"wahr", "1"}, {"VRAI", "1"}, {"Vero", "1"}, {"verdadero", "1"},
        {"Waar", "1"}, {"-1", "1"}, {"2.5", "1"}, {"maybe", "0"}, {"", "0"}}},
    {"standstill", {{"False", "0"}, {"falsch", "0"}, {"FAUX", "0"}, {"Falso", "0"}, {"Onwaar", "0"},
        {"0.0", "0"}, {"maybe", "1"}}},
    {"valueFirst", {{"-4", "-4"}, {"2.5", "2"}, {"3.5", "4"}, {"40000", "99"}, {"abc", "99"}}},
    {"id2Last", {{"12", "12"}, {"x", "8"}}},
    {"density", {{"0.998", "0.998"}, {"0", "0"}, {"heavy", "7.5"}}},
    // A start date that is no date starts and stops the schedule now.
    {"schedule", {{"2001-01-01", "2001-01-02 kept"}, {"", "today now"}, {"someday", "today now"}}},
    // Entries written and where "ENDE" stands: the size of the list read and its last entry.
    {"applications", {{"0,-1", "1  "}, {"5,2", "2 App1 app1"}, {"21,-1", "21 App20 app20"},
        {"22,-1", "21 App20 app20"}}},
    // Entries 0 "Writer", 1 "Calc", 2 "Editor", 3 "Editor 2", 2 chosen: the last match after entry 0.
    {"selectFor", {{"Editor", "3 Editor 2 gedit2"}, {"alc", "1 Calc calc"}, {"Writer", "2 Editor gedit"},
        {"calc", "2 Editor gedit"}, {"", "3 Editor 2 gedit2"}}},
    // The cells held p1 to p6 before; a cell whose cut comes out negative keeps its text.
    {"commandRow", {{"CTRL,ALT,F1,ESCT,Tare,1", "CTRL|ALT|F1|ESCT|Tare|1"}, {",,,,,", "|||||0"},
        {"", "|||||0"},
        {"abcdefghijklmnopqrstuvwxyz0123456789", "|bcd|fghi|klmn|pqrstuvwxyz012|456789"},
        {"a,b,c,d,e,", "a|b|c|d|e|0"}, {"a,b", "a|b|p3|b|p5|b"}, {"abcdefg,h", "abcdefg|p2|fg|h|p5|h"},
        {"F1,,,A,B,Tare,1", "F1|||A|B|Tare,1"}}},
    {"hotkeyRow", {{"CTRL,ALT,F5,x", "CTRL|ALT|F5|x"}, {",,,", "|||"},
        {"CTRL,SHIFT,F2", "CTRL|SHIFT|p3|CTRL,SHIFT,F2"},
        {"F1", "p1|p2|p3|F1"}, {"", "p1|p2|p3|"}, {",x", "|p2||x"}, {"a,b,c,d,e", "a|b|c|d,e"}}},
};

// Replacements that make a fresh file odd: values no setting can hold, quotes and blanks.
const std::pair<const char*, const char*> OddValues[] = {
    {"baud=9600", "baud=fast"}, {"parity=O", "parity=e"}, {"databit=7", "databit=9"},
    {"stopbit=1", "stopbit=1,5"}, {"portnum=2", "portnum=TCP/IP"}, {"tcpport=\n", "tcpport=99999\n"},
    {"\nAnwendung=\n", "\nAnwendung=My Editor\n"}, {"Format=", "Format={Messwert}\"x\"{TAB}"},
    {"modus=PRINT", "modus=LOAD"}, {"int_modus=0", "int_modus=7"}, {"anz_mess=0", "anz_mess=ten"},
    {"int_std=0", "int_std=1.5"}, {"OTG=0", "OTG=1,5"}, {"TRZ=0", "TRZ=yes"}, {"activ=0", "activ=-1"},
    {"d_end=2026-03-05", "d_end=someday"}, {"t_start=08:00:00", "t_start=25:00"},
    {"str_len=22", "str_len=18 bytes"}, {"str_endchar=10", "str_endchar=CR"},
    {"st_kennung=", "st_kennung=\" \""}, {"anzeigemodus=0", "anzeigemodus=9"},
    {"st_dichte=1", "st_dichte=0.998"}, {"key2=,,,,,0", "key2=CTRL,ALT,F1,ESCT,Tare,1"},
    {"key3=,,,,,0", "key3=F13,x,,run it,,yes"}, {"\nkey0=,,,\n", "\nkey0=SHIFT,CTRL,F13,x\n"},
    {"AppListExe 0=\n", "AppListExe 0=gedit\nAppList 1=My Editor 2\nAppListExe 1=myeditor\n"},
    {"befehl=", "befehl=[run(\"Macro\")]"}, {"ID_end_10=0", "ID_end_10=-7"},
};
// clang-format on

// A complete file as a fresh save of the defaults writes it, with the schedule set.
QByteArray freshFile() {
    QByteArray ids, commands, hotkeys;
    for (int n = 1; n <= 10; ++n) {
        ids += "ID_anf_" + QByteArray::number(n) + "=0\nID_end_" + QByteArray::number(n) + "=0\n";
        commands += n <= 8 ? "key" + QByteArray::number(n - 1) + "=,,,,,0\n" : QByteArray();
        hotkeys += n <= 8 ? "key" + QByteArray::number(n - 1) + "=,,,\n" : QByteArray();
    }
    return "[Port settings]\nbaud=9600\nparity=O\nhandshake=none\ndatabit=7\nstopbit=1\nportnum=2\ntcpip=\n"
           "tcpport=\n[Anwendung]\nAnwendung=\nExcelFile=\nTextFile=\nAccessFile=\nAccessTable=\nFormat=\n"
           "[Mode]\nmodus=PRINT\nprot=\nint_modus=0\nanz_mess=0\nd_start=2026-03-04\nd_end=2026-03-05\n"
           "t_start=08:00:00\nt_end=17:30:00\nactiv=0\n[Entlastung]\nentlastung=True\n[Stillstand]\n"
           "stillstand=True\n[Intervall]\nint_std=0\nint_min=0\nint_sek=0\n[Filter]\nOTG=0\nUTG=0\n"
           "[Dezimaltrennzeichen]\nTRZ=0\n[Gauge]\nstr_len=22\nstr_endchar=10\nstr_noend=\nmw_start=11\n"
           "mw_end=16\nmw_sign_anf=7\nmw_sign_end=7\neh_start=18\neh_end=19\nmw_still_anf=18\n"
           "mw_still_end=19\n" +
           ids + "st_kennung=\n[anzeige]\nanzeigemodus=0\nst_dichte=1\n[Action]\n" + commands +
           "[Hotkeys]\n" + hotkeys +
           "[applicationList]\nAppList 0=\nAppListExe 0=\n[DDECONN]\nanwend=Excel\ntopic=System\nbefehl=\n";
}

} // namespace

class tst_Configuration : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readTexts_data() {
        QTest::addColumn<QString>("reader");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        for (const auto& [reader, cases] : ReadCases) {
            for (const auto& [text, expected] : cases) {
                QTest::addRow("%s \"%s\"", reader, text) << reader << text << expected;
            }
        }
    }
    void readTexts() {
        QFETCH(QString, reader);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(Readers.value(reader)(text), expected);
    }
    void freshAndSnapshotSave() {
        Settings s = loaded({});
        s.startDate = SettingText::date(QStringLiteral("2026-03-04"));
        s.stopDate = SettingText::date(QStringLiteral("2026-03-05"));
        s.startTime = SettingText::time(QStringLiteral("08:00:00"));
        s.stopTime = SettingText::time(QStringLiteral("17:30:00"));
        // Any file but the snapshot is written from scratch; the snapshot is updated in place.
        QTemporaryDir dir;
        for (const QString& name : {QStringLiteral("job.cfg"), QStringLiteral("tmp.cfg")}) {
            QVERIFY(TestFiles::write(dir.filePath(name), "[Extra]\nmine=1\n[Mode]\nmodus=TIMER\nlocal=2\n"));
            QVERIFY(ConfigurationFile::save(s, dir.filePath(name)));
        }
        QCOMPARE(TestFiles::read(dir.filePath(QStringLiteral("job.cfg"))), freshFile());
        const QByteArray snapshot = TestFiles::read(dir.filePath(QStringLiteral("tmp.cfg")));
        QVERIFY2(snapshot.startsWith("[Extra]\nmine=1\n[Mode]\nmodus=PRINT\nlocal=2\nprot=\n"), snapshot);
        QCOMPARE(snapshot.size(), freshFile().size() + 23);
        QVERIFY(s.serialPort.is(2) && s.waitForUnloading && s.requireStandstill && s.recordLength.is(22));
        QVERIFY(s.recordEnd.is(RecordEnd{'\n', false}) && s.value == (FieldRange{11, 16}) &&
                s.density == 1.0);
        QVERIFY(s.deviceCommands[7].deliversAnswer.is(false) && s.recordWaitSeconds == 1.0);
        QVERIFY(loaded({}).startDate.is(QDate::currentDate()) && loaded({}).stopTime.value());
    }
    void oddFileSurvivesLoadAndSave() {
        QByteArray file = freshFile();
        for (const auto& [from, to] : OddValues) {
            QVERIFY2(file.contains(from), from);
            file.replace(from, to);
        }
        Settings s = loaded(file);
        QCOMPARE(saved(s), file);
        QVERIFY(s.isTcp() && s.target.is(TargetKind::Window) && s.intervalHours.is(2) &&
                s.recordLength.is(18));
        QVERIFY(s.startDate.value() && !s.stopDate.value() && !s.startTime.value() && s.density == 0.998);
        const DeviceCommand& tare = s.deviceCommands[2];
        QVERIFY(tare.keys.keys[0].is(17) && tare.keys.keys[1].is(18) && tare.keys.keys[2].is(112));
        QVERIFY(tare.command == QLatin1String("ESCT") && tare.caption == QLatin1String("Tare"));
        QVERIFY(tare.deliversAnswer.is(true) && s.deviceCommands[3].deliversAnswer.is(false));
        QVERIFY(s.hotkeys[0].keys.keys[2].is(3) && s.hotkeys[0].extra == QLatin1String("x"));
        for (const auto& [entry, name] : {std::pair{1, "My Editor 2"}, {2, ""}, {-1, ""}}) {
            s.selectedApplication = entry;
            QCOMPARE(s.selectedApplicationName(), QString::fromUtf8(name));
            QCOMPARE(s.selectedProgramFile().isEmpty(), *name == '\0');
        }
        // An empty answer cell is written as 0, one blank as standstill text quoted, no application as one.
        Settings changed = loaded("[Action]\nkey2=F1,,,ESCT,Tare,\n");
        changed.standstillText = QStringLiteral(" ");
        changed.applications.clear();
        const QByteArray bytes = saved(changed);
        QVERIFY(bytes.contains("\nkey2=F1,,,ESCT,Tare,0\n") && bytes.contains("\nst_kennung=\" \"\n"));
        QVERIFY(bytes.contains("\n[applicationList]\nAppList 0=\nAppListExe 0=\n[DDECONN]"));
    }
    void busTarget() {
        QTemporaryDir dir;
        Settings s;
        s.configurationPath = dir.filePath(QStringLiteral("job.cfg"));
        ConfigurationFile::readBusTarget(s);
        QCOMPARE((QStringList{s.busName, s.objectPath, s.busCommand}), (QStringList{"Excel", "System", ""}));
        QVERIFY(TestFiles::write(s.configurationPath, "[Gauge]\nmw_start=3\n[DDECONN]\ntopic=Old\n"));
        s.busName = QStringLiteral("org.example.Calc");
        s.objectPath = QStringLiteral("Sheet1");
        s.busCommand = QStringLiteral("[run(\"Macro\")]");
        QVERIFY(ConfigurationFile::writeBusTarget(s));
        QCOMPARE(TestFiles::read(s.configurationPath), "[Gauge]\nmw_start=3\n[DDECONN]\ntopic=Sheet1\n"
                                                       "anwend=org.example.Calc\nbefehl=[run(\"Macro\")]\n");
        s.configurationPath = dir.filePath(QStringLiteral("missing/job.cfg"));
        QVERIFY(!ConfigurationFile::writeBusTarget(s));
    }
};

QTEST_GUILESS_MAIN(tst_Configuration)
#include "tst_Configuration.moc"
