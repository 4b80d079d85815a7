#pragma once

#include "base/config/ConfigKeys.h"
#include "base/config/ConfigValue.h"

#include <QDate>
#include <QString>
#include <QTime>

#include <array>
#include <cstdint>
#include <vector>

// When an accepted value is transferred: after Send or a hotkey, whenever the device sends one
// (its print key), or on the timer's schedule.
enum class TransferMode { Hotkey, Print, Timer };

// How the timer's schedule ends: at a stop date and time, or after a number of values.
enum class TimerMode { StartStop = 0, Count = 1 };

// What the value display shows: the weight, the volume (weight / density) or the flow
// (volume per second between two timed values).
enum class DisplayMode { Weight = 0, Volume = 1, Flow = 2 };

// Where accepted values go.
enum class TargetKind {
    Window,        // keystrokes into the window whose title contains the target text
    FocusedWindow, // keystrokes into whichever window has the focus ("*free*")
    TextFile,      // "Text-Datei"
    Workbook,      // "Excel-Datei"
    Database,      // "Access-Datenbank"
    XmlFile,       // "XML-Datei": offered, but it has no output of its own
    PublishedItem, // "DDE-Kanal": the D-Bus item DDESTRING
    DbusCommand,   // "*DDE*": the D-Bus execute command of another program
};

enum class Parity { None, Even, Odd, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };

// Positions of a field in a device record, counted from 1; 0 for a field that is not defined.
struct FieldRange {
    std::int16_t first = 0;
    std::int16_t last = 0;
    bool operator==(const FieldRange&) const = default;
};

// How a device record ends: with a character, or without one (the record is simply its length).
struct RecordEnd {
    std::optional<char> character;
    // No end character at all: a text that reads as the number 0, or none.
    bool none = false;
    bool operator==(const RecordEnd&) const = default;
};

// The PC keys of a hotkey or device command row. A key code is a Windows virtual-key code, 0
// for no key; an unknown name for the third key is polled as code 3, as it always was.
struct TriggerKeyRow {
    std::array<ConfigValue<int>, 3> keys;
    bool operator==(const TriggerKeyRow&) const = default;
};

// One device command: its keys, the command text ("ESC" stands for the escape character), the
// caption of its button (an empty one disables the row) and whether the device's answer line
// is delivered.
struct DeviceCommand {
    TriggerKeyRow keys;
    QString command;
    QString caption;
    ConfigValue<bool> deliversAnswer;
    bool operator==(const DeviceCommand&) const = default;
};

// One hotkey row: the keys that press a main window button, and a fourth cell kept as written.
struct HotkeyRow {
    TriggerKeyRow keys;
    QString extra;
    bool operator==(const HotkeyRow&) const = default;
};

// One entry of the application list: the name shown for an application and its program file.
struct ApplicationEntry {
    QString name;
    QString programFile;
    bool operator==(const ApplicationEntry&) const = default;
};

// Every setting of a configuration file. ConfigurationFile moves them between file and record;
// ConfigKeys names their sections and keys.
struct Settings {
    static constexpr int CommandRowCount = 8;
    static constexpr int IdCount = 10;
    static constexpr int MaxApplications = 21;

    // The device link: a serial port COMn when the port setting is a number, else TCP/IP.
    ConfigValue<int> serialPort;
    ConfigValue<int> baudRate;
    ConfigValue<Parity> parity;
    ConfigValue<int> dataBits;
    ConfigValue<StopBits> stopBits;
    QString handshake;
    QString host;
    ConfigValue<quint16> tcpPort;

    // Delivery.
    ConfigValue<TargetKind> target;
    QString workbookPath;
    QString textFilePath;
    QString databasePath;
    QString databaseTable;
    QString outputTemplate;
    ConfigValue<bool> decimalPoint;

    // Acceptance.
    ConfigValue<TransferMode> transferMode;
    bool waitForUnloading = false;
    bool requireStandstill = false;
    ConfigValue<double> upperLimit;
    ConfigValue<double> lowerLimit;
    QString protocolOption;

    // The timer.
    ConfigValue<TimerMode> timerMode;
    ConfigValue<int> measurementCount;
    ConfigValue<std::int16_t> intervalHours;
    ConfigValue<std::int16_t> intervalMinutes;
    ConfigValue<std::int16_t> intervalSeconds;
    ConfigValue<QDate> startDate;
    ConfigValue<QTime> startTime;
    ConfigValue<QDate> stopDate;
    ConfigValue<QTime> stopTime;
    ConfigValue<bool> timerAutostart;

    // The record layout.
    ConfigValue<int> recordLength;
    ConfigValue<RecordEnd> recordEnd;
    ConfigValue<int> droppedEndBytes;
    FieldRange value;
    FieldRange sign;
    FieldRange unit;
    FieldRange standstillMark;
    // ID fields 1 to 10 (index 0 unused).
    std::array<FieldRange, IdCount + 1> ids{};
    QString standstillText;

    // The value display.
    ConfigValue<DisplayMode> displayMode;
    double density = 0.0;
    // Volume and flow divide by the density; a density of 0 counts as 1.
    double densityDivisor() const { return density == 0.0 ? 1.0 : density; }

    std::array<DeviceCommand, CommandRowCount> deviceCommands;
    std::array<HotkeyRow, CommandRowCount> hotkeys;
    // Never empty once loaded.
    std::vector<ApplicationEntry> applications;
    // The entry that the transfer settings window chose for the target; 0 by default.
    int selectedApplication = 0;

    // The D-Bus command target: bus name, object path (without its leading "/") and command.
    QString busName;
    QString objectPath;
    QString busCommand;

    // Not in the configuration file: the file in use, and from kelvane.ini the time a record may
    // take to arrive, whether a lost link is tried again, and the worksheet of a workbook target.
    QString configurationPath;
    double recordWaitSeconds = 0.0;
    bool reconnect = true;
    QString workbookSheet = ConfigKeys::DefaultSheet;
    static constexpr int MinimumTrendPoints = 10;
    static constexpr int DefaultTrendPoints = 500;
    static constexpr int MaximumTrendPoints = 10000;
    int trendPoints = DefaultTrendPoints;
    static constexpr int DefaultOutboxLimit = 100000;
    int outboxLimit = DefaultOutboxLimit;

    bool isTcp() const { return !serialPort.value().has_value(); }
    // The name and program file of the selected application entry; empty when there is none.
    QString selectedApplicationName() const;
    QString selectedProgramFile() const;
    // The last application entry after the first whose name contains the target text.
    void selectApplicationForTarget();
};
