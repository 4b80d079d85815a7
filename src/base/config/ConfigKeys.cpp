#include "base/config/ConfigKeys.h"

#include <array>
#include <utility>

namespace {

constexpr const char* Port = "Port settings";
constexpr const char* Application = "Anwendung";
constexpr const char* Mode = "Mode";
constexpr const char* Interval = "Intervall";
constexpr const char* Filter = "Filter";
constexpr const char* Gauge = "Gauge";
constexpr const char* Display = "anzeige";
constexpr const char* DbusCommand = "DDECONN";

// A default of nullptr is computed when read: today's date or the time now.
constexpr std::array<std::pair<ConfigKey, ConfigKeyInfo>, static_cast<std::size_t>(ConfigKey::BusCommand) + 1>
    Keys = {{
        {ConfigKey::Baud, {Port, "baud", "9600"}},
        {ConfigKey::Parity, {Port, "parity", "O"}},
        {ConfigKey::Handshake, {Port, "handshake", "none"}},
        {ConfigKey::DataBits, {Port, "databit", "7"}},
        {ConfigKey::StopBits, {Port, "stopbit", "1"}},
        {ConfigKey::Port, {Port, "portnum", "2"}},
        {ConfigKey::Host, {Port, "tcpip", ""}},
        {ConfigKey::TcpPort, {Port, "tcpport", ""}},
        {ConfigKey::Target, {Application, "Anwendung", ""}},
        {ConfigKey::WorkbookPath, {Application, "ExcelFile", ""}},
        {ConfigKey::TextFilePath, {Application, "TextFile", ""}},
        {ConfigKey::DatabasePath, {Application, "AccessFile", ""}},
        {ConfigKey::DatabaseTable, {Application, "AccessTable", ""}},
        {ConfigKey::TransferMode, {Mode, "modus", "PRINT"}},
        {ConfigKey::WaitForUnloading, {"Entlastung", "entlastung", "-1"}},
        {ConfigKey::RequireStandstill, {"Stillstand", "stillstand", "-1"}},
        {ConfigKey::ProtocolOption, {Mode, "prot", ""}},
        {ConfigKey::OutputTemplate, {Application, "Format", ""}},
        {ConfigKey::TimerMode, {Mode, "int_modus", "0"}},
        {ConfigKey::MeasurementCount, {Mode, "anz_mess", "0"}},
        {ConfigKey::IntervalHours, {Interval, "int_std", "0"}},
        {ConfigKey::IntervalMinutes, {Interval, "int_min", "0"}},
        {ConfigKey::IntervalSeconds, {Interval, "int_sek", "0"}},
        {ConfigKey::UpperLimit, {Filter, "OTG", "0"}},
        {ConfigKey::LowerLimit, {Filter, "UTG", "0"}},
        {ConfigKey::DecimalPoint, {"Dezimaltrennzeichen", "TRZ", "0"}},
        {ConfigKey::StartDate, {Mode, "d_start", nullptr}},
        {ConfigKey::StopDate, {Mode, "d_end", nullptr}},
        {ConfigKey::StartTime, {Mode, "t_start", nullptr}},
        {ConfigKey::StopTime, {Mode, "t_end", nullptr}},
        {ConfigKey::TimerAutostart, {Mode, "activ", "0"}},
        {ConfigKey::RecordLength, {Gauge, "str_len", "22"}},
        {ConfigKey::RecordEnd, {Gauge, "str_endchar", "10"}},
        {ConfigKey::DroppedEndBytes, {Gauge, "str_noend", ""}},
        {ConfigKey::ValueFirst, {Gauge, "mw_start", "11"}},
        {ConfigKey::ValueLast, {Gauge, "mw_end", "16"}},
        {ConfigKey::SignFirst, {Gauge, "mw_sign_anf", "7"}},
        {ConfigKey::SignLast, {Gauge, "mw_sign_end", "7"}},
        {ConfigKey::UnitFirst, {Gauge, "eh_start", "18"}},
        {ConfigKey::UnitLast, {Gauge, "eh_end", "19"}},
        {ConfigKey::StandstillFirst, {Gauge, "mw_still_anf", "18"}},
        {ConfigKey::StandstillLast, {Gauge, "mw_still_end", "19"}},
        {ConfigKey::StandstillText, {Gauge, "st_kennung", ""}},
        {ConfigKey::DisplayMode, {Display, "anzeigemodus", "0"}},
        {ConfigKey::Density, {Display, "st_dichte", "1"}},
        {ConfigKey::BusName, {DbusCommand, "anwend", "Excel"}},
        {ConfigKey::ObjectPath, {DbusCommand, "topic", "System"}},
        {ConfigKey::BusCommand, {DbusCommand, "befehl", ""}},
    }};

constexpr bool inEnumOrder() {
    for (std::size_t i = 0; i < Keys.size(); ++i) {
        if (static_cast<std::size_t>(Keys[i].first) != i) {
            return false;
        }
    }
    return true;
}
static_assert(inEnumOrder(), "the key table lists every key in the order of its enum");

} // namespace

namespace ConfigKeys {

ConfigKeyInfo info(ConfigKey key) {
    return Keys[static_cast<std::size_t>(key)].second;
}

QString section(ConfigKey key) {
    return QLatin1String(info(key).section);
}

QString name(ConfigKey key) {
    return QLatin1String(info(key).key);
}

QString idFirstKey(int n) {
    return QStringLiteral("ID_anf_") + QString::number(n);
}

QString idLastKey(int n) {
    return QStringLiteral("ID_end_") + QString::number(n);
}

QString rowKey(int row) {
    return QStringLiteral("key") + QString::number(row);
}

QString applicationNameKey(int n) {
    return QStringLiteral("AppList ") + QString::number(n);
}

QString applicationFileKey(int n) {
    return QStringLiteral("AppListExe ") + QString::number(n);
}

} // namespace ConfigKeys
