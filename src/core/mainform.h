#pragma once

#include "core/MainView.h"

#include <QHash>
#include <QMainWindow>

#include <array>
#include <memory>

class MainController;
class TriggerKeyPoller;
class WindowList;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class clsSysTray;

// The main window: value display, two rows of buttons (Command5), the two status bars and the
// menus from which every settings window opens.
class mainform : public QMainWindow, public MainView {
    Q_OBJECT
public:
    explicit mainform(QWidget* parent = nullptr);
    ~mainform() override;

    void setController(MainController* controller);
    // The desktop services the settings windows use; null where the session has no X11.
    void setDesktop(WindowList* windows, TriggerKeyPoller* triggerKeys);

    // A menu entry by its name (load_conf, quit, ...).
    QAction* menuAction(const QString& name) const;
    QMenu* menu(const QString& name) const;
    QPushButton* button(int index) const;
    clsSysTray* trayIcon() const { return m_tray.get(); }

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
    void setStatus1Text(int panel, const QString& text) override;
    QString status1Text(int panel) const override;
    void setButtonCaption(int index, const QString& caption) override;
    QString buttonCaption(int index) const override;
    void setButtonEnabled(int index, bool enabled) override;
    bool isButtonEnabled(int index) const override;
    void setButtonTag(int index, const QString& tag) override;
    QString buttonTag(int index) const override;
    void setMenuCaption(const QString& menuName, const QString& caption) override;
    bool isMinimized() const override;
    void hideToTray() override;
    void createTrayIcon() override;
    void releaseTrayIcon() override;
    bool isHiddenInTray() const override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildDisplay();
    QAction* addMenuAction(QMenu* menu, const char* name, const QString& caption);
    void showInfo();
    void showHelp();

    MainController* m_controller = nullptr;
    WindowList* m_windows = nullptr;
    TriggerKeyPoller* m_triggerKeys = nullptr;
    QLabel* m_MesswertAnzeige = nullptr;
    QLabel* m_Vorzeichen = nullptr;
    QLabel* m_einheit = nullptr;
    QLabel* m_statusPanel = nullptr;
    std::array<QLabel*, 4> m_status1Panels{};
    std::array<QPushButton*, ButtonCount + 1> m_buttons{};
    QHash<QString, QAction*> m_actions;
    QHash<QString, QMenu*> m_menus;
    std::unique_ptr<clsSysTray> m_tray;
};
