#pragma once

#include "base/interfaces/MainView.h"

#include <QHash>
#include <QMainWindow>

#include <array>
#include <memory>

class ProgramSession;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class TrayIcon;
class TrendWindow;

// The main window: the value display, the main buttons and the device command buttons below
// it, the status panel and the three information panels, and the menus from which every
// settings window opens.
class MainWindow : public QMainWindow, public MainView {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The program behind the window: the buttons press its buttons, the menus run its commands
    // and open its settings windows.
    void setSession(ProgramSession* session);

    // A menu or menu entry; for a menu, the action that opens it.
    QAction* menuAction(MainView::Menu menu) const;
    // A menu; null for a menu entry.
    QMenu* menu(MainView::Menu menu) const;
    // The setup assistant's entry of the file menu, whose caption the language file does not set.
    QAction* setupAssistantAction() const { return m_setupAssistantAction; }
    QPushButton* button(MainButton button) const;
    // The button of device command row 0 to 7.
    QPushButton* commandButton(int row) const;
    TrayIcon* trayIcon() const { return m_tray.get(); }
    // Whether the window was hidden into the notification area and is still there.
    bool isHiddenInTray() const;

    // MainView
    void setWindowTitle(const QString& title) override;
    QString windowTitle() const override;
    void setValueText(const QString& text) override;
    QString valueText() const override;
    void setSignText(const QString& text) override;
    QString signText() const override;
    void setUnitText(const QString& text) override;
    QString unitText() const override;
    void setStatusText(const QString& text) override;
    QString statusText() const override;
    void setInfoText(InfoPanel panel, const QString& text) override;
    QString infoText(InfoPanel panel) const override;
    void setButtonCaption(MainButton button, const QString& caption) override;
    QString buttonCaption(MainButton button) const override;
    void setButtonEnabled(MainButton button, bool enabled) override;
    bool isButtonEnabled(MainButton button) const override;
    void setCommandButtonCaption(int row, const QString& caption) override;
    QString commandButtonCaption(int row) const override;
    void setMenuCaption(Menu menu, const QString& caption) override;
    bool isMinimized() const override;
    void hideToTray() override;
    void createTrayIcon() override;
    void releaseTrayIcon() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildDisplay();
    QMenu* addMenu(Menu menu, const char* name, const QString& caption);
    QAction* addMenuAction(QMenu* parent, Menu menu, const char* name, const QString& caption);
    void connectMenus(ProgramSession& session);
    void showDisplayMode(ProgramSession& session);
    void showRecordLayout(ProgramSession& session);
    void showTransferSettings(ProgramSession& session);
    void showAbout();
    // Not modal: the cycle goes on, and the window stays until the program ends.
    void showTrend(ProgramSession& session);
    void showHelp();
    // Puts the info texts last set into their panels.
    void showInfoTexts();

    ProgramSession* m_session = nullptr;
    QLabel* m_valueLabel = nullptr;
    QLabel* m_signLabel = nullptr;
    QLabel* m_unitLabel = nullptr;
    QLabel* m_statusPanel = nullptr;
    std::array<QLabel*, 3> m_infoPanels{};
    std::array<QString, 3> m_infoTexts;
    bool m_infoTextsPosted = false;
    std::array<QPushButton*, MainButtonCount> m_buttons{};
    std::array<QPushButton*, DeviceCommandButtonCount> m_commandButtons{};
    QHash<Menu, QAction*> m_actions;
    QHash<Menu, QMenu*> m_menus;
    QAction* m_setupAssistantAction = nullptr;
    std::unique_ptr<TrayIcon> m_tray;
    std::unique_ptr<TrendWindow> m_trend;
};
