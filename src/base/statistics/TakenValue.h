#pragma once

#include "base/records/Acceptance.h"

#include <QDateTime>
#include <QString>

// A value the main cycle took for delivery, with the verdict of the acceptance checks.
struct TakenValue {
    QDateTime time;
    double value = 0.0;
    QString unit;
    Acceptance::Verdict verdict = Acceptance::Verdict::Accepted;

    bool isStable() const { return verdict != Acceptance::Verdict::NotStable; }
};
