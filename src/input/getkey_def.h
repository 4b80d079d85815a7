#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <array>

class MainController;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The device command table ("Datenanforderung/Befehle"): per row the key combination, the
// command text, the caption of the row's button in the main window and whether the device's
// answer is received. The table changes only on OK.
class getkey_def : public QDialog {
    Q_OBJECT
public:
    static constexpr int RowCount = 8;
    static constexpr int ComboCount = 3 * RowCount;

    explicit getkey_def(MainController& controller, QWidget* parent = nullptr);

    // The key names offered for the first and second key, and for the third key.
    static QStringList firstKeyNames();
    static QStringList thirdKeyNames();

    // The caption of Command1(row), as getButtonText changes it.
    QString commandCaption(int row) const;
    void setCommandCaption(int row, const QString& caption);

private:
    void buildControls();
    void load();
    void Command1_Click(int row);
    void Command2_Click();

    MainController& m_controller;
    QLabel* m_Label1 = nullptr;
    QLabel* m_Label2 = nullptr;
    QLabel* m_Label3 = nullptr;
    QLabel* m_Label4 = nullptr;
    QLabel* m_Label5 = nullptr;
    QLabel* m_Label6 = nullptr;
    QGroupBox* m_Frame1 = nullptr;
    std::array<QPushButton*, RowCount> m_Command1{};
    std::array<QLineEdit*, RowCount> m_Text4{};
    std::array<QComboBox*, ComboCount> m_Combo1{};
    std::array<QCheckBox*, RowCount> m_Check1{};
    QPushButton* m_Command2 = nullptr;
    QPushButton* m_cmdclose = nullptr;
};
