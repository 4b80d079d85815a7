#include "settings/ConfigurationFile.h"

#include "settings/IniDocument.h"
#include "settings/LocaleFormats.h"

#include <QLocale>

#include <cmath>
#include <limits>
#include <optional>

namespace {

const QString PortSection = QStringLiteral("Port settings");
const QString AnwendungSection = QStringLiteral("Anwendung");
const QString ModeSection = QStringLiteral("Mode");
const QString IntervalSection = QStringLiteral("Intervall");
const QString FilterSection = QStringLiteral("Filter");
const QString GaugeSection = QStringLiteral("Gauge");
const QString DisplaySection = QStringLiteral("anzeige");
const QString ActionSection = QStringLiteral("Action");
const QString HotkeySection = QStringLiteral("Hotkeys");
const QString ApplicationSection = QStringLiteral("applicationList");
const QString DdeSection = QStringLiteral("DDECONN");
const QString ListEnd = QStringLiteral("ENDE");

// Position of the first comma at or after start (1-based), 0 when there is none.
int findComma(const QString& text, int start) {
    const qsizetype index = text.indexOf(u',', start - 1);
    return index < 0 ? 0 : static_cast<int>(index) + 1;
}

// The characters from 1-based position start, count of them; nullopt for a negative count.
std::optional<QString> cut(const QString& text, int start, int count) {
    if (count < 0) {
        return std::nullopt;
    }
    return text.mid(start - 1, count);
}

QString rest(const QString& text, int start) {
    return text.mid(start - 1);
}

std::optional<std::int16_t> toInt16(const QString& text) {
    bool ok = false;
    const double value = LocaleFormats::parseNumber(text, &ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    // Halves round to the even neighbour, as the classic integer conversion does.
    const double rounded = std::nearbyint(value);
    if (rounded < std::numeric_limits<std::int16_t>::min() ||
        rounded > std::numeric_limits<std::int16_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(rounded);
}

std::optional<bool> toBoolean(const QString& input) {
    const QString text = input.trimmed();
    for (const char* word : {"True", "Wahr", "Vrai", "Vero", "Verdadero", "Waar"}) {
        if (text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    for (const char* word : {"False", "Falsch", "Faux", "Falso", "Onwaar"}) {
        if (text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0) {
            return false;
        }
    }
    bool ok = false;
    const double value = LocaleFormats::parseNumber(text, &ok);
    if (!ok) {
        return std::nullopt;
    }
    return value != 0.0;
}

QString booleanText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

void readInt16(const IniDocument& document, const QString& key, const char* defaultValue,
               std::int16_t& field) {
    if (const auto value = toInt16(document.value(GaugeSection, key, QLatin1String(defaultValue)))) {
        field = *value;
    }
}

QString rowKey(int row) {
    return QStringLiteral("key") + QString::number(row);
}

} // namespace

bool ConfigurationFile::isSnapshotPath(const QString& path) {
    return path.contains(QStringLiteral("tmp.cfg"));
}

double ConfigurationFile::leadingNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) {
        ++i;
    }
    const qsizetype begin = i;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-')) {
        ++i;
    }
    bool digits = false;
    while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128) {
        ++i;
        digits = true;
    }
    if (i < text.size() && text.at(i) == u'.') {
        ++i;
        while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128) {
            ++i;
            digits = true;
        }
    }
    if (!digits) {
        return 0.0;
    }
    return QLocale::c().toDouble(text.mid(begin, i - begin));
}

void ConfigurationFile::parseHotkeyRow(const QString& row,
                                       std::array<QString, Settings::HotkeyCells + 1>& cells) {
    const int p1 = findComma(row, 1);
    const int p2 = findComma(row, p1 + 1);
    const int p3 = findComma(row, p2 + 1);
    if (auto cell = cut(row, 1, p1 - 1)) {
        cells[1] = *cell;
    }
    if (auto cell = cut(row, p1 + 1, p2 - p1 - 1)) {
        cells[2] = *cell;
    }
    if (auto cell = cut(row, p2 + 1, p3 - p2 - 1)) {
        cells[3] = *cell;
    }
    cells[4] = rest(row, p3 + 1);
}

void ConfigurationFile::parseActionRow(const QString& row,
                                       std::array<QString, Settings::ActionCells + 1>& cells) {
    std::array<int, 6> p{};
    for (int i = 1; i <= 5; ++i) {
        p[i] = findComma(row, p[i - 1] + 1);
    }
    // A row without its commas is cut at fixed columns.
    constexpr std::array<int, 6> fixedColumns = {0, 1, 5, 10, 15, 30};
    for (int i = 1; i <= 5; ++i) {
        if (p[i] == 0) {
            p[i] = fixedColumns[i];
        }
    }
    if (auto cell = cut(row, 1, p[1] - 1)) {
        cells[1] = *cell;
    }
    for (int i = 2; i <= 5; ++i) {
        if (auto cell = cut(row, p[i - 1] + 1, p[i] - p[i - 1] - 1)) {
            cells[i] = *cell;
        }
    }
    cells[6] = rest(row, p[5] + 1);
    if (cells[6].isEmpty()) {
        cells[6] = QStringLiteral("0");
    }
}

void ConfigurationFile::read(const QString& configurationPath, const QString& kelvaneIniPath,
                             Settings& settings) {
    read(IniDocument::fromFile(configurationPath), IniDocument::fromFile(kelvaneIniPath), settings);
}

void ConfigurationFile::read(const IniDocument& file, const IniDocument& kelvaneIni, Settings& s) {
    s.m_waittime = leadingNumber(
        kelvaneIni.value(QStringLiteral("waittime"), QStringLiteral("m_waittime"), QStringLiteral("1")));

    std::vector<ApplicationEntry> applications;
    for (int n = 0; n < Settings::MaxApplications; ++n) {
        ApplicationEntry entry{
            file.value(ApplicationSection, QStringLiteral("AppList ") + QString::number(n), ListEnd),
            file.value(ApplicationSection, QStringLiteral("AppListExe ") + QString::number(n), ListEnd)};
        if (entry.name == ListEnd) {
            break;
        }
        applications.push_back(entry);
    }
    if (applications.empty()) {
        applications.push_back({});
    }
    s.applicationList = applications;

    s.timerPendingStart.clear();
    s.timerTransferPending = false;

    const auto text = [&file](const QString& section, const char* key, const QString& defaultValue) {
        return file.value(section, QLatin1String(key), defaultValue);
    };
    s.baud = text(PortSection, "baud", QStringLiteral("9600"));
    s.parity = text(PortSection, "parity", QStringLiteral("O"));
    s.handshake = text(PortSection, "handshake", QStringLiteral("none"));
    s.databit = text(PortSection, "databit", QStringLiteral("7"));
    s.stopbit = text(PortSection, "stopbit", QStringLiteral("1"));
    s.portnum = text(PortSection, "portnum", QStringLiteral("2"));
    s.tcpip = text(PortSection, "tcpip", {});
    s.tcpport = text(PortSection, "tcpport", {});
    s.Anwendung = text(AnwendungSection, "Anwendung", {});
    s.Format = text(AnwendungSection, "format", {});
    s.modus = text(ModeSection, "modus", QStringLiteral("PRINT"));
    if (const auto value =
            toBoolean(text(QStringLiteral("Entlastung"), "entlastung", QStringLiteral("-1")))) {
        s.entlastung = *value;
    }
    if (const auto value =
            toBoolean(text(QStringLiteral("Stillstand"), "stillstand", QStringLiteral("-1")))) {
        s.stillstand = *value;
    }
    s.prot = text(ModeSection, "prot", {});
    s.int_modus = text(ModeSection, "int_modus", QStringLiteral("0"));
    s.anz_mess = text(ModeSection, "anz_mess", QStringLiteral("0"));
    s.int_std = text(IntervalSection, "int_std", QStringLiteral("0"));
    s.int_min = text(IntervalSection, "int_min", QStringLiteral("0"));
    s.int_sek = text(IntervalSection, "int_sek", QStringLiteral("0"));
    s.ExcelFile = text(AnwendungSection, "ExcelFile", {});
    s.TextFile = text(AnwendungSection, "TextFile", {});
    s.AccessFile = text(AnwendungSection, "AccessFile", {});
    s.AccessTable = text(AnwendungSection, "AccessTable", {});
    s.d_start = text(ModeSection, "d_start", LocaleFormats::todayText());
    s.d_end = text(ModeSection, "d_end", LocaleFormats::todayText());
    s.t_start = text(ModeSection, "t_start", LocaleFormats::nowText());
    s.t_end = text(ModeSection, "t_end", LocaleFormats::nowText());
    s.activ = text(ModeSection, "activ", QStringLiteral("0"));

    if (!LocaleFormats::isDate(s.d_start)) {
        s.t_start = LocaleFormats::nowText();
        s.d_start = LocaleFormats::todayText();
        s.t_end = LocaleFormats::nowText();
        s.d_end = LocaleFormats::todayText();
    }

    for (int r = 0; r < Settings::RowCount; ++r) {
        parseHotkeyRow(file.value(HotkeySection, rowKey(r), QStringLiteral(",,,")), s.Hotkeys[r]);
    }
    for (int r = 0; r < Settings::RowCount; ++r) {
        parseActionRow(file.value(ActionSection, rowKey(r), QStringLiteral(",,,,,")), s.Action[r]);
    }

    s.OTG = text(FilterSection, "OTG", QStringLiteral("0"));
    s.UTG = text(FilterSection, "UTG", QStringLiteral("0"));
    s.TRZ = text(QStringLiteral("Dezimaltrennzeichen"), "TRZ", QStringLiteral("0"));
    s.str_len = text(GaugeSection, "str_len", QStringLiteral("22"));
    s.str_endchar = text(GaugeSection, "str_endchar", QStringLiteral("10"));
    readInt16(file, QStringLiteral("mw_start"), "11", s.mw_start);
    readInt16(file, QStringLiteral("mw_end"), "16", s.mw_end);
    readInt16(file, QStringLiteral("mw_sign_anf"), "7", s.mw_sign_anf);
    readInt16(file, QStringLiteral("mw_sign_end"), "7", s.mw_sign_end);
    readInt16(file, QStringLiteral("eh_start"), "18", s.eh_start);
    readInt16(file, QStringLiteral("eh_end"), "19", s.eh_end);
    readInt16(file, QStringLiteral("mw_still_anf"), "18", s.mw_still_anf);
    readInt16(file, QStringLiteral("mw_still_end"), "19", s.mw_still_end);
    for (int n = 1; n <= Settings::IdCount; ++n) {
        const QString number = QString::number(n);
        if (const auto value = toInt16(file.value(GaugeSection, QStringLiteral("ID_anf_") + number, {}))) {
            s.ID_anf[n] = *value;
        }
        if (const auto value = toInt16(file.value(GaugeSection, QStringLiteral("ID_end_") + number, {}))) {
            s.ID_end[n] = *value;
        }
    }
    s.anwend = text(DdeSection, "anwend", QStringLiteral("Excel"));
    s.topic = text(DdeSection, "topic", QStringLiteral("System"));
    s.befehl = text(DdeSection, "befehl", {});
    s.st_kennung = text(GaugeSection, "st_kennung", {});
    s.anzeigemodus = text(DisplaySection, "anzeigemodus", QStringLiteral("0"));
    bool densityOk = false;
    const double density =
        LocaleFormats::parseNumber(text(DisplaySection, "st_dichte", QStringLiteral("1")), &densityOk);
    if (densityOk) {
        s.st_dichte = density;
    }

    s.selectedApplication = 0;
}

void ConfigurationFile::write(const Settings& s, IniDocument& d) {
    const auto put = [&d](const QString& section, const char* key, const QString& value) {
        d.setValue(section, QLatin1String(key), value);
    };
    put(PortSection, "baud", s.baud);
    put(PortSection, "parity", s.parity);
    put(PortSection, "handshake", s.handshake);
    put(PortSection, "databit", s.databit);
    put(PortSection, "stopbit", s.stopbit);
    put(PortSection, "portnum", s.portnum);
    put(PortSection, "tcpip", s.tcpip);
    put(PortSection, "tcpport", s.tcpport);
    put(AnwendungSection, "Anwendung", s.Anwendung);
    put(AnwendungSection, "ExcelFile", s.ExcelFile);
    put(AnwendungSection, "TextFile", s.TextFile);
    put(AnwendungSection, "AccessFile", s.AccessFile);
    put(AnwendungSection, "AccessTable", s.AccessTable);
    put(ModeSection, "modus", s.modus);
    put(QStringLiteral("Entlastung"), "entlastung", booleanText(s.entlastung));
    put(QStringLiteral("Stillstand"), "stillstand", booleanText(s.stillstand));
    put(ModeSection, "prot", s.prot);
    put(AnwendungSection, "Format", s.Format);
    put(ModeSection, "int_modus", s.int_modus);
    put(ModeSection, "anz_mess", s.anz_mess);
    put(IntervalSection, "int_std", s.int_std);
    put(IntervalSection, "int_min", s.int_min);
    put(IntervalSection, "int_sek", s.int_sek);
    put(FilterSection, "OTG", s.OTG);
    put(FilterSection, "UTG", s.UTG);
    put(QStringLiteral("Dezimaltrennzeichen"), "TRZ", s.TRZ);
    put(ModeSection, "d_start", s.d_start);
    put(ModeSection, "d_end", s.d_end);
    put(ModeSection, "t_start", s.t_start);
    put(ModeSection, "t_end", s.t_end);
    put(ModeSection, "activ", s.activ);
    put(GaugeSection, "str_len", s.str_len);
    put(GaugeSection, "str_endchar", s.str_endchar);
    put(GaugeSection, "str_noend", s.str_noend);
    put(GaugeSection, "mw_start", QString::number(s.mw_start));
    put(GaugeSection, "mw_end", QString::number(s.mw_end));
    put(GaugeSection, "mw_sign_anf", QString::number(s.mw_sign_anf));
    put(GaugeSection, "mw_sign_end", QString::number(s.mw_sign_end));
    put(GaugeSection, "eh_start", QString::number(s.eh_start));
    put(GaugeSection, "eh_end", QString::number(s.eh_end));
    put(GaugeSection, "mw_still_anf", QString::number(s.mw_still_anf));
    put(GaugeSection, "mw_still_end", QString::number(s.mw_still_end));
    for (int n = 1; n <= Settings::IdCount; ++n) {
        d.setValue(GaugeSection, QStringLiteral("ID_anf_") + QString::number(n),
                   QString::number(s.ID_anf[n]));
        d.setValue(GaugeSection, QStringLiteral("ID_end_") + QString::number(n),
                   QString::number(s.ID_end[n]));
    }
    // One blank would be lost to trimming when read back; quoted it survives.
    put(GaugeSection, "st_kennung",
        s.st_kennung == QStringLiteral(" ") ? QStringLiteral("\" \"") : s.st_kennung);
    put(DisplaySection, "anzeigemodus", s.anzeigemodus);
    put(DisplaySection, "st_dichte", LocaleFormats::numberText(s.st_dichte));
    for (int r = 0; r < Settings::RowCount; ++r) {
        QStringList action;
        for (int c = 1; c <= Settings::ActionCells; ++c) {
            action.append(s.Action[r][c]);
        }
        d.setValue(ActionSection, rowKey(r), action.join(u','));
        QStringList hotkey;
        for (int c = 1; c <= Settings::HotkeyCells; ++c) {
            hotkey.append(s.Hotkeys[r][c]);
        }
        d.setValue(HotkeySection, rowKey(r), hotkey.join(u','));
    }
    // An empty list is written as one empty entry, which reads back as the empty list.
    const std::vector<ApplicationEntry> applications =
        s.applicationList.empty() ? std::vector<ApplicationEntry>{ApplicationEntry{}} : s.applicationList;
    for (std::size_t n = 0; n < applications.size(); ++n) {
        const QString number = QString::number(n);
        d.setValue(ApplicationSection, QStringLiteral("AppList ") + number, applications[n].name);
        d.setValue(ApplicationSection, QStringLiteral("AppListExe ") + number, applications[n].programFile);
    }
    put(DdeSection, "anwend", s.anwend);
    put(DdeSection, "topic", s.topic);
    put(DdeSection, "befehl", s.befehl);
}

bool ConfigurationFile::save(const Settings& settings, const QString& path) {
    IniDocument document = isSnapshotPath(path) ? IniDocument::fromFile(path) : IniDocument();
    write(settings, document);
    return document.save(path);
}
