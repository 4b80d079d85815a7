#pragma once

#include <QString>

// The sections and keys of configuration files, in the order a new file is written. The names
// are those of the files users already have; the program's own names are in Settings.
enum class ConfigKey {
    Baud,
    Parity,
    Handshake,
    DataBits,
    StopBits,
    Port,
    Host,
    TcpPort,
    Target,
    WorkbookPath,
    TextFilePath,
    DatabasePath,
    DatabaseTable,
    TransferMode,
    WaitForUnloading,
    RequireStandstill,
    ProtocolOption,
    OutputTemplate,
    TimerMode,
    MeasurementCount,
    IntervalHours,
    IntervalMinutes,
    IntervalSeconds,
    UpperLimit,
    LowerLimit,
    DecimalPoint,
    StartDate,
    StopDate,
    StartTime,
    StopTime,
    TimerAutostart,
    RecordLength,
    RecordEnd,
    DroppedEndBytes,
    ValueFirst,
    ValueLast,
    SignFirst,
    SignLast,
    UnitFirst,
    UnitLast,
    StandstillFirst,
    StandstillLast,
    // The ten ID ranges follow here (IdFirst N, IdLast N), then the standstill text.
    StandstillText,
    DisplayMode,
    Density,
    // The device command and hotkey rows follow here, then the application list.
    BusName,
    ObjectPath,
    BusCommand,
};

// One key's place in a file and the value a file without it gives.
struct ConfigKeyInfo {
    const char* section;
    const char* key;
    const char* defaultValue;
};

namespace ConfigKeys {

ConfigKeyInfo info(ConfigKey key);
QString section(ConfigKey key);
QString name(ConfigKey key);

// The keys of indexed settings: ID ranges 1 to 10, rows 0 to 7, application entries 0 to 20.
inline const QString GaugeSection = QStringLiteral("Gauge");
inline const QString CommandSection = QStringLiteral("Action");
inline const QString HotkeySection = QStringLiteral("Hotkeys");
inline const QString ApplicationSection = QStringLiteral("applicationList");
QString idFirstKey(int n);
QString idLastKey(int n);
QString rowKey(int row);
QString applicationNameKey(int n);
QString applicationFileKey(int n);
// The name that ends the application list, and the default of an unset row.
inline const QString ApplicationListEnd = QStringLiteral("ENDE");
inline const QString EmptyCommandRow = QStringLiteral(",,,,,");
inline const QString EmptyHotkeyRow = QStringLiteral(",,,");

// kelvane.ini: how long a record may take to arrive.
inline const QString WaitSection = QStringLiteral("waittime");
inline const QString WaitKey = QStringLiteral("m_waittime");
// kelvane.ini: whether a link lost while online is tried again until the device is back (1, the
// default) or stays offline (0).
inline const QString LinkSection = QStringLiteral("link");
inline const QString ReconnectKey = QStringLiteral("reconnect");
// kelvane.ini: the worksheet that receives the rows of a workbook target.
inline const QString WorkbookSection = QStringLiteral("workbook");
inline const QString SheetKey = QStringLiteral("sheet");
inline const QString DefaultSheet = QStringLiteral("Tabelle1");
// kelvane.ini: how many of the last values the trend keeps and shows.
inline const QString TrendSection = QStringLiteral("trend");
inline const QString TrendPointsKey = QStringLiteral("points");
// kelvane.ini: how many values may wait in the outbox for one target.
inline const QString OutboxSection = QStringLiteral("outbox");
inline const QString OutboxLimitKey = QStringLiteral("limit");
// kelvane.ini: the window system of keystrokes, the window list and hotkeys: auto (the
// default), x11, wayland or portal; and the token with which the desktop's portal grants the
// keyboard again without asking.
inline const QString DesktopSection = QStringLiteral("desktop");
inline const QString DesktopBackendKey = QStringLiteral("backend");
inline const QString PortalTokenKey = QStringLiteral("restore_token");

} // namespace ConfigKeys
