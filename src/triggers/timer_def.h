#pragma once

#include <QDialog>
#include <QPointer>

#include <array>

class MainController;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The timer settings window ("Zeitgeber"): interval, start and stop date and time, number of
// measurements, the interval mode and the start at program start. The mode and the start
// check box act at once; the text fields are checked when they are left and stored on OK.
class timer_def : public QDialog {
    Q_OBJECT
public:
    explicit timer_def(MainController& controller, QWidget* parent = nullptr);

    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Kind { Interval, Count, Date, Time };

    void buildControls();
    void load();
    void TimerModus_Click(int index);
    void applyMode(int index);
    void Check1_Click(bool checked);
    // Checks a field as leaving it does: false after a refusal (with its message).
    bool checkField(QLineEdit* field);
    Kind kindOf(const QLineEdit* field) const;
    void refocus(QLineEdit* field);
    void runPendingCheck();
    void cmdOK_Click();

    MainController& m_controller;
    QGroupBox* m_Frame1 = nullptr;
    QGroupBox* m_Frame2 = nullptr;
    QGroupBox* m_Frame3 = nullptr;
    QGroupBox* m_Frame4 = nullptr;
    QLineEdit* m_Stunden = nullptr;
    QLineEdit* m_minuten = nullptr;
    QLineEdit* m_sekunden = nullptr;
    QLabel* m_Label7 = nullptr;
    QLabel* m_Label8 = nullptr;
    QLabel* m_Label9 = nullptr;
    QCheckBox* m_Check1 = nullptr;
    std::array<QRadioButton*, 2> m_TimerModus{};
    QLineEdit* m_Startdate = nullptr;
    QLineEdit* m_starttime = nullptr;
    QLineEdit* m_stopdate = nullptr;
    QLineEdit* m_stoptime = nullptr;
    QLabel* m_Label1 = nullptr;
    QLabel* m_Label2 = nullptr;
    QLabel* m_Label3 = nullptr;
    QLabel* m_Label4 = nullptr;
    QLineEdit* m_anz_messungen = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCancel = nullptr;

    // The field that was left and is still to be checked.
    QPointer<QLineEdit> m_pending;
    // Focus moved back by a refusal: the field it leaves is not checked for that.
    bool m_refocusing = false;
};
