#include "triggers/TimerDecide.h"

#include "core/MainController.h"
#include "core/MainView.h"
#include "language/LanguageTable.h"
#include "settings/LocaleFormats.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace {

// A setting read as a 16-bit integer; 0 when it is none.
qint64 int16Of(const QString& text) {
    bool ok = false;
    const double value = LocaleFormats::parseNumber(text, &ok);
    if (!ok || !std::isfinite(value)) {
        return 0;
    }
    const double rounded = std::nearbyint(value);
    if (rounded < std::numeric_limits<qint16>::min() || rounded > std::numeric_limits<qint16>::max()) {
        return 0;
    }
    return static_cast<qint64>(rounded);
}

std::optional<int> wholeNumber(const QString& text) {
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

QString text(const char* key) {
    return LanguageText(QLatin1String(key));
}

} // namespace

TimerDecide::TimerDecide(MainController& controller) : m_controller(controller) {}

QDateTime TimerDecide::dateTimeOf(const QString& date, const QString& time) {
    const QDate day = LocaleFormats::parseDate(date);
    const QTime clock = LocaleFormats::parseTime(time);
    if (!day.isValid() || !clock.isValid()) {
        return {};
    }
    return QDateTime(day, QTime(clock.hour(), clock.minute(), clock.second()));
}

QString TimerDecide::dueText(const QDateTime& due) {
    return LocaleFormats::dateText(due.date()) + u' ' + LocaleFormats::timeText(due.time());
}

qint64 TimerDecide::intervalSeconds(const QString& hours, const QString& minutes, const QString& seconds) {
    return int16Of(hours) * 3600 + int16Of(minutes) * 60 + int16Of(seconds);
}

void TimerDecide::endCheck() {
    MainController& c = m_controller;
    const Settings& s = c.settings();
    const auto mode = wholeNumber(s.int_modus);
    if (mode == 1) {
        const auto count = wholeNumber(s.anz_mess);
        if (count && c.TimerCount >= *count && c.TimerRunning) {
            c.Command5_Click(3);
        }
    } else if (mode == 0 && !c.TimerDue.isNull()) {
        const QDateTime stop = dateTimeOf(s.d_end, s.t_end);
        const QDateTime dueToday(now().date(), c.TimerDue.time());
        if (stop.isValid() && dueToday > stop) {
            c.Command5_Click(3);
            c.fnUpdateStatus(text("TextTimerGestoppt") + QString::number(c.TimerCount) +
                             text("TextUndMesswerteGesendet"));
        }
    }
}

bool TimerDecide::decide() {
    MainController& c = m_controller;
    const Settings& s = c.settings();
    if (s.modus != QLatin1String("TIMER") || !c.TimerRunning) {
        return false;
    }
    MainView& view = c.view();
    view.setButtonEnabled(7, true);
    const QDateTime current = now();
    const QDateTime start = dateTimeOf(s.d_start, s.t_start);
    if (start.isValid() && current < start) {
        c.fnUpdateStatus(text("TextTimerAktivStart") +
                         (c.TimerDue.isNull() ? QString() : dueText(c.TimerDue)));
        return false;
    }
    if (c.TimerDue.isNull() || current < c.TimerDue) {
        return false;
    }
    if (c.TimerCount == 0) {
        c.TimerDue = current;
    }
    c.TimerDue = c.TimerDue.addSecs(intervalSeconds(s.int_std, s.int_min, s.int_sek));
    c.fnUpdateStatus(dueText(c.TimerDue) + QStringLiteral(" ( ") + QString::number(c.TimerCount + 1) + u')');

    const auto mode = wholeNumber(s.int_modus);
    if (mode == 1) {
        view.setButtonEnabled(7, true);
        const auto count = wholeNumber(s.anz_mess);
        if (count && c.TimerCount < *count) {
            ++c.TimerCount;
            c.TransferPending = true;
        } else {
            c.TransferPending = false;
            c.Command5_Click(3);
        }
    } else if (mode == 0) {
        view.setButtonEnabled(7, true);
        const QDateTime stop = dateTimeOf(s.d_end, s.t_end);
        if (start.isValid() && stop.isValid() && current >= start && current < stop) {
            ++c.TimerCount;
            c.TransferPending = true;
            view.setButtonEnabled(3, true);
            view.setButtonEnabled(2, false);
            view.setButtonTag(2, QStringLiteral("True"));
            view.setButtonCaption(7, QStringLiteral("O&ffline"));
        } else {
            c.TransferPending = false;
            c.Command5_Click(3);
        }
    }
    return true;
}
