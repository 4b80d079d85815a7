#include "gui/TrayIcon.h"

#include <QSystemTrayIcon>
#include <QWidget>

TrayIcon::TrayIcon(QWidget* window) : m_window(window) {}

TrayIcon::~TrayIcon() {
    remove();
}

bool TrayIcon::isAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::show(QWidget* window) {
    m_window = window;
    if (!m_icon) {
        m_icon = std::make_unique<QSystemTrayIcon>();
        // Queued: restoring deletes the icon, which must not happen while the icon emits.
        connect(m_icon.get(), &QSystemTrayIcon::activated, this, &TrayIcon::restoreWindow,
                Qt::QueuedConnection);
    }
    setIconOf(window);
    setTooltipText(QStringLiteral("Kelvane 4.2"));
    m_icon->show();
}

void TrayIcon::setIconOf(QWidget* window) {
    if (m_icon && window) {
        m_icon->setIcon(window->windowIcon());
    }
}

void TrayIcon::setTooltipText(const QString& text) {
    // The notification area holds at most 127 characters of tooltip.
    m_tooltip = text.left(127);
    if (m_icon) {
        m_icon->setToolTip(m_tooltip);
    }
}

void TrayIcon::remove() {
    if (m_icon) {
        m_icon->hide();
        m_icon.reset();
    }
}

bool TrayIcon::hasIcon() const {
    return m_icon != nullptr;
}

void TrayIcon::restoreWindow() {
    if (!m_window) {
        return;
    }
    m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
    remove();
}
