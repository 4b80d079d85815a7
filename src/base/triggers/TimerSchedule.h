#pragma once

#include "base/triggers/TimerRun.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

struct Settings;

// The timer mode's decision for every accepted value: whether the schedule has ended, whether
// the value falls due and when the next one is due. It decides only; the main cycle acts.
class TimerSchedule {
public:
    // Whether the schedule ended before this value: the count is reached, or the stop time has
    // passed; the timer is then stopped, with the status text when there is one.
    struct End {
        bool stopTimer = false;
        std::optional<QString> status;
    };

    struct Decision {
        // The value fell due (the flow display then runs); false when nothing else applies.
        bool fellDue = false;
        std::optional<QString> status;
        // The next due time, when the value fell due.
        std::optional<QDateTime> nextDue;
        // The value is transferred and counted; otherwise the timer stops.
        bool transfer = false;
        bool stopTimer = false;
        // A start/stop schedule shows its running buttons again with each value.
        bool showRunningButtons = false;
    };

    explicit TimerSchedule(const Settings& settings);

    End endCheck(const TimerRun& run) const;
    Decision decide(const TimerRun& run) const;

    // The clock; tests set their own.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };

    // The start and the stop of a start/stop schedule; invalid when a part does not read.
    static QDateTime startOf(const Settings& settings);
    static QDateTime stopOf(const Settings& settings);
    static QString dueText(const QDateTime& due);
    static qint64 intervalSeconds(const Settings& settings);

private:
    const Settings& m_settings;
};
