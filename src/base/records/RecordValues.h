#pragma once

#include "base/records/Reading.h"

#include <QString>

#include <optional>

struct Settings;

// What the value display and the output make of a record's value in each display mode.
namespace RecordValues {

struct Display {
    QString sign;
    QString value;
    QString unit;
    bool operator==(const Display&) const = default;
};

// What the display shows for a reading: the weight as the record writes it, or the volume
// (weight / density, "ml"); nullopt when the reading changes nothing there (flow mode, whose
// display the timed values fill, or a layout without a value field).
std::optional<Display> displayOf(const Reading& reading, const Settings& settings);

// The value of a record as the output takes it: the value field cut again (only its first comma
// becomes a point), the sign of the sign field's last position, the unit, and the number of
// decimals the field has.
struct OutputValue {
    double value = 0.0;
    QString unit;
    QString sign;
    int decimals = 0;
};
OutputValue forOutput(const QByteArray& record, const Settings& settings);

// The output value in the display mode: the weight as it is, its volume (weight / density), or the
// flow, the weight change per second as volume (0 s count as 1). Volume and flow keep the record's
// decimals and are given in "ml".
OutputValue inDisplayMode(OutputValue cut, const Settings& settings, double weightChange, double seconds);

// The flow display's text: the weight change per second as volume, with the decimals of the
// value; "0" when the weight did not change.
QString flowText(double value, double weightChange, double seconds, double densityDivisor);

// The number of decimals of a value as the locale writes it. A locale with a decimal point has
// no comma to count from, so every character counts, as it always did.
int displayedDecimals(double value);

} // namespace RecordValues
