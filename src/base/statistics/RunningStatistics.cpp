#include "base/statistics/RunningStatistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr double NotANumber = std::numeric_limits<double>::quiet_NaN();
}

void RunningStatistics::add(double value) {
    ++m_count;
    const double distance = value - m_mean;
    m_mean += distance / static_cast<double>(m_count);
    m_squares += distance * (value - m_mean);
    if (m_count == 1) {
        m_minimum = m_maximum = value;
    } else {
        m_minimum = std::min(m_minimum, value);
        m_maximum = std::max(m_maximum, value);
    }
}

void RunningStatistics::reset() {
    *this = RunningStatistics();
}

double RunningStatistics::mean() const {
    return m_count > 0 ? m_mean : NotANumber;
}

double RunningStatistics::minimum() const {
    return m_count > 0 ? m_minimum : NotANumber;
}

double RunningStatistics::maximum() const {
    return m_count > 0 ? m_maximum : NotANumber;
}

double RunningStatistics::range() const {
    return m_count > 0 ? m_maximum - m_minimum : NotANumber;
}

double RunningStatistics::standardDeviation() const {
    return m_count > 1 ? std::sqrt(m_squares / static_cast<double>(m_count - 1)) : NotANumber;
}
