#pragma once

#include <QDialog>
#include <QString>

class MainController;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class WindowList;

// "Schnittstellenparameter": the port of the device with its serial line parameters or its
// TCP/IP address. The first step of the setup assistant, which goes on to the target window;
// with the caller tag "mainform" it is the main window's port dialog and only stores.
class select_settings : public QDialog {
    Q_OBJECT
public:
    // Ports COM1 up to this one are looked for.
    static constexpr int HighestPort = 32;

    // windows is handed on to the target window (null without X11).
    select_settings(MainController& controller, WindowList* windows, QWidget* parent = nullptr);

    void setTag(const QString& tag) { m_tag = tag; }
    QString tag() const { return m_tag; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void load();
    void showSerialFields(bool serial);
    void Timer1_Timer();
    void cboCOM_Click(const QString& entry);
    void cmdGoOn_Click();

    MainController& m_controller;
    WindowList* m_windows;
    QString m_tag;

    QLabel* m_lblCOM = nullptr;
    QComboBox* m_cboCOM = nullptr;
    QLabel* m_lblBaud = nullptr;
    QComboBox* m_cboBaud = nullptr;
    QLabel* m_lblDataBits = nullptr;
    QComboBox* m_cboDataBits = nullptr;
    QLabel* m_lblParity = nullptr;
    QComboBox* m_cboParity = nullptr;
    QLabel* m_lblStopBits = nullptr;
    QComboBox* m_cboStopBits = nullptr;
    QLabel* m_lblHandshake = nullptr;
    QComboBox* m_cboHandshake = nullptr;
    QLabel* m_lblIP = nullptr;
    QLineEdit* m_txtIP = nullptr;
    QLabel* m_lblPort = nullptr;
    QLineEdit* m_txtPort = nullptr;
    QPushButton* m_cmdGoOn = nullptr;
    QPushButton* m_cmdCancel = nullptr;
    QTimer* m_Timer1 = nullptr;
    bool m_portSearchStarted = false;
};
