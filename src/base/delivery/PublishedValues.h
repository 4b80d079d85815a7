#pragma once

#include <QString>

// The five texts other programs read as the current value over D-Bus, under their item names:
// the output text (DDESTRING), the value (DDEValue), its sign (DDESign) and unit (DDEUnit), and
// the record as received (DDEDirect).
struct PublishedValues {
    QString outputText;
    QString value;
    QString sign;
    QString unit;
    QString record;

    bool operator==(const PublishedValues&) const = default;
};
