#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// One entry of the application list: the name shown for an application and its program file.
struct ApplicationEntry {
    QString name;
    QString programFile;
    bool operator==(const ApplicationEntry&) const = default;
};

// Every setting of the program, one field per configuration key and named after it.
// Collections use the numbering the configuration files use: ID fields 1 to 10, device command
// rows 0 to 7 with cells 1 to 6, hotkey rows 0 to 7 with cells 1 to 4 (index 0 of a row or of
// an ID array is never used).
struct Settings {
    static constexpr int RowCount = 8;
    static constexpr int ActionCells = 6;
    static constexpr int HotkeyCells = 4;
    static constexpr int IdCount = 10;
    static constexpr int MaxApplications = 21;

    // [Port settings]
    QString baud;
    QString parity;
    QString handshake;
    QString databit;
    QString stopbit;
    QString portnum;
    QString tcpip;
    QString tcpport;

    // [Anwendung]
    QString Anwendung;
    QString ExcelFile;
    QString TextFile;
    QString AccessFile;
    QString AccessTable;
    QString Format;

    // [Mode], [Entlastung], [Stillstand], [Intervall]
    QString modus;
    bool entlastung = false;
    bool stillstand = false;
    QString prot;
    QString int_modus;
    QString anz_mess;
    QString int_std;
    QString int_min;
    QString int_sek;
    QString d_start;
    QString d_end;
    QString t_start;
    QString t_end;
    QString activ;

    // [Filter], [Dezimaltrennzeichen]
    QString OTG;
    QString UTG;
    QString TRZ;

    // [Gauge]: the record definition
    QString str_len;
    QString str_endchar;
    QString str_noend;
    std::int16_t mw_start = 0;
    std::int16_t mw_end = 0;
    std::int16_t mw_sign_anf = 0;
    std::int16_t mw_sign_end = 0;
    std::int16_t eh_start = 0;
    std::int16_t eh_end = 0;
    std::int16_t mw_still_anf = 0;
    std::int16_t mw_still_end = 0;
    std::array<std::int16_t, IdCount + 1> ID_anf{};
    std::array<std::int16_t, IdCount + 1> ID_end{};
    QString st_kennung;

    // [anzeige]
    QString anzeigemodus;
    double st_dichte = 0.0;

    // [Action] and [Hotkeys]
    std::array<std::array<QString, ActionCells + 1>, RowCount> Action;
    std::array<std::array<QString, HotkeyCells + 1>, RowCount> Hotkeys;

    // [applicationList]: never empty once loaded
    std::vector<ApplicationEntry> applicationList;

    // [DDECONN]
    QString anwend;
    QString topic;
    QString befehl;

    // Not in the configuration file.
    QString ConfigFilePath;
    double m_waittime = 0.0;
    int selectedApplication = 0;
    QString timerPendingStart;
    bool timerTransferPending = false;
};
