#pragma once

#include "base/interfaces/WindowList.h"

#include <QList>
#include <QSet>

// A desktop for tests: the windows are set by the test, activations are recorded.
class RecordingWindowList : public WindowList {
public:
    QList<TopLevelWindow> topLevelWindows() override {
        ++enumerations;
        return windows;
    }
    bool activate(quint64 window) override {
        activated.append(window);
        for (const TopLevelWindow& w : windows) {
            if (w.id == window) {
                return !vanished.contains(window);
            }
        }
        return false;
    }

    // Top of the stacking order first.
    QList<TopLevelWindow> windows;
    // Windows that are listed but gone by the time they are activated.
    QSet<quint64> vanished;
    QList<quint64> activated;
    int enumerations = 0;
};
