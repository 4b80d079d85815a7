#pragma once

#include "settings/Settings.h"

#include <QString>

class IniDocument;

// Moves every configuration key between a configuration file and Settings. The parts of
// loading and saving that touch the main window or ask the user live with the main window.
class ConfigurationFile {
public:
    // Reads every key of configurationPath into settings, with the defaults for missing keys;
    // m_waittime comes from kelvaneIniPath. Values that cannot be converted leave the field
    // as it was.
    static void read(const QString& configurationPath, const QString& kelvaneIniPath, Settings& settings);
    static void read(const IniDocument& document, const IniDocument& kelvaneIni, Settings& settings);

    // Writes every field in the file's key order into document.
    static void write(const Settings& settings, IniDocument& document);

    // Writes the whole configuration to path in one atomic replacement. A snapshot file
    // (a path containing "tmp.cfg") is updated in place, keeping keys it does not know;
    // any other file is written from scratch. False when the file could not be written.
    static bool save(const Settings& settings, const QString& path);

    static bool isSnapshotPath(const QString& path);

    // Row cutting of the [Hotkeys] and [Action] keys; cells whose computed length is
    // negative keep their previous value.
    static void parseHotkeyRow(const QString& row, std::array<QString, Settings::HotkeyCells + 1>& cells);
    static void parseActionRow(const QString& row, std::array<QString, Settings::ActionCells + 1>& cells);

    // The leading decimal number of text, point as separator, 0 when there is none.
    static double leadingNumber(const QString& text);
};
