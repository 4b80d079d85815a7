#include "shell/clsSysTray.h"

#include <QSystemTrayIcon>
#include <QWidget>

clsSysTray::clsSysTray(QWidget* window) : m_window(window) {}

clsSysTray::~clsSysTray() {
    deleteIcon();
}

bool clsSysTray::isAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void clsSysTray::Init(QWidget* window) {
    m_window = window;
    if (!m_icon) {
        m_icon = std::make_unique<QSystemTrayIcon>();
        connect(m_icon.get(), &QSystemTrayIcon::activated, this, [this] { MouseMove(1); });
    }
    SetIcon(window);
    setTooltipText(QStringLiteral("Kelvane 4.2"));
    m_icon->show();
}

void clsSysTray::SetIcon(QWidget* window) {
    if (m_icon && window) {
        m_icon->setIcon(window->windowIcon());
    }
}

void clsSysTray::setTooltipText(const QString& text) {
    // The notification area holds at most 127 characters of tooltip.
    m_tooltip = text.left(127);
    if (m_icon) {
        m_icon->setToolTip(m_tooltip);
    }
}

void clsSysTray::deleteIcon() {
    if (m_icon) {
        m_icon->hide();
        m_icon.reset();
    }
}

bool clsSysTray::hasIcon() const {
    return m_icon != nullptr;
}

void clsSysTray::MouseMove(int button) {
    if (button != 1 || !m_window) {
        return;
    }
    m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
    deleteIcon();
}
