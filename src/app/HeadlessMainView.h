#pragma once

#include "base/interfaces/MainView.h"

#include <QHash>
#include <QString>

#include <array>
#include <cstdio>

// The main window of the headless session: it keeps what a window would show and writes every
// status text to standard error as a "status: TEXT" line.
class HeadlessMainView : public MainView {
public:
    explicit HeadlessMainView(std::FILE* output = stderr);

    void setWindowTitle(const QString& title) override { m_title = title; }
    QString windowTitle() const override { return m_title; }
    void setValueText(const QString& text) override { m_value = text; }
    QString valueText() const override { return m_value; }
    void setSignText(const QString& text) override { m_sign = text; }
    QString signText() const override { return m_sign; }
    void setUnitText(const QString& text) override { m_unit = text; }
    QString unitText() const override { return m_unit; }
    void setStatusText(const QString& text) override;
    QString statusText() const override { return m_status; }
    void setInfoText(InfoPanel panel, const QString& text) override;
    QString infoText(InfoPanel panel) const override;
    void setButtonCaption(MainButton button, const QString& caption) override;
    QString buttonCaption(MainButton button) const override;
    void setButtonEnabled(MainButton button, bool enabled) override;
    bool isButtonEnabled(MainButton button) const override;
    void setCommandButtonCaption(int row, const QString& caption) override;
    QString commandButtonCaption(int row) const override;
    void setMenuCaption(Menu menu, const QString& caption) override;
    QString menuCaption(Menu menu) const { return m_menus.value(menu); }
    bool isMinimized() const override { return false; }
    void hideToTray() override {}
    void createTrayIcon() override {}
    void releaseTrayIcon() override {}

private:
    struct Button {
        QString caption;
        bool enabled = true;
    };
    static std::size_t slot(MainButton button) { return static_cast<std::size_t>(button); }

    std::FILE* m_output;
    QString m_title;
    QString m_value = QStringLiteral("00000000.00");
    QString m_sign;
    QString m_unit;
    QString m_status;
    std::array<QString, 3> m_info;
    std::array<Button, MainButtonCount + 1> m_buttons;
    std::array<QString, DeviceCommandButtonCount> m_commandCaptions;
    QHash<Menu, QString> m_menus;
};
