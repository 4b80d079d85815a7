#pragma once

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;
class WindowList;
struct Settings;

// "Zielanwendung auswählen": lists the titles of the framed, visible application windows, top
// of the stacking order first, and stores the chosen one as the target.
class TargetWindowDialog : public QDialog {
    Q_OBJECT
public:
    // Without a window list (no X display) the list stays empty and the window says why.
    TargetWindowDialog(Settings& settings, WindowList* windows, QWidget* parent = nullptr);

    // Whether the window was left with cancel or closed by its frame (the setup assistant ends
    // its chain then).
    bool cancelled() const { return m_cancelled; }

    // Fills the list anew, as "Liste aktualisieren" does.
    void fillList();

    static QString windowListUnavailableText();

private:
    void storeChoice();
    void cancel();

    Settings& m_settings;
    WindowList* m_windows;
    bool m_cancelled = false;
    QLabel* m_promptLabel = nullptr;
    QLabel* m_unavailableLabel = nullptr;
    QListWidget* m_windowList = nullptr;
    QPushButton* m_refreshButton = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};
