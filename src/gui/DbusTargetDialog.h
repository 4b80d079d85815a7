#pragma once

#include <QDialog>

class CycleTimer;
class Dialogs;
class QLabel;
class QLineEdit;
class QPushButton;
struct Settings;

// The D-Bus command target: bus name, object path and command, read from the current
// configuration file when the window opens and written back to it by OK, which takes only names
// the bus can carry.
class DbusTargetDialog : public QDialog {
    Q_OBJECT
public:
    DbusTargetDialog(Settings& settings, Dialogs& dialogs, QWidget* parent = nullptr);

    // Whether the window was left with cancel (the setup assistant ends its chain then).
    bool cancelled() const { return m_cancelled; }

    // The main window's menu entry: the main cycle rests while the window is open and then
    // runs at the interval it had before.
    static void showFromMenu(Settings& settings, Dialogs& dialogs, CycleTimer& cycle, QWidget* parent);

private:
    void storeAndClose();
    void cancel();

    Settings& m_settings;
    Dialogs& m_dialogs;
    bool m_cancelled = false;
    QLabel* m_busNameLabel = nullptr;
    QLineEdit* m_busNameBox = nullptr;
    QLabel* m_objectPathLabel = nullptr;
    QLineEdit* m_objectPathBox = nullptr;
    QLabel* m_commandLabel = nullptr;
    QLineEdit* m_commandBox = nullptr;
    QLabel* m_hintLabel = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};
