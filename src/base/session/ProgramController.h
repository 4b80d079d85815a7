#pragma once

#include <QObject>
#include <QString>

class ConnectionControl;
class CycleTimer;
class Dialogs;
class MainButtons;
class MainView;
class SessionState;
class StatusLine;
struct Settings;

// The program's start-up and shutdown, its configuration files and the main window's own menu
// commands. It speaks to the user only through the main view and the dialogs.
class ProgramController : public QObject {
    Q_OBJECT
public:
    struct Parts {
        Settings& settings;
        MainView& view;
        Dialogs& dialogs;
        StatusLine& status;
        SessionState& state;
        ConnectionControl& connection;
        CycleTimer& cycle;
        MainButtons& buttons;
    };

    explicit ProgramController(const Parts& parts, QObject* parent = nullptr);

    // The start-up: language, menus, configuration (configuration is the optional command-line
    // file name, relative to the program directory), link and mode. False when no language
    // could be chosen and the program must end.
    bool start(const QString& configuration = {});
    // The shutdown: snapshot, socket close, the question to save changes. Runs once; then the
    // program ends (ended() is emitted).
    void shutdown();
    bool hasEnded() const { return m_ended; }

    void loadConfiguration(const QString& path);
    // False when nothing was written (declined, or the file could not be written).
    bool saveConfiguration(const QString& path);

    // Menu commands of the main window.
    void loadConfigurationFromMenu();
    void saveConfigurationFromMenu();
    void quit();
    // Stops the cycle, lets the user choose a language and runs the start-up again.
    void chooseLanguage();
    // Stops the main cycle and shows the offline state (info window, settings windows).
    void stopCycleAndShowOffline();
    // The offline state without stopping the cycle (help, save).
    void showOfflineState();

    // Compares two files byte by byte.
    static bool filesEqual(const QString& first, const QString& second);

Q_SIGNALS:
    // A configuration was loaded from a file: the target window is looked up by its title.
    void configurationLoaded();
    // The shutdown begins: waits for the device end.
    void shutdownStarted();
    // The shutdown has run; the program ends.
    void ended();

private:
    void applyMenuCaptions();
    void chooseConfigurationAtStartup(const QString& configuration);
    void startInMode();
    QString showLoadDialog();
    void showSaveDialog();
    void writeShutdownSnapshot();
    void reportWriteFailure(const QString& path);

    Settings& m_settings;
    MainView& m_view;
    Dialogs& m_dialogs;
    StatusLine& m_status;
    SessionState& m_state;
    ConnectionControl& m_connection;
    CycleTimer& m_cycle;
    MainButtons& m_buttons;
    // The configuration named at program start; empty for standard.cfg.
    QString m_startConfiguration;
    bool m_ended = false;
};
