#pragma once

#include <QDialog>
#include <QStringList>

#include <array>

class MainController;
class QComboBox;
class QLabel;
class QPushButton;

// The hotkey table ("Tastenbelegung"): per main window button up to three PC keys. The
// table in the settings changes only on OK.
class actionkey_def : public QDialog {
    Q_OBJECT
public:
    static constexpr int RowCount = 8;
    static constexpr int ComboCount = 3 * RowCount;

    explicit actionkey_def(MainController& controller, QWidget* parent = nullptr);

    // The key names offered for the first and second key, and for the third key.
    static QStringList firstKeyNames();
    static QStringList thirdKeyNames();

private:
    void buildControls();
    void load();
    void OKButton_Click();

    MainController& m_controller;
    QLabel* m_Label1 = nullptr;
    QLabel* m_Label2 = nullptr;
    QLabel* m_Label3 = nullptr;
    QLabel* m_Label6 = nullptr;
    std::array<QLabel*, RowCount> m_lblButton{};
    std::array<QComboBox*, ComboCount> m_Combo1{};
    QPushButton* m_OKButton = nullptr;
    QPushButton* m_AbbrechenButton = nullptr;
};
