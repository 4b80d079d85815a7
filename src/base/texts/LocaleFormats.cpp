#include "base/texts/LocaleFormats.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>

namespace LocaleFormats {

namespace {

// Made once: every value shown or published is formatted with it, and the system locale does
// not change while the program runs.
const QLocale& systemLocale() {
    static const QLocale locale = [] {
        QLocale system = QLocale::system();
        system.setNumberOptions(QLocale::OmitGroupSeparator);
        return system;
    }();
    return locale;
}

} // namespace

QString shortDateFormat() {
    QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy"))) {
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    }
    return format;
}

QString longTimeFormat() {
    // The time zone that Qt appends to long formats is no part of a stored time.
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("\\s*t+\\s*$")));
    format.remove(QRegularExpression(QStringLiteral("^\\s*t+\\s*")));
    return format.trimmed();
}

QString dateText(const QDate& date) {
    return QLocale::system().toString(date, shortDateFormat());
}

QString timeText(const QTime& time) {
    return QLocale::system().toString(time, longTimeFormat());
}

QString todayText() {
    return dateText(QDate::currentDate());
}

QString nowText() {
    return timeText(QTime::currentTime());
}

QDate parseDate(const QString& input) {
    const QString text = input.trimmed();
    if (text.isEmpty()) {
        return {};
    }
    const QLocale locale = QLocale::system();
    QDate date = locale.toDate(text, shortDateFormat());
    if (date.isValid()) {
        return date;
    }
    date = locale.toDate(text, QLocale::ShortFormat);
    if (date.isValid()) {
        // Two-digit years belong to this century.
        return date.year() < 2000 ? date.addYears(100) : date;
    }
    for (const QString& format : {QStringLiteral("yyyy-MM-dd"), QStringLiteral("d.M.yyyy"),
                                  QStringLiteral("M/d/yyyy"), QStringLiteral("d/M/yyyy")}) {
        date = QDate::fromString(text, format);
        if (date.isValid()) {
            return date;
        }
    }
    return {};
}

QTime parseTime(const QString& input) {
    const QString text = input.trimmed();
    if (text.isEmpty()) {
        return {};
    }
    const QLocale locale = QLocale::system();
    QTime time = locale.toTime(text, longTimeFormat());
    if (time.isValid()) {
        return time;
    }
    time = locale.toTime(text, QLocale::ShortFormat);
    if (time.isValid()) {
        return time;
    }
    for (const QString& format : {QStringLiteral("H:mm:ss"), QStringLiteral("H:mm"),
                                  QStringLiteral("h:mm:ss AP"), QStringLiteral("h:mm AP")}) {
        time = QTime::fromString(text, format);
        if (time.isValid()) {
            return time;
        }
    }
    return {};
}

bool isDate(const QString& text) {
    return parseDate(text).isValid();
}

QString numberText(double value) {
    // Plain decimals, never an exponent: other programs read the text as a number.
    return systemLocale().toString(value, 'f', QLocale::FloatingPointShortest);
}

double parseNumber(const QString& input, bool* ok) {
    const QString text = input.trimmed();
    bool converted = false;
    double value = systemLocale().toDouble(text, &converted);
    if (!converted) {
        value = QLocale::c().toDouble(text, &converted);
    }
    if (ok) {
        *ok = converted;
    }
    return converted ? value : 0.0;
}

} // namespace LocaleFormats
