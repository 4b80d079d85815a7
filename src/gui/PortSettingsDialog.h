#pragma once

#include "base/config/ConfigValue.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>

class ConnectionControl;
class Dialogs;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
struct Settings;

// "Schnittstellenparameter": the port of the device with its serial line parameters or its
// TCP/IP address. The first step of the setup assistant, which goes on to the target window;
// opened from the main window it only stores.
class PortSettingsDialog : public QDialog {
    Q_OBJECT
public:
    enum class Caller { MainWindow, Assistant };

    // Ports COM1 up to this one are looked for.
    static constexpr int HighestPort = 32;
    // The list entry that chooses TCP/IP.
    static inline const QString TcpIpEntry = QStringLiteral("TCP/IP");

    PortSettingsDialog(Settings& settings, ConnectionControl& connection, Dialogs& dialogs, Caller caller,
                       QWidget* parent = nullptr);

    Caller caller() const { return m_caller; }

    // Opens the target window over owner; OK calls it when the assistant opened this window,
    // before this window closes.
    std::function<void(QWidget* owner)> openTarget;

    // The port setting a list entry stands for: "COM3" is port 3, "TCP/IP" is TCP/IP; nothing
    // for an entry that names no port.
    static std::optional<ConfigValue<int>> portSetting(const QString& entry);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void load();
    void showSerialFields(bool serial);
    void listPorts();
    void portChosen(const QString& entry);
    void storeAndContinue();

    Settings& m_settings;
    ConnectionControl& m_connection;
    Dialogs& m_dialogs;
    Caller m_caller;

    QLabel* m_portLabel = nullptr;
    QComboBox* m_portBox = nullptr;
    QLabel* m_baudRateLabel = nullptr;
    QComboBox* m_baudRateBox = nullptr;
    QLabel* m_dataBitsLabel = nullptr;
    QComboBox* m_dataBitsBox = nullptr;
    QLabel* m_parityLabel = nullptr;
    QComboBox* m_parityBox = nullptr;
    QLabel* m_stopBitsLabel = nullptr;
    QComboBox* m_stopBitsBox = nullptr;
    QLabel* m_handshakeLabel = nullptr;
    QComboBox* m_handshakeBox = nullptr;
    QLabel* m_hostLabel = nullptr;
    QLineEdit* m_hostBox = nullptr;
    QLabel* m_tcpPortLabel = nullptr;
    QLineEdit* m_tcpPortBox = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QTimer* m_portSearchTimer = nullptr;
    bool m_portSearchStarted = false;
};
