#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

class MainController;

// The timer mode's decision for every accepted value: whether it falls due, when the next one
// is due, and when the schedule ends.
class TimerDecide {
public:
    explicit TimerDecide(MainController& controller);

    // Step 1: stops the timer when the count is reached or the stop time has passed.
    void endCheck();
    // Steps 2 to 8; true when this value fell due (the flow display then runs).
    bool decide();

    // The clock; tests set their own.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };

    static QDateTime dateTimeOf(const QString& date, const QString& time);
    static QString dueText(const QDateTime& due);
    // The interval of the settings in seconds, each part a 16-bit integer.
    static qint64 intervalSeconds(const QString& hours, const QString& minutes, const QString& seconds);

private:
    MainController& m_controller;
};
