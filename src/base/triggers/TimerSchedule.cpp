#include "base/triggers/TimerSchedule.h"

#include "base/config/Settings.h"
#include "base/texts/LanguageTable.h"
#include "base/texts/LocaleFormats.h"

namespace {

QDateTime dateTimeOf(const ConfigValue<QDate>& date, const ConfigValue<QTime>& time) {
    if (!date.value() || !time.value()) {
        return {};
    }
    return QDateTime(*date.value(), *time.value());
}

} // namespace

TimerSchedule::TimerSchedule(const Settings& settings) : m_settings(settings) {}

QDateTime TimerSchedule::startOf(const Settings& settings) {
    return dateTimeOf(settings.startDate, settings.startTime);
}

QDateTime TimerSchedule::stopOf(const Settings& settings) {
    return dateTimeOf(settings.stopDate, settings.stopTime);
}

QString TimerSchedule::dueText(const QDateTime& due) {
    return LocaleFormats::dateText(due.date()) + u' ' + LocaleFormats::timeText(due.time());
}

qint64 TimerSchedule::intervalSeconds(const Settings& settings) {
    return qint64{settings.intervalHours.valueOr(0)} * 3600 +
           qint64{settings.intervalMinutes.valueOr(0)} * 60 + settings.intervalSeconds.valueOr(0);
}

TimerSchedule::End TimerSchedule::endCheck(const TimerRun& run) const {
    const Settings& s = m_settings;
    End end;
    if (s.timerMode.is(TimerMode::Count)) {
        const auto count = s.measurementCount.value();
        end.stopTimer = count && run.count >= *count && run.running;
    } else if (s.timerMode.is(TimerMode::StartStop) && !run.due.isNull()) {
        const QDateTime stop = stopOf(s);
        const QDateTime dueToday(now().date(), run.due.time());
        if (stop.isValid() && dueToday > stop) {
            end.stopTimer = true;
            end.status = languageText(TextKey::TimerStopped) + QString::number(run.count) +
                         languageText(TextKey::ValuesSent);
        }
    }
    return end;
}

TimerSchedule::Decision TimerSchedule::decide(const TimerRun& run) const {
    const Settings& s = m_settings;
    Decision decision;
    const QDateTime current = now();
    const QDateTime start = startOf(s);
    if (start.isValid() && current < start) {
        decision.status =
            languageText(TextKey::TimerActiveFrom) + (run.due.isNull() ? QString() : dueText(run.due));
        return decision;
    }
    if (run.due.isNull() || current < run.due) {
        return decision;
    }
    decision.fellDue = true;
    const QDateTime due = run.count == 0 ? current : run.due;
    decision.nextDue = due.addSecs(intervalSeconds(s));
    decision.status =
        dueText(*decision.nextDue) + QStringLiteral(" ( ") + QString::number(run.count + 1) + u')';
    if (s.timerMode.is(TimerMode::Count)) {
        const auto count = s.measurementCount.value();
        decision.transfer = count && run.count < *count;
    } else if (s.timerMode.is(TimerMode::StartStop)) {
        const QDateTime stop = stopOf(s);
        decision.transfer = start.isValid() && stop.isValid() && current >= start && current < stop;
        decision.showRunningButtons = decision.transfer;
    } else {
        // A schedule of neither kind takes no values and runs on.
        return decision;
    }
    decision.stopTimer = !decision.transfer;
    return decision;
}
