#pragma once

#include "gui/KeyNameBoxes.h"

#include <QDialog>

#include <vector>

class QLabel;
class QPushButton;
struct Settings;

// The hotkey table ("Tastenbelegung"): up to three PC keys for each of the main window's first
// eight buttons. The table in the settings changes only on OK.
class HotkeysDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int RowCount = 8;

    explicit HotkeysDialog(Settings& settings, QWidget* parent = nullptr);

    const KeyNameBoxes& keyBoxes(int row) const { return m_rows.at(static_cast<std::size_t>(row)); }

private:
    void buildControls();
    void load();
    void storeAndClose();

    Settings& m_settings;
    QLabel* m_buttonHeader = nullptr;
    QLabel* m_firstKeyHeader = nullptr;
    QLabel* m_secondKeyHeader = nullptr;
    QLabel* m_thirdKeyHeader = nullptr;
    std::vector<KeyNameBoxes> m_rows;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};
