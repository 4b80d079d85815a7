#pragma once

#include <QDialog>

class MainController;
class QLabel;
class QLineEdit;
class QPushButton;
struct Settings;

// The DDE client parameters: application, topic and command, read from the current
// configuration file when the window opens and written back to it by cmdGoOn.
class select_DDEParameter : public QDialog {
    Q_OBJECT
public:
    explicit select_DDEParameter(Settings& settings, QWidget* parent = nullptr);

    // Whether the window was left with cmdCancel (the setup assistant ends its chain then).
    bool cancelled() const { return m_cancelled; }

    // The main window's menu entry: the main cycle rests while the window is open and then
    // runs at the interval it had before.
    static void showFromMenu(MainController& controller, QWidget* parent);

private:
    void cmdGoOn_Click();
    void cmdCancel_Click();

    Settings& m_settings;
    bool m_cancelled = false;
    QLabel* m_appltext = nullptr;
    QLineEdit* m_appl = nullptr;
    QLabel* m_comtopictext = nullptr;
    QLineEdit* m_comtopic = nullptr;
    QLabel* m_befehltext = nullptr;
    QLineEdit* m_befehl = nullptr;
    QLabel* m_txtTipps = nullptr;
    QPushButton* m_cmdGoOn = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};
