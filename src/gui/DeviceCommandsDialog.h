#pragma once

#include "gui/KeyNameBoxes.h"

#include <QDialog>
#include <QString>

#include <array>
#include <vector>

class MainView;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct Settings;

// The device command table ("Datenanforderung/Befehle"): for each row the PC keys, the command
// text, the caption of the row's button in the main window and whether the device's answer is
// delivered. The table and the main window's captions change only on OK.
class DeviceCommandsDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int RowCount = 8;

    DeviceCommandsDialog(Settings& settings, MainView& view, QWidget* parent = nullptr);

    // The caption a row's button shows in this window, as the caption window changes it.
    QString commandCaption(int row) const;
    const KeyNameBoxes& keyBoxes(int row) const { return m_keyBoxes.at(static_cast<std::size_t>(row)); }

private:
    void buildControls();
    void load();
    // Lets the user change the caption of a row's button.
    void editCaption(int row);
    void storeAndClose();

    Settings& m_settings;
    MainView& m_view;
    QGroupBox* m_commandsFrame = nullptr;
    QLabel* m_keyHeader = nullptr;
    QLabel* m_commandHeader = nullptr;
    QLabel* m_firstKeyHeader = nullptr;
    QLabel* m_secondKeyHeader = nullptr;
    QLabel* m_thirdKeyHeader = nullptr;
    QLabel* m_sendResultHeader = nullptr;
    std::array<QPushButton*, RowCount> m_captionButtons{};
    std::array<QLineEdit*, RowCount> m_commandBoxes{};
    std::vector<KeyNameBoxes> m_keyBoxes;
    std::array<QCheckBox*, RowCount> m_sendResultBoxes{};
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};
