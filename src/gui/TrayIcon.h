#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QSystemTrayIcon;
class QWidget;

// The notification-area icon of the main window. The icon exists only while the window is
// hidden; any activity on it brings the window back and removes the icon.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QWidget* window);
    ~TrayIcon() override;

    // Whether the desktop has a notification area at all.
    static bool isAvailable();

    // Shows the icon for the window, with the window's icon and the tooltip "Kelvane 4.2".
    void show(QWidget* window);
    // Takes the window's icon for the notification-area icon.
    void setIconOf(QWidget* window);
    void setTooltipText(const QString& text);
    QString tooltipText() const { return m_tooltip; }
    void remove();
    bool hasIcon() const;
    // What activity on the icon does: the window comes back to the front and the icon goes.
    void restoreWindow();

private:
    QWidget* m_window;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    QString m_tooltip;
};
