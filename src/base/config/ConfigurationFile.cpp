#include "base/config/ConfigurationFile.h"

#include "base/config/ConfigKeys.h"
#include "base/config/SettingText.h"
#include "base/files/IniDocument.h"
#include "base/files/IniFile.h"
#include "base/texts/LocaleFormats.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace {

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

// The leading decimal number of text, point as separator, 0 when there is none.
double leadingNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) {
        ++i;
    }
    const qsizetype begin = i;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-')) {
        ++i;
    }
    bool digits = false;
    const auto skipDigits = [&] {
        while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128) {
            ++i;
            digits = true;
        }
    };
    skipDigits();
    if (i < text.size() && text.at(i) == u'.') {
        ++i;
        skipDigits();
    }
    return digits ? QLocale::c().toDouble(text.mid(begin, i - begin)) : 0.0;
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

// Reads the settings out of one file, each key through the key table.
class Reader {
public:
    explicit Reader(const IniDocument& file) : m_file(file) {}

    QString text(ConfigKey key) const {
        const ConfigKeyInfo info = ConfigKeys::info(key);
        return m_file.value(ConfigKeys::section(key), ConfigKeys::name(key),
                            QString::fromUtf8(info.defaultValue));
    }
    QString text(ConfigKey key, const QString& defaultValue) const {
        return m_file.value(ConfigKeys::section(key), ConfigKeys::name(key), defaultValue);
    }
    void readBoolean(ConfigKey key, bool& field) const {
        if (const auto value = toBoolean(text(key))) {
            field = *value;
        }
    }
    void readShort(const QString& key, const QString& defaultValue, std::int16_t& field) const {
        if (const auto value =
                SettingText::shortNumber(m_file.value(ConfigKeys::GaugeSection, key, defaultValue)).value()) {
            field = *value;
        }
    }
    void readShort(ConfigKey key, std::int16_t& field) const {
        readShort(ConfigKeys::name(key), QString::fromUtf8(ConfigKeys::info(key).defaultValue), field);
    }

private:
    const IniDocument& m_file;
};

void readApplications(const IniDocument& file, Settings& s) {
    std::vector<ApplicationEntry> applications;
    for (int n = 0; n < Settings::MaxApplications; ++n) {
        ApplicationEntry entry{file.value(ConfigKeys::ApplicationSection, ConfigKeys::applicationNameKey(n),
                                          ConfigKeys::ApplicationListEnd),
                               file.value(ConfigKeys::ApplicationSection, ConfigKeys::applicationFileKey(n),
                                          ConfigKeys::ApplicationListEnd)};
        if (entry.name == ConfigKeys::ApplicationListEnd) {
            break;
        }
        applications.push_back(entry);
    }
    if (applications.empty()) {
        applications.push_back({});
    }
    s.applications = applications;
}

void readRows(const IniDocument& file, Settings& s) {
    for (int r = 0; r < Settings::CommandRowCount; ++r) {
        HotkeyRow& hotkey = s.hotkeys[static_cast<std::size_t>(r)];
        std::array<QString, 4> cells = {hotkey.keys.keys[0].text(), hotkey.keys.keys[1].text(),
                                        hotkey.keys.keys[2].text(), hotkey.extra};
        ConfigurationFile::cutHotkeyRow(
            file.value(ConfigKeys::HotkeySection, ConfigKeys::rowKey(r), ConfigKeys::EmptyHotkeyRow), cells);
        hotkey.keys = SettingText::triggerKeys(cells[0], cells[1], cells[2]);
        hotkey.extra = cells[3];
    }
    for (int r = 0; r < Settings::CommandRowCount; ++r) {
        DeviceCommand& command = s.deviceCommands[static_cast<std::size_t>(r)];
        std::array<QString, 6> cells = {command.keys.keys[0].text(),
                                        command.keys.keys[1].text(),
                                        command.keys.keys[2].text(),
                                        command.command,
                                        command.caption,
                                        command.deliversAnswer.text()};
        ConfigurationFile::cutCommandRow(
            file.value(ConfigKeys::CommandSection, ConfigKeys::rowKey(r), ConfigKeys::EmptyCommandRow),
            cells);
        command.keys = SettingText::triggerKeys(cells[0], cells[1], cells[2]);
        command.command = cells[3];
        command.caption = cells[4];
        command.deliversAnswer = SettingText::answerFlag(cells[5]);
    }
}

} // namespace

bool ConfigurationFile::isSnapshotPath(const QString& path) {
    return path.contains(QStringLiteral("tmp.cfg"));
}

void ConfigurationFile::cutHotkeyRow(const QString& row, std::array<QString, 4>& cells) {
    const int p1 = findComma(row, 1);
    const int p2 = findComma(row, p1 + 1);
    const int p3 = findComma(row, p2 + 1);
    if (auto cell = cut(row, 1, p1 - 1)) {
        cells[0] = *cell;
    }
    if (auto cell = cut(row, p1 + 1, p2 - p1 - 1)) {
        cells[1] = *cell;
    }
    if (auto cell = cut(row, p2 + 1, p3 - p2 - 1)) {
        cells[2] = *cell;
    }
    cells[3] = rest(row, p3 + 1);
}

void ConfigurationFile::cutCommandRow(const QString& row, std::array<QString, 6>& cells) {
    std::array<int, 6> p{};
    for (int i = 1; i <= 5; ++i) {
        p[i] = findComma(row, p[i - 1] + 1);
    }
    constexpr std::array<int, 6> FixedColumns = {0, 1, 5, 10, 15, 30};
    for (int i = 1; i <= 5; ++i) {
        if (p[i] == 0) {
            p[i] = FixedColumns[i];
        }
    }
    if (auto cell = cut(row, 1, p[1] - 1)) {
        cells[0] = *cell;
    }
    for (int i = 2; i <= 5; ++i) {
        if (auto cell = cut(row, p[i - 1] + 1, p[i] - p[i - 1] - 1)) {
            cells[i - 1] = *cell;
        }
    }
    cells[5] = rest(row, p[5] + 1);
    if (cells[5].isEmpty()) {
        cells[5] = QStringLiteral("0");
    }
}

void ConfigurationFile::read(const QString& configurationPath, const QString& kelvaneIniPath,
                             Settings& settings) {
    read(IniDocument::fromFile(configurationPath), IniDocument::fromFile(kelvaneIniPath), settings);
}

void ConfigurationFile::read(const IniDocument& file, const IniDocument& kelvaneIni, Settings& s) {
    s.recordWaitSeconds =
        leadingNumber(kelvaneIni.value(ConfigKeys::WaitSection, ConfigKeys::WaitKey, QStringLiteral("1")));
    // Only a clear no switches it off.
    const QString reconnect =
        kelvaneIni.value(ConfigKeys::LinkSection, ConfigKeys::ReconnectKey, QStringLiteral("1")).trimmed();
    s.reconnect = !QStringList{QStringLiteral("0"), QStringLiteral("no"), QStringLiteral("off"),
                               QStringLiteral("false")}
                       .contains(reconnect, Qt::CaseInsensitive);
    s.workbookSheet =
        kelvaneIni.value(ConfigKeys::WorkbookSection, ConfigKeys::SheetKey, ConfigKeys::DefaultSheet)
            .trimmed();
    if (s.workbookSheet.isEmpty()) {
        s.workbookSheet = ConfigKeys::DefaultSheet;
    }
    const QString points = kelvaneIni.value(ConfigKeys::TrendSection, ConfigKeys::TrendPointsKey, {});
    s.trendPoints =
        std::clamp(static_cast<int>(leadingNumber(
                       points.isEmpty() ? QString::number(Settings::DefaultTrendPoints) : points)),
                   Settings::MinimumTrendPoints, Settings::MaximumTrendPoints);
    const QString limit = kelvaneIni.value(ConfigKeys::OutboxSection, ConfigKeys::OutboxLimitKey, {});
    s.outboxLimit = limit.isEmpty() ? Settings::DefaultOutboxLimit
                                    : static_cast<int>(std::clamp(leadingNumber(limit), 1.0, 1e8));
    readApplications(file, s);

    const Reader in(file);
    s.baudRate = SettingText::baudRate(in.text(ConfigKey::Baud));
    s.parity = SettingText::parity(in.text(ConfigKey::Parity));
    s.handshake = in.text(ConfigKey::Handshake);
    s.dataBits = SettingText::dataBits(in.text(ConfigKey::DataBits));
    s.stopBits = SettingText::stopBits(in.text(ConfigKey::StopBits));
    s.serialPort = SettingText::wholeNumber(in.text(ConfigKey::Port));
    s.host = in.text(ConfigKey::Host);
    s.tcpPort = SettingText::tcpPort(in.text(ConfigKey::TcpPort));
    s.target = SettingText::target(in.text(ConfigKey::Target));
    s.outputTemplate = in.text(ConfigKey::OutputTemplate);
    s.transferMode = SettingText::transferMode(in.text(ConfigKey::TransferMode));
    in.readBoolean(ConfigKey::WaitForUnloading, s.waitForUnloading);
    in.readBoolean(ConfigKey::RequireStandstill, s.requireStandstill);
    s.protocolOption = in.text(ConfigKey::ProtocolOption);
    s.timerMode = SettingText::timerMode(in.text(ConfigKey::TimerMode));
    s.measurementCount = SettingText::wholeNumber(in.text(ConfigKey::MeasurementCount));
    s.intervalHours = SettingText::shortNumber(in.text(ConfigKey::IntervalHours));
    s.intervalMinutes = SettingText::shortNumber(in.text(ConfigKey::IntervalMinutes));
    s.intervalSeconds = SettingText::shortNumber(in.text(ConfigKey::IntervalSeconds));
    s.workbookPath = in.text(ConfigKey::WorkbookPath);
    s.textFilePath = in.text(ConfigKey::TextFilePath);
    s.databasePath = in.text(ConfigKey::DatabasePath);
    s.databaseTable = in.text(ConfigKey::DatabaseTable);

    const QString today = LocaleFormats::todayText();
    const QString now = LocaleFormats::nowText();
    s.startDate = SettingText::date(in.text(ConfigKey::StartDate, today));
    s.stopDate = SettingText::date(in.text(ConfigKey::StopDate, today));
    s.startTime = SettingText::time(in.text(ConfigKey::StartTime, now));
    s.stopTime = SettingText::time(in.text(ConfigKey::StopTime, now));
    // A schedule whose start date cannot be read starts and stops now.
    if (!s.startDate.value()) {
        s.startTime = SettingText::time(now);
        s.startDate = SettingText::date(today);
        s.stopTime = SettingText::time(now);
        s.stopDate = SettingText::date(today);
    }
    s.timerAutostart = SettingText::wholeNumberFlag(in.text(ConfigKey::TimerAutostart));

    readRows(file, s);

    s.upperLimit = SettingText::number(in.text(ConfigKey::UpperLimit));
    s.lowerLimit = SettingText::number(in.text(ConfigKey::LowerLimit));
    s.decimalPoint = SettingText::flag(in.text(ConfigKey::DecimalPoint));
    s.recordLength = SettingText::leadingWholeNumber(in.text(ConfigKey::RecordLength));
    s.recordEnd = SettingText::recordEnd(in.text(ConfigKey::RecordEnd));
    in.readShort(ConfigKey::ValueFirst, s.value.first);
    in.readShort(ConfigKey::ValueLast, s.value.last);
    in.readShort(ConfigKey::SignFirst, s.sign.first);
    in.readShort(ConfigKey::SignLast, s.sign.last);
    in.readShort(ConfigKey::UnitFirst, s.unit.first);
    in.readShort(ConfigKey::UnitLast, s.unit.last);
    in.readShort(ConfigKey::StandstillFirst, s.standstillMark.first);
    in.readShort(ConfigKey::StandstillLast, s.standstillMark.last);
    for (int n = 1; n <= Settings::IdCount; ++n) {
        in.readShort(ConfigKeys::idFirstKey(n), {}, s.ids[static_cast<std::size_t>(n)].first);
        in.readShort(ConfigKeys::idLastKey(n), {}, s.ids[static_cast<std::size_t>(n)].last);
    }
    s.busName = in.text(ConfigKey::BusName);
    s.objectPath = in.text(ConfigKey::ObjectPath);
    s.busCommand = in.text(ConfigKey::BusCommand);
    s.standstillText = in.text(ConfigKey::StandstillText);
    s.displayMode = SettingText::displayMode(in.text(ConfigKey::DisplayMode));
    if (const auto density = SettingText::number(in.text(ConfigKey::Density)).value()) {
        s.density = *density;
    }
    s.selectedApplication = 0;
}

void ConfigurationFile::write(const Settings& s, IniDocument& d) {
    const auto put = [&d](ConfigKey key, const QString& value) {
        d.setValue(ConfigKeys::section(key), ConfigKeys::name(key), value);
    };
    put(ConfigKey::Baud, s.baudRate.text());
    put(ConfigKey::Parity, s.parity.text());
    put(ConfigKey::Handshake, s.handshake);
    put(ConfigKey::DataBits, s.dataBits.text());
    put(ConfigKey::StopBits, s.stopBits.text());
    put(ConfigKey::Port, s.serialPort.text());
    put(ConfigKey::Host, s.host);
    put(ConfigKey::TcpPort, s.tcpPort.text());
    put(ConfigKey::Target, s.target.text());
    put(ConfigKey::WorkbookPath, s.workbookPath);
    put(ConfigKey::TextFilePath, s.textFilePath);
    put(ConfigKey::DatabasePath, s.databasePath);
    put(ConfigKey::DatabaseTable, s.databaseTable);
    put(ConfigKey::TransferMode, s.transferMode.text());
    put(ConfigKey::WaitForUnloading, booleanText(s.waitForUnloading));
    put(ConfigKey::RequireStandstill, booleanText(s.requireStandstill));
    put(ConfigKey::ProtocolOption, s.protocolOption);
    put(ConfigKey::OutputTemplate, s.outputTemplate);
    put(ConfigKey::TimerMode, s.timerMode.text());
    put(ConfigKey::MeasurementCount, s.measurementCount.text());
    put(ConfigKey::IntervalHours, s.intervalHours.text());
    put(ConfigKey::IntervalMinutes, s.intervalMinutes.text());
    put(ConfigKey::IntervalSeconds, s.intervalSeconds.text());
    put(ConfigKey::UpperLimit, s.upperLimit.text());
    put(ConfigKey::LowerLimit, s.lowerLimit.text());
    put(ConfigKey::DecimalPoint, s.decimalPoint.text());
    put(ConfigKey::StartDate, s.startDate.text());
    put(ConfigKey::StopDate, s.stopDate.text());
    put(ConfigKey::StartTime, s.startTime.text());
    put(ConfigKey::StopTime, s.stopTime.text());
    put(ConfigKey::TimerAutostart, s.timerAutostart.text());
    put(ConfigKey::RecordLength, s.recordLength.text());
    put(ConfigKey::RecordEnd, s.recordEnd.text());
    // Nothing sets the bytes to drop at a record's end; the key is kept for older readers.
    put(ConfigKey::DroppedEndBytes, {});
    put(ConfigKey::ValueFirst, QString::number(s.value.first));
    put(ConfigKey::ValueLast, QString::number(s.value.last));
    put(ConfigKey::SignFirst, QString::number(s.sign.first));
    put(ConfigKey::SignLast, QString::number(s.sign.last));
    put(ConfigKey::UnitFirst, QString::number(s.unit.first));
    put(ConfigKey::UnitLast, QString::number(s.unit.last));
    put(ConfigKey::StandstillFirst, QString::number(s.standstillMark.first));
    put(ConfigKey::StandstillLast, QString::number(s.standstillMark.last));
    for (int n = 1; n <= Settings::IdCount; ++n) {
        const FieldRange& id = s.ids[static_cast<std::size_t>(n)];
        d.setValue(ConfigKeys::GaugeSection, ConfigKeys::idFirstKey(n), QString::number(id.first));
        d.setValue(ConfigKeys::GaugeSection, ConfigKeys::idLastKey(n), QString::number(id.last));
    }
    // One blank would be lost to trimming when read back; quoted it survives.
    put(ConfigKey::StandstillText,
        s.standstillText == QStringLiteral(" ") ? QStringLiteral("\" \"") : s.standstillText);
    put(ConfigKey::DisplayMode, s.displayMode.text());
    put(ConfigKey::Density, LocaleFormats::numberText(s.density));
    for (int r = 0; r < Settings::CommandRowCount; ++r) {
        const DeviceCommand& command = s.deviceCommands[static_cast<std::size_t>(r)];
        const QStringList commandCells = {command.keys.keys[0].text(),
                                          command.keys.keys[1].text(),
                                          command.keys.keys[2].text(),
                                          command.command,
                                          command.caption,
                                          command.deliversAnswer.text()};
        d.setValue(ConfigKeys::CommandSection, ConfigKeys::rowKey(r), commandCells.join(u','));
        const HotkeyRow& hotkey = s.hotkeys[static_cast<std::size_t>(r)];
        const QStringList hotkeyCells = {hotkey.keys.keys[0].text(), hotkey.keys.keys[1].text(),
                                         hotkey.keys.keys[2].text(), hotkey.extra};
        d.setValue(ConfigKeys::HotkeySection, ConfigKeys::rowKey(r), hotkeyCells.join(u','));
    }
    // An empty list is written as one empty entry, which reads back as the empty list.
    const std::vector<ApplicationEntry> applications =
        s.applications.empty() ? std::vector<ApplicationEntry>{ApplicationEntry{}} : s.applications;
    for (std::size_t n = 0; n < applications.size(); ++n) {
        d.setValue(ConfigKeys::ApplicationSection, ConfigKeys::applicationNameKey(static_cast<int>(n)),
                   applications[n].name);
        d.setValue(ConfigKeys::ApplicationSection, ConfigKeys::applicationFileKey(static_cast<int>(n)),
                   applications[n].programFile);
    }
    put(ConfigKey::BusName, s.busName);
    put(ConfigKey::ObjectPath, s.objectPath);
    put(ConfigKey::BusCommand, s.busCommand);
}

bool ConfigurationFile::save(const Settings& settings, const QString& path) {
    IniDocument document = isSnapshotPath(path) ? IniDocument::fromFile(path) : IniDocument();
    write(settings, document);
    return document.save(path);
}

void ConfigurationFile::readBusTarget(Settings& settings) {
    const auto read = [&settings](ConfigKey key) {
        return IniFile::read(settings.configurationPath, ConfigKeys::section(key), ConfigKeys::name(key),
                             QString::fromUtf8(ConfigKeys::info(key).defaultValue));
    };
    settings.busName = read(ConfigKey::BusName);
    settings.objectPath = read(ConfigKey::ObjectPath);
    settings.busCommand = read(ConfigKey::BusCommand);
}

bool ConfigurationFile::writeBusTarget(const Settings& settings) {
    const auto write = [&settings](ConfigKey key, const QString& value) {
        return IniFile::write(settings.configurationPath, ConfigKeys::section(key), ConfigKeys::name(key),
                              value);
    };
    bool written = write(ConfigKey::BusName, settings.busName);
    written = write(ConfigKey::ObjectPath, settings.objectPath) && written;
    written = write(ConfigKey::BusCommand, settings.busCommand) && written;
    return written;
}
