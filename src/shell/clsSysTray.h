#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QSystemTrayIcon;
class QWidget;

// The notification-area icon of the main window. Its icon exists only while the window is
// hidden; any activity on it brings the window back and removes the icon.
class clsSysTray : public QObject {
    Q_OBJECT
public:
    explicit clsSysTray(QWidget* window);
    ~clsSysTray() override;

    static bool isAvailable();

    // Adds the icon for the window with the tooltip "Kelvane 4.2".
    void Init(QWidget* window);
    void SetIcon(QWidget* window);
    void setTooltipText(const QString& text);
    QString tooltipText() const { return m_tooltip; }
    void deleteIcon();
    bool hasIcon() const;
    // Activity over the icon; button 1 restores the window.
    void MouseMove(int button);

private:
    QWidget* m_window;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    QString m_tooltip;
};
