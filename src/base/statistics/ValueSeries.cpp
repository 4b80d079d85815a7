#include "base/statistics/ValueSeries.h"

#include <algorithm>
#include <limits>

ValueSeries::ValueSeries(QObject* parent) : QObject(parent) {}

void ValueSeries::add(const TakenValue& value) {
    m_points.push_back(value);
    while (m_points.size() > static_cast<std::size_t>(m_capacity)) {
        m_points.pop_front();
    }
    Q_EMIT pointsChanged();
    if (!value.isStable()) {
        return;
    }
    if (m_statistics.count() == 0) {
        m_startedAt = value.time;
    }
    m_statistics.add(value.value);
    if (value.verdict == Acceptance::Verdict::Accepted) {
        ++m_inTolerance;
    }
    Q_EMIT statisticsChanged();
}

void ValueSeries::setCapacity(int capacity) {
    m_capacity = std::clamp(capacity, 1, MaximumCapacity);
    while (m_points.size() > static_cast<std::size_t>(m_capacity)) {
        m_points.pop_front();
    }
    Q_EMIT pointsChanged();
}

void ValueSeries::clearPoints() {
    m_points.clear();
    Q_EMIT pointsChanged();
}

double ValueSeries::inToleranceShare() const {
    const qint64 counted = m_statistics.count();
    return counted > 0 ? static_cast<double>(m_inTolerance) / static_cast<double>(counted)
                       : std::numeric_limits<double>::quiet_NaN();
}

void ValueSeries::resetStatistics() {
    m_statistics.reset();
    m_inTolerance = 0;
    m_startedAt = QDateTime();
    Q_EMIT statisticsChanged();
}
