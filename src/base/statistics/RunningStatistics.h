#pragma once

#include <QtGlobal>

// Count, mean, standard deviation, minimum and maximum of a series, updated one value at a time
// in constant memory. Welford's method keeps the digits of values like 1e9 plus small steps, where
// a sum of squares would lose them all.
class RunningStatistics {
public:
    void add(double value);
    void reset();

    qint64 count() const { return m_count; }
    // NaN for an empty series.
    double mean() const;
    double minimum() const;
    double maximum() const;
    double range() const;
    // The sample standard deviation (n - 1); NaN below two values.
    double standardDeviation() const;

private:
    qint64 m_count = 0;
    double m_mean = 0.0;
    // The sum of squared distances from the running mean.
    double m_squares = 0.0;
    double m_minimum = 0.0;
    double m_maximum = 0.0;
};
