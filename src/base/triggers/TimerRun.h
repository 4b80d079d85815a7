#pragma once

#include <QDateTime>

// The progress of timer mode: started and not stopped, when the next value falls due (null
// while none is due) and how many values were taken in this run.
struct TimerRun {
    bool running = false;
    QDateTime due;
    int count = 0;
};
