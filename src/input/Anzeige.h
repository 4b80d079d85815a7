#pragma once

#include <QDialog>

#include <array>

class MainController;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The display mode window: weight, volume or flow, and the density that turns grams into
// millilitres. Both settings change only on OK.
class Anzeige : public QDialog {
    Q_OBJECT
public:
    static constexpr int ModeCount = 3;

    explicit Anzeige(MainController& controller, QWidget* parent = nullptr);

    // The mode chosen in the window; -1 while none is.
    int chosenMode() const { return m_chosenMode; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void load();
    void Option1_Click(int index);
    void cmdOk_Click();

    MainController& m_controller;
    QGroupBox* m_frmAnzeige = nullptr;
    std::array<QRadioButton*, ModeCount> m_Option1{};
    std::array<QLabel*, ModeCount> m_labels{};
    QLineEdit* m_dichte = nullptr;
    QLabel* m_Label4 = nullptr;
    QPushButton* m_cmdOk = nullptr;
    QPushButton* m_cmdcancel = nullptr;
    int m_chosenMode = -1;
};
