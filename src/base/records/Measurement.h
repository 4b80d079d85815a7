#pragma once

#include <QByteArray>
#include <QString>

#include <array>

// One measurement as it goes out: the record, its value with sign and unit as the display mode
// makes them, the ID fields and the formatted value.
struct Measurement {
    QByteArray record;
    double value = 0.0;
    QString sign;
    QString unit;
    // ID fields 1 to 10 (index 0 unused); they keep their text between records.
    std::array<QString, 11> ids;
    QString valueText;
};
