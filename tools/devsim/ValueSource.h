#pragma once

#include <QRandomGenerator>

// The sequence of gross values the simulated balance weighs: a fixed load, a sawtooth ramp
// or uniformly distributed random values.
class ValueSource {
public:
    static ValueSource fixed(double value);
    // From `from` towards `to` in steps of `step`; after passing `to` it starts again at `from`.
    static ValueSource ramp(double from, double to, double step);
    static ValueSource random(double minimum, double maximum, quint32 seed);

    double next();

    // The range next() stays within, to check up front that the record's value field can hold it.
    double lowest() const;
    double highest() const;

private:
    enum class Kind { Fixed, Ramp, Random };
    ValueSource(Kind kind, double a, double b, double step);

    Kind kind_;
    double a_;
    double b_;
    double step_;
    quint64 index_ = 0;
    QRandomGenerator random_;
};
