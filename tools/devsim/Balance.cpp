#include "Balance.h"

#include <utility>

Balance::Balance(ValueSource source, quint64 unstableEvery)
    : source_(std::move(source)), unstableEvery_(unstableEvery) {}

Reading Balance::next(Adjustment adjustment) {
    ++sequence_;
    const double gross = source_.next() - zeroPoint_;
    switch (adjustment) {
    case Adjustment::None:
        break;
    case Adjustment::Tare:
        tare_ = gross;
        break;
    case Adjustment::Zero:
        zeroPoint_ += gross;
        tare_ = 0.0;
        break;
    }
    Reading reading;
    reading.sequence = sequence_;
    reading.value = adjustment == Adjustment::Zero ? 0.0 : gross - tare_;
    reading.stable = unstableEvery_ == 0 || sequence_ % unstableEvery_ != 0;
    return reading;
}
