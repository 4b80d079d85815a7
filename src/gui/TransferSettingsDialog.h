#pragma once

#include <QDialog>
#include <QString>

#include <array>
#include <functional>

class Dialogs;
class MainView;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class StatusLine;
struct Settings;
struct TimerRun;

// The transfer settings window ("Übertragung"): transfer mode, acceptance options, tolerances,
// decimal separator, output template and target, and the way to the windows of the hotkeys,
// the timer, the output template, the target and the device commands. Mode, options and
// separator are stored at once; tolerances, target and output template on OK.
class TransferSettingsDialog : public QDialog {
    Q_OBJECT
public:
    TransferSettingsDialog(Settings& settings, MainView& view, StatusLine& status, Dialogs& dialogs,
                           TimerRun& run, QWidget* parent = nullptr);

    // The hotkey window, opened modally by the hotkeys button; the button is disabled without it.
    std::function<void()> openHotkeys;
    // The target window, opened modally by the target button; the button is disabled without it.
    std::function<void()> openTarget;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void load();
    void updateOpenButtons();
    // The window is active again after another window closed.
    void reactivated();

    void chooseTransferMode(int index);
    void chooseSeparator(bool decimalPoint);
    void checkLimit(QLineEdit* box);
    void showHotkeys();
    void showTimer();
    void editOutputTemplate();
    void chooseTarget();
    void showDeviceCommands();
    void storeAndClose();

    Settings& m_settings;
    MainView& m_view;
    StatusLine& m_status;
    Dialogs& m_dialogs;
    TimerRun& m_run;
    QGroupBox* m_modeFrame = nullptr;
    std::array<QRadioButton*, 3> m_modeOptions{};
    QPushButton* m_hotkeysButton = nullptr;
    QPushButton* m_timerButton = nullptr;
    QGroupBox* m_toleranceFrame = nullptr;
    QLabel* m_upperLimitLabel = nullptr;
    QLineEdit* m_upperLimitBox = nullptr;
    QLabel* m_lowerLimitLabel = nullptr;
    QLineEdit* m_lowerLimitBox = nullptr;
    QGroupBox* m_acceptanceFrame = nullptr;
    QCheckBox* m_standstillBox = nullptr;
    QCheckBox* m_unloadingBox = nullptr;
    QGroupBox* m_separatorFrame = nullptr;
    QRadioButton* m_commaOption = nullptr;
    QRadioButton* m_pointOption = nullptr;
    QGroupBox* m_outputFrame = nullptr;
    QLineEdit* m_outputTemplateBox = nullptr;
    QPushButton* m_editTemplateButton = nullptr;
    QGroupBox* m_targetFrame = nullptr;
    QLineEdit* m_targetBox = nullptr;
    QPushButton* m_chooseTargetButton = nullptr;
    QGroupBox* m_optionsFrame = nullptr;
    QPushButton* m_deviceCommandsButton = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};
