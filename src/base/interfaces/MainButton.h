#pragma once

// The main window's buttons. The numbers are those that hotkey rows and D-Bus execute commands
// use: hotkey row r presses button r + 1, and "1" to "8" press these buttons. Buttons 9 to 16
// below them send the device commands of rows 0 to 7.
enum class MainButton {
    Send = 1,
    TimerStart = 2,
    TimerStop = 3,
    // Two buttons without an action of their own: pressing them only reopens the link.
    Unused4 = 4,
    Unused5 = 5,
    Hide = 6,
    Online = 7,
    Exit = 8,
};

inline constexpr int MainButtonCount = 8;
inline constexpr int DeviceCommandButtonCount = 8;
