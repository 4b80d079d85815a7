#pragma once

#include "base/config/Settings.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>

class Dialogs;
class QComboBox;
class QPushButton;
class WindowList;

// "Ziel auswählen": the kind of output target, whose detail window follows. In the setup
// assistant the record layout comes next; opened from the transfer settings window it ends
// after the detail window.
class TargetKindDialog : public QDialog {
    Q_OBJECT
public:
    enum class Caller { Assistant, TransferSettings };

    // The entries of the target list, in list order.
    enum Entry { ActiveApplication, DbusCommand, Workbook, TextFile, Database, EntryCount };

    // windows lists the application windows for the active-application entry (null without
    // X11; the detail window then says so).
    TargetKindDialog(Settings& settings, Dialogs& dialogs, WindowList* windows, Caller caller,
                     QWidget* parent = nullptr);

    Caller caller() const { return m_caller; }

    // The assistant's cancel flag: set by cancel here or in the detail window, cleared by OK.
    bool cancelled() const { return m_cancelled; }

    void reject() override;

    // Opens the record layout window over owner. In the assistant, OK calls it once this window
    // has closed and the detail window was not cancelled.
    std::function<void(QWidget* owner)> openRecordLayout;

    // The text of an entry in the target list.
    static QString entryText(Entry entry);
    // The target an entry stores; nothing for the active application, whose detail window
    // stores the window it chooses.
    static std::optional<TargetKind> targetOf(Entry entry);

private:
    void continueWithChoice();
    // Shows the detail window of entry modally and updates the cancel flag.
    void showDetailWindow(Entry entry);

    Settings& m_settings;
    Dialogs& m_dialogs;
    WindowList* m_windows;
    Caller m_caller;
    bool m_cancelled = false;
    QComboBox* m_targetBox = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};
