#pragma once

#include "core/DeviceLink.h"
#include "settings/Settings.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

class Dialogs;
class MainView;

// The main window's logic: it owns the settings, the device link and the main cycle's timer,
// runs the start-up and the shutdown, loads and saves configurations and handles the button
// array. It speaks to the user only through MainView and Dialogs.
class MainController : public QObject {
    Q_OBJECT
public:
    static constexpr int RunningInterval = 10;
    static constexpr int WaitingInterval = 1000;
    static inline const QString ProgramTitle = QStringLiteral("Kelvane Version 4.2");

    MainController(MainView& view, Dialogs& dialogs, QObject* parent = nullptr);
    ~MainController() override;

    Settings& settings() { return m_settings; }
    const Settings& settings() const { return m_settings; }
    DeviceLink& link() { return m_link; }
    MainView& view() { return m_view; }
    Dialogs& dialogs() { return m_dialogs; }

    // Start-up: language, menus, configuration (configArgument is the optional command-line
    // file name, relative to the program directory), link and mode. False when no language
    // could be chosen and the program must end.
    bool formLoad(const QString& configArgument = {});
    // The shutdown: snapshot, socket close, the question to save changes. Runs once; then
    // the program ends (ended() is emitted).
    void formUnload();
    bool isUnloaded() const { return m_unloaded; }

    // Status panel 1 of Status, written only when the text changes.
    bool fnUpdateStatus(const QString& status);

    void LoadConfiguration(const QString& path);
    // False when nothing was written (declined, or the file could not be written).
    bool SaveConfiguration(const QString& path);

    // Menu commands of the main window.
    void loadConfMenu();
    void saveConfMenu();
    void quitMenu();
    // Shows the load dialog; returns the chosen path or an empty text when cancelled.
    QString showLoadDialog();
    // Shows the save dialog and saves on confirmation.
    void showSaveDialog();
    // Stops the cycle, lets the user choose a language and runs the start-up again.
    void languageMenu();
    // Stops the main cycle and shows the offline state (info window, settings windows).
    void stopCycleAndShowOffline();
    // The offline state without stopping the cycle (help, save).
    void showOfflineState();

    // The button array handler.
    void Command5_Click(int index);

    // Connection control. OpenLink is false when a port that exists could not be opened.
    bool OpenLink();
    void ConnectSocket();
    void ShowOnline(bool emptyUnitAndSign);
    void ShowOnlineAtStartup();
    void ShowOffline();
    bool IsComPortAvailable(int portNumber) const;
    // Returns after seconds, letting events run meanwhile.
    void WaitSeconds(double seconds);

    // The main cycle: 0 stops it.
    void setCycleInterval(int milliseconds);
    int cycleInterval() const;
    bool isCycleRunning() const { return m_timer1.isActive(); }

    bool linkOnline() const;
    void setLinkOnline(bool online);
    bool portnumIsNumber() const;
    QString lineSettingsText() const;

    // Window state shared with the main cycle, the triggers and the delivery.
    bool TransferPending = false;
    bool TimerRunning = false;
    QDateTime TimerDue;
    int TimerCount = 0;
    QString LastStatusText;
    QString OutputText;

    // The hidden text fields that other programs read as the current value.
    struct DdeItems {
        QString DDEValue;
        QString DDEUnit;
        QString DDESign;
        QString DDEDirect;
        QString DDESTRING;
    };
    DdeItems dde;

    // The current language's texts may have changed: menus and captions must follow.
    void applyMenuCaptions();

    // Compares two files byte by byte.
    static bool FilesEqual(const QString& first, const QString& second);

Q_SIGNALS:
    // A device answered a command; the text goes to the delivery target.
    void deliveryRequested(const QString& outputText);
    // A device answered a command while the DDE client is the target.
    void ddeCommandRequested();
    // A configuration was loaded from a file: the target window is looked up by its title.
    void targetLookupRequested();
    // The shutdown has run; the program ends.
    void ended();
    // One tick of the main cycle is due.
    void tick();

private:
    void chooseConfigurationAtStartup(const QString& configArgument);
    void applyLinkSettings();
    void writeShutdownSnapshot();
    void reportWriteFailure(const QString& path);
    bool openSerialPort();
    void serialPrologue();
    void onlineSwitch();
    void SendDeviceCommand(int row);
    // Waits for the line a device sends in answer to a command; empty after the time-out.
    QByteArray waitForAnswerLine();
    void onTimer1();

    MainView& m_view;
    Dialogs& m_dialogs;
    Settings m_settings;
    DeviceLink m_link;
    QTimer m_timer1;
    bool m_inTick = false;
    bool m_unloaded = false;
};
