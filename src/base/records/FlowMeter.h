#pragma once

#include <QtGlobal>

// The reference of the flow display: the weight and time of the previous timed value. The first
// value of a timer run stores the reference afresh and has no flow; every later one gives the
// weight change and the seconds since the value before. The reference outlives timer stops.
class FlowMeter {
public:
    struct Change {
        double weight = 0.0;
        double seconds = 0.0;
    };

    Change take(double value, qint64 milliseconds, bool firstOfRun);

    double referenceValue() const { return m_value; }

private:
    qint64 m_milliseconds = 0;
    double m_value = 0.0;
};
