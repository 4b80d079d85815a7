#pragma once

#include <QDialog>
#include <QString>

class MainController;
class QComboBox;
class QPushButton;
class WindowList;

// "Ziel auswählen": the kind of output target, whose detail window follows. In the setup
// assistant the record definition comes next; with the caller tag "format_def" (the transfer
// settings window) the window ends after the detail window.
class select_target : public QDialog {
    Q_OBJECT
public:
    // The entries of cboTarget, in list order.
    enum Target { ActiveApplication, DdeChannel, ExcelFile, TextFile, AccessDatabase, TargetCount };

    // windows lists the application windows for the active-application target (null without
    // X11; the detail window then says so).
    select_target(MainController& controller, WindowList* windows, QWidget* parent = nullptr);

    void setTag(const QString& tag) { m_tag = tag; }
    QString tag() const { return m_tag; }

    // The assistant's cancel flag: set by Abbrechen here or in the detail window, cleared by Ok.
    bool cancelled() const { return m_cancelled; }

    void reject() override;

    // The text of entry target in cboTarget.
    static QString entryText(int target);
    // The value Anwendung gets for target; empty for the active application, whose detail
    // window sets it.
    static QString targetSetting(int target);

private:
    void cmdGoOn_Click();
    // Shows the detail window of target modally and updates the cancel flag.
    void showDetailWindow(int target);
    void showRecordDefinition();

    MainController& m_controller;
    WindowList* m_windows;
    QString m_tag;
    bool m_cancelled = false;
    QComboBox* m_cboTarget = nullptr;
    QPushButton* m_cmdGoOn = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};
