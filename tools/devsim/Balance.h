#pragma once

#include "Reading.h"
#include "ValueSource.h"

// The state of the simulated balance: what lies on the pan, its zero point and tare, and the
// number of records it has sent.
class Balance {
public:
    enum class Adjustment { None, Tare, Zero };

    // Every unstableEvery-th reading is taken while the balance is still settling (0: never).
    Balance(ValueSource source, quint64 unstableEvery);

    quint64 nextSequence() const { return sequence_ + 1; }

    // Takes the next reading. Tare makes the current gross value the tare; zero makes the current
    // load the new zero point and clears the tare. Either way the reading returned shows 0.
    Reading next(Adjustment adjustment = Adjustment::None);

private:
    ValueSource source_;
    quint64 unstableEvery_;
    quint64 sequence_ = 0;
    double zeroPoint_ = 0.0;
    double tare_ = 0.0;
};
