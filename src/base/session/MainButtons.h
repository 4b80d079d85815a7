#pragma once

#include "base/interfaces/MainButton.h"

#include <QObject>
#include <QString>

class ConnectionControl;
class CycleTimer;
class Dialogs;
class MainView;
class SessionState;
class StatusLine;
struct Settings;

// What the main window's buttons do, whoever presses them: the user, a hotkey, the timer, a
// D-Bus execute command. Buttons 1 to 6 first reopen the link; the device command buttons send
// their command and may wait for the device's answer.
class MainButtons : public QObject {
    Q_OBJECT
public:
    MainButtons(const Settings& settings, MainView& view, StatusLine& status, SessionState& state,
                ConnectionControl& connection, CycleTimer& cycle, Dialogs& dialogs,
                QObject* parent = nullptr);

    void press(MainButton button);
    // Device command row 0 to 7; row 8 exists only to be empty.
    void sendDeviceCommand(int row);
    // Buttons by number: 1 to 8 the main buttons, 9 to 17 the device command rows 0 to 8.
    void pressNumber(int number);

    // The bytes a command text sends: "ESC" stands for the escape character (a text without it
    // has its first three characters replaced by one), and CR LF ends the command.
    static QByteArray commandBytes(const QString& command);

Q_SIGNALS:
    // The Exit button: the program ends.
    void exitRequested();
    // A device answered a command whose answer is delivered.
    void answerReceived(const QString& answer);

private:
    void startTimer();
    void stopTimer();
    void switchOnline();

    const Settings& m_settings;
    MainView& m_view;
    StatusLine& m_status;
    SessionState& m_state;
    ConnectionControl& m_connection;
    CycleTimer& m_cycle;
    Dialogs& m_dialogs;
};
