#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// Dates, times and numbers as the user's locale shows them. Dates always carry a four-digit
// year, so a stored date stays unambiguous across centuries.
namespace LocaleFormats {

QString shortDateFormat();
QString longTimeFormat();

QString todayText();
QString nowText();

QString dateText(const QDate& date);
QString timeText(const QTime& time);

// Accepts the locale's formats and, as a fallback, ISO dates and 24-hour times.
QDate parseDate(const QString& text);
QTime parseTime(const QString& text);
bool isDate(const QString& text);

// A number as the locale writes it, without group separators.
QString numberText(double value);
// Reads the locale's number format, then the C locale's. ok reports success.
double parseNumber(const QString& text, bool* ok);

} // namespace LocaleFormats
