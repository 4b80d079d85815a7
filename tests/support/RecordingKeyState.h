#pragma once

#include "base/interfaces/KeyState.h"

#include <QHash>
#include <QList>
#include <QSet>

// A keyboard state for tests: keys are held or pressed by the test, every query is recorded.
class RecordingKeyState : public KeyState {
public:
    void update() override { ++updates; }
    quint16 query(int virtualKey) override {
        queries.append(virtualKey);
        quint16 state = held.contains(virtualKey) ? DownBit : 0;
        if (pressed.remove(virtualKey)) {
            state |= PressedBit;
        }
        return state;
    }

    // Keys down now.
    QSet<int> held;
    // Keys pressed since their last query; a query takes the key out.
    QSet<int> pressed;
    QList<int> queries;
    int updates = 0;
};
