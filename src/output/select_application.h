#pragma once

#include <QDialog>

class MainController;
class QLabel;
class QListWidget;
class QPushButton;
class WindowList;

// "Zielanwendung auswählen": lists the titles of the framed, visible application windows, top
// of the stacking order first, and stores the chosen one as the target (Anwendung).
class select_application : public QDialog {
    Q_OBJECT
public:
    // Without a window list (no X display) the list stays empty and the window says why.
    // cancelFlag, when given, is set by "Abbrechen" (the setup assistant's flag).
    select_application(MainController& controller, WindowList* windows, QWidget* parent = nullptr,
                       bool* cancelFlag = nullptr);

    bool cancelled() const { return m_cancelled; }

    // Fills the list anew, as "Liste aktualisieren" does.
    void fillList();

    static QString windowListUnavailableText();

private:
    void cmdGoOn_Click();
    void cmdCancel_Click();

    MainController& m_controller;
    WindowList* m_windows;
    bool* m_cancelFlag;
    bool m_cancelled = false;
    QLabel* m_Label1 = nullptr;
    QLabel* m_lblUnavailable = nullptr;
    QListWidget* m_lstApplications = nullptr;
    QPushButton* m_cmdRefresh = nullptr;
    QPushButton* m_cmdGoOn = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};
