#pragma once

#include "base/config/Settings.h"

#include <QDialog>

#include <array>
#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The display mode window: weight, volume or flow, and the density that turns grams into
// millilitres. Both settings change only on OK.
class DisplayModeDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int ModeCount = 3;

    explicit DisplayModeDialog(Settings& settings, QWidget* parent = nullptr);

    // The mode chosen in the window; none while no option is chosen.
    std::optional<DisplayMode> chosenMode() const { return m_chosenMode; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void load();
    void storeAndClose();

    Settings& m_settings;
    QGroupBox* m_modeFrame = nullptr;
    std::array<QRadioButton*, ModeCount> m_modeOptions{};
    std::array<QLabel*, ModeCount> m_modeLabels{};
    QLineEdit* m_densityBox = nullptr;
    QLabel* m_densityUnitLabel = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    std::optional<DisplayMode> m_chosenMode;
};
