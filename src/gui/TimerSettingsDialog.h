#pragma once

#include <QDialog>
#include <QPointer>

#include <array>

class Dialogs;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
struct Settings;
struct TimerRun;

// The timer settings window ("Zeitgeber"): interval, start and stop date and time, number of
// measurements, the schedule mode and the start at program start. The mode and the start check
// box act at once; the text fields are checked when they are left and stored on OK.
class TimerSettingsDialog : public QDialog {
    Q_OBJECT
public:
    TimerSettingsDialog(Settings& settings, Dialogs& dialogs, TimerRun& run, QWidget* parent = nullptr);

    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void load();
    void chooseMode(int index);
    // Enables the fields of the start/stop (0) or the count (1) schedule.
    void applyMode(int index);
    void setAutostart(bool checked);
    // Checks a field as leaving it does: false after a refusal (with its message).
    bool checkField(QLineEdit* field);
    void refocus(QLineEdit* field);
    void runPendingCheck();
    void storeAndClose();

    Settings& m_settings;
    Dialogs& m_dialogs;
    TimerRun& m_run;
    QGroupBox* m_intervalFrame = nullptr;
    QGroupBox* m_modeFrame = nullptr;
    QGroupBox* m_startStopFrame = nullptr;
    QGroupBox* m_countFrame = nullptr;
    QLineEdit* m_hoursBox = nullptr;
    QLineEdit* m_minutesBox = nullptr;
    QLineEdit* m_secondsBox = nullptr;
    QLabel* m_hoursLabel = nullptr;
    QLabel* m_minutesLabel = nullptr;
    QLabel* m_secondsLabel = nullptr;
    QCheckBox* m_autostartBox = nullptr;
    std::array<QRadioButton*, 2> m_modeOptions{};
    QLineEdit* m_startDateBox = nullptr;
    QLineEdit* m_startTimeBox = nullptr;
    QLineEdit* m_stopDateBox = nullptr;
    QLineEdit* m_stopTimeBox = nullptr;
    QLabel* m_startLabel = nullptr;
    QLabel* m_stopLabel = nullptr;
    QLabel* m_dateLabel = nullptr;
    QLabel* m_timeLabel = nullptr;
    QLineEdit* m_countBox = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;

    // The field that was left and is still to be checked.
    QPointer<QLineEdit> m_pending;
    // Focus moved back by a refusal: the field it leaves is not checked for that.
    bool m_refocusing = false;
};
