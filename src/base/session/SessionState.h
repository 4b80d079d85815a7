#pragma once

#include "base/delivery/PublishedValues.h"
#include "base/triggers/TimerRun.h"

// What the buttons, the triggers, the main cycle and the delivery share while the program runs:
// whether the next accepted value is transferred, the timer's progress and the values published
// to other programs.
class SessionState {
public:
    bool isTransferPending() const { return m_transferPending; }
    void requestTransfer() { m_transferPending = true; }
    void cancelTransfer() { m_transferPending = false; }

    TimerRun& timer() { return m_timer; }
    const TimerRun& timer() const { return m_timer; }

    PublishedValues& published() { return m_published; }
    const PublishedValues& published() const { return m_published; }

private:
    bool m_transferPending = false;
    TimerRun m_timer;
    PublishedValues m_published;
};
