#pragma once

#include <QDialog>
#include <QString>

#include <array>
#include <functional>

class MainController;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The transfer settings window ("Übertragung"): trigger mode, acceptance options, tolerances,
// decimal separator, output definition and target, and the hub for the windows of device
// commands, hotkeys, timer, output definition and target. Mode, options and separator are
// written at once; tolerances, target and output definition on OK.
class format_def : public QDialog {
    Q_OBJECT
public:
    static constexpr int ModeCount = 3;

    explicit format_def(MainController& controller, QWidget* parent = nullptr);

    // The hotkey window, opened modally by cmdHotkey; the button is disabled without it.
    std::function<void()> openHotkeys;
    // The target window, opened modally by Command1 with the caller name "format_def"; the
    // button is disabled without it.
    std::function<void()> openTarget;

    // The stored form of a typed output definition: angle brackets become braces.
    static QString bracesFromAngles(const QString& definition);
    // The mode text of option index (0 "HOTKEY", 1 "PRINT", 2 "TIMER").
    static QString modeText(int index);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void load();
    void updateOpenButtons();
    // The window is active again after another window closed.
    void reactivated();

    void modus_Click(int index);
    void Option1_Click(int index);
    void toleranceChanged(QLineEdit* box);
    void cmdHotkey_Click();
    void Command2_Click();
    void Ausgabe_def_Click();
    void Command1_Click();
    void cmdBefehle_Click();
    void ok_Click();

    MainController& m_controller;
    QGroupBox* m_mode = nullptr;
    std::array<QRadioButton*, ModeCount> m_modus{};
    QPushButton* m_cmdHotkey = nullptr;
    QPushButton* m_Command2 = nullptr;
    QGroupBox* m_Frame1 = nullptr;
    QLabel* m_Label3 = nullptr;
    QLineEdit* m_OTG = nullptr;
    QLabel* m_Label2 = nullptr;
    QLineEdit* m_UTG = nullptr;
    QGroupBox* m_Frame3 = nullptr;
    QCheckBox* m_stillstand = nullptr;
    QCheckBox* m_entlastung = nullptr;
    QGroupBox* m_Frame2 = nullptr;
    std::array<QRadioButton*, 2> m_Option1{};
    QGroupBox* m_Frame4 = nullptr;
    QLineEdit* m_ausgabe_string = nullptr;
    QPushButton* m_Ausgabe_def = nullptr;
    QGroupBox* m_Frame5 = nullptr;
    QLineEdit* m_anwendung_set = nullptr;
    QPushButton* m_Command1 = nullptr;
    QGroupBox* m_Frame6 = nullptr;
    QPushButton* m_cmdBefehle = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_Command3 = nullptr;
};
