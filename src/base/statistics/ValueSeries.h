#pragma once

#include "base/config/Settings.h"
#include "base/statistics/RunningStatistics.h"
#include "base/statistics/TakenValue.h"

#include <QDateTime>
#include <QObject>

#include <deque>

// The values taken in this session: the last ones for the trend, and the statistics of every
// stable value since the last reset. An unstable value is no weighing result; it is shown, but not
// counted. Within tolerance are the stable values that passed the limits.
class ValueSeries : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultCapacity = Settings::DefaultTrendPoints;
    static constexpr int MaximumCapacity = Settings::MaximumTrendPoints;

    explicit ValueSeries(QObject* parent = nullptr);

    void add(const TakenValue& value);

    // The last values, oldest first: at most capacity() of them.
    const std::deque<TakenValue>& points() const { return m_points; }
    int capacity() const { return m_capacity; }
    void setCapacity(int capacity);
    void clearPoints();

    const RunningStatistics& statistics() const { return m_statistics; }
    qint64 inToleranceCount() const { return m_inTolerance; }
    // The share of the counted values within tolerance, 0 to 1; NaN when none is counted.
    double inToleranceShare() const;
    // When the first value since the last reset was taken; invalid before it.
    const QDateTime& startedAt() const { return m_startedAt; }
    void resetStatistics();

Q_SIGNALS:
    void pointsChanged();
    void statisticsChanged();

private:
    std::deque<TakenValue> m_points;
    int m_capacity = DefaultCapacity;
    RunningStatistics m_statistics;
    qint64 m_inTolerance = 0;
    QDateTime m_startedAt;
};
