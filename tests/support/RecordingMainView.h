#pragma once

#include "shell/HeadlessMainView.h"

#include <QStringList>

// The in-memory main view, also counting how often the status bar was written.
class RecordingMainView : public HeadlessMainView {
public:
    RecordingMainView() : HeadlessMainView(nullptr) {}

    void setStatusText(const QString& text) override {
        statusWrites.append(text);
        HeadlessMainView::setStatusText(text);
    }
    void hideToTray() override { ++hides; }
    bool isMinimized() const override { return minimized; }

    QStringList statusWrites;
    int hides = 0;
    bool minimized = false;
};
