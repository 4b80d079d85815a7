#include "ValueSource.h"

#include <algorithm>
#include <cmath>

ValueSource::ValueSource(Kind kind, double a, double b, double step)
    : kind_(kind), a_(a), b_(b), step_(step) {}

ValueSource ValueSource::fixed(double value) {
    return ValueSource(Kind::Fixed, value, value, 0.0);
}

ValueSource ValueSource::ramp(double from, double to, double step) {
    return ValueSource(Kind::Ramp, from, to, step);
}

ValueSource ValueSource::random(double minimum, double maximum, quint32 seed) {
    ValueSource source(Kind::Random, minimum, maximum, 0.0);
    source.random_.seed(seed);
    return source;
}

double ValueSource::next() {
    switch (kind_) {
    case Kind::Fixed:
        return a_;
    case Kind::Ramp: {
        // Computed from the index, not accumulated, so that long runs do not drift off the step grid.
        // The tolerance keeps a `to` that lies on the grid despite rounding (0.1 steps) in the ramp.
        const double tolerance = std::abs(step_) * 1e-9;
        double value = a_ + static_cast<double>(index_) * step_;
        if (step_ == 0.0 || (step_ > 0 ? value > b_ + tolerance : value < b_ - tolerance)) {
            index_ = 0;
            value = a_;
        }
        ++index_;
        return value;
    }
    case Kind::Random:
        return a_ + random_.generateDouble() * (b_ - a_);
    }
    return a_;
}

double ValueSource::lowest() const {
    return std::min(a_, b_);
}

double ValueSource::highest() const {
    return std::max(a_, b_);
}
