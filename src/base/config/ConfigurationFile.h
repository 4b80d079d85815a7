#pragma once

#include "base/config/Settings.h"

#include <QString>

class IniDocument;

// Moves every setting between a configuration file and Settings. The parts of loading and
// saving that touch the main window or ask the user belong to the program controller.
class ConfigurationFile {
public:
    // Reads every key of configurationPath into settings, with the defaults for missing keys;
    // the record wait comes from kelvaneIniPath. A value that cannot be converted leaves its
    // field as it was.
    static void read(const QString& configurationPath, const QString& kelvaneIniPath, Settings& settings);
    static void read(const IniDocument& file, const IniDocument& kelvaneIni, Settings& settings);

    // Writes every setting in the file's key order into document.
    static void write(const Settings& settings, IniDocument& document);

    // Writes the whole configuration to path in one atomic replacement. A snapshot file
    // (a path containing "tmp.cfg") is updated in place, keeping keys it does not know;
    // any other file is written from scratch. False when the file could not be written.
    static bool save(const Settings& settings, const QString& path);

    static bool isSnapshotPath(const QString& path);

    // The D-Bus command target alone, read from and written to the configuration file in use;
    // missing keys read as "Excel", "System" and an empty command. False when not written.
    static void readBusTarget(Settings& settings);
    static bool writeBusTarget(const Settings& settings);

    // The cells of a hotkey row (three keys and a rest) and of a device command row (three
    // keys, command, caption, answer flag), cut at their commas. A device command row without
    // its commas is cut at fixed columns. A cell whose cut comes out negative keeps the text
    // it had in cells.
    static void cutHotkeyRow(const QString& row, std::array<QString, 4>& cells);
    static void cutCommandRow(const QString& row, std::array<QString, 6>& cells);
};
