#pragma once

#include "base/interfaces/MainView.h"

#include <QHash>
#include <QStringList>

#include <array>

// The main view for tests: keeps what a window would show and records every status text set.
class RecordingMainView : public MainView {
public:
    RecordingMainView() {
        caption(MainButton::Send) = QStringLiteral("&Send");
        caption(MainButton::TimerStart) = QStringLiteral("T-St&art");
        caption(MainButton::TimerStop) = QStringLiteral("T-St&op");
        caption(MainButton::Hide) = QStringLiteral("Hide");
        caption(MainButton::Online) = QStringLiteral("O&nline");
        caption(MainButton::Exit) = QStringLiteral("E&xit");
        enabled.fill(true);
    }

    void setWindowTitle(const QString& text) override { title = text; }
    QString windowTitle() const override { return title; }
    void setValueText(const QString& text) override { value = text; }
    QString valueText() const override { return value; }
    void setSignText(const QString& text) override { sign = text; }
    QString signText() const override { return sign; }
    void setUnitText(const QString& text) override { unit = text; }
    QString unitText() const override { return unit; }
    void setStatusText(const QString& text) override {
        status = text;
        statusWrites.append(text);
    }
    QString statusText() const override { return status; }
    void setInfoText(InfoPanel panel, const QString& text) override {
        info[static_cast<std::size_t>(panel)] = text;
    }
    QString infoText(InfoPanel panel) const override { return info[static_cast<std::size_t>(panel)]; }
    void setButtonCaption(MainButton button, const QString& text) override { caption(button) = text; }
    QString buttonCaption(MainButton button) const override {
        return captions[static_cast<std::size_t>(button)];
    }
    void setButtonEnabled(MainButton button, bool on) override {
        enabled[static_cast<std::size_t>(button)] = on;
    }
    bool isButtonEnabled(MainButton button) const override {
        return enabled[static_cast<std::size_t>(button)];
    }
    void setCommandButtonCaption(int row, const QString& text) override {
        commandCaptions[static_cast<std::size_t>(row)] = text;
    }
    QString commandButtonCaption(int row) const override {
        return commandCaptions[static_cast<std::size_t>(row)];
    }
    void setMenuCaption(Menu menu, const QString& text) override { menus.insert(menu, text); }
    bool isMinimized() const override { return minimized; }
    void hideToTray() override { ++hides; }
    void createTrayIcon() override { ++trayIconsCreated; }
    void releaseTrayIcon() override { ++trayIconsReleased; }

    QString title;
    QString value = QStringLiteral("00000000.00");
    QString sign;
    QString unit;
    QString status;
    QStringList statusWrites;
    std::array<QString, 3> info;
    std::array<QString, MainButtonCount + 1> captions;
    std::array<bool, MainButtonCount + 1> enabled{};
    std::array<QString, DeviceCommandButtonCount> commandCaptions;
    QHash<Menu, QString> menus;
    bool minimized = false;
    int hides = 0;
    int trayIconsCreated = 0;
    int trayIconsReleased = 0;

private:
    QString& caption(MainButton button) { return captions[static_cast<std::size_t>(button)]; }
};
