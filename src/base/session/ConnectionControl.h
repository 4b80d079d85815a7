#pragma once

#include "base/link/SerialLink.h"
#include "base/link/TcpLink.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class Dialogs;
class MainView;
class StatusLine;
struct Settings;

// The link to the device and whether it is online: which link the settings choose, opening and
// closing it on the program's paths, and the online display. "Online" means the program takes
// values; for TCP/IP it holds once connecting has started.
class ConnectionControl : public QObject {
    Q_OBJECT
public:
    ConnectionControl(const Settings& settings, MainView& view, StatusLine& status, Dialogs& dialogs,
                      const QString& kelvaneIniPath, QObject* parent = nullptr);

    // The link the settings choose: the serial port when the port setting is a number.
    DeviceLink& link();
    SerialLink& serialLink() { return m_serial; }
    TcpLink& tcpLink() { return m_tcp; }
    // Between ticks what the device sends waits to be fetched (DeviceLink::holdArrivals).
    void holdArrivals() { link().holdArrivals(); }
    void releaseArrivals() {
        m_serial.releaseArrivals();
        m_tcp.releaseArrivals();
    }

    bool isOnline() const { return m_online; }
    void setOnline(bool online) { m_online = online; }

    // The online display: the online button's caption, the value display and the state.
    void showOnline(bool clearUnitAndSign);
    void showOffline();
    // The form start-up and configuration loads show: the two texts the other way round.
    void showOnlineAtStartup();

    // Starts connecting to the TCP/IP peer of the settings.
    void connectSocket();
    // At start-up: opens the port of the settings, or starts connecting. False when a serial port
    // that exists could not be opened.
    bool openAtStartup();
    // After a configuration load: closes the old port and opens the link the settings name; a
    // port that is missing or in use opens the port window.
    void applySettings();
    // Buttons 1 to 6: the link is opened again and shown online.
    void reopen();
    // The online button: the link goes offline (closed) or online (opened).
    void goOffline();
    void goOnline();
    // A device command while offline: the link is opened and shown online.
    void reopenForCommand();

    // Sends a device command; a failure is shown. What the device sent before is dropped when an
    // answer is awaited or the link is serial.
    void sendCommand(const QByteArray& command, bool awaitsAnswer);
    // Waits for the line a device sends in answer to a command, without its line feed; a null
    // array after the time-out.
    QByteArray waitForAnswerLine();

    // At the end of the program: closes the TCP/IP connection and waits until it is closed.
    void closeForShutdown();

    bool portExists(int portNumber) const { return m_serial.portExists(portNumber); }

    static constexpr int ReconnectIntervalMs = 2000;
    // Whether a lost link is being tried again.
    bool isReconnecting() const { return m_reconnect.isActive(); }

Q_SIGNALS:
    // The link came back by itself; what was received before the loss is gone.
    void linkRestored();

private:
    // Opens the serial port; a user without access to its device is told which group grants it.
    bool openSerial();
    QString serialPortStatus() const;
    QString tcpStatus() const;
    void onLinkLost(LinkLoss cause);
    void tryReconnect();
    void restored();
    // The user or the start-up decides about the link from now on.
    void stopReconnecting();

    const Settings& m_settings;
    MainView& m_view;
    StatusLine& m_status;
    Dialogs& m_dialogs;
    SerialLink m_serial;
    TcpLink m_tcp;
    bool m_online = false;
    int m_accessReportedPort = 0;
    bool m_tcpConnected = false;
    QTimer m_reconnect;
    int m_reconnectAttempts = 0;
};
