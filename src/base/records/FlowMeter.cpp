#include "base/records/FlowMeter.h"

FlowMeter::Change FlowMeter::take(double value, qint64 milliseconds, bool firstOfRun) {
    Change change;
    if (!firstOfRun) {
        change.seconds = static_cast<double>(milliseconds - m_milliseconds) / 1000.0;
        change.weight = value - m_value;
    }
    m_milliseconds = milliseconds;
    m_value = value;
    return change;
}
