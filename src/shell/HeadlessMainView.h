#pragma once

#include "core/MainView.h"

#include <QHash>
#include <QString>

#include <array>
#include <cstdio>

// The main window of the headless mode: it keeps what a window would show and writes every
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
    void setStatus1Text(int panel, const QString& text) override;
    QString status1Text(int panel) const override;
    void setButtonCaption(int index, const QString& caption) override;
    QString buttonCaption(int index) const override;
    void setButtonEnabled(int index, bool enabled) override;
    bool isButtonEnabled(int index) const override;
    void setButtonTag(int index, const QString& tag) override;
    QString buttonTag(int index) const override;
    void setMenuCaption(const QString& menuName, const QString& caption) override;
    QString menuCaption(const QString& menuName) const { return m_menus.value(menuName); }
    bool isMinimized() const override { return false; }
    void hideToTray() override {}
    void createTrayIcon() override {}
    void releaseTrayIcon() override {}
    bool isHiddenInTray() const override { return false; }

private:
    struct Button {
        QString caption;
        QString tag;
        bool enabled = true;
    };
    static bool validButton(int index) { return index >= 1 && index <= ButtonCount; }

    std::FILE* m_output;
    QString m_title;
    QString m_value = QStringLiteral("00000000.00");
    QString m_sign;
    QString m_unit;
    QString m_status;
    std::array<QString, 4> m_status1;
    std::array<Button, ButtonCount + 1> m_buttons;
    QHash<QString, QString> m_menus;
};
