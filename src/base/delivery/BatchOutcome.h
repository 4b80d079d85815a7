#pragma once

#include "base/delivery/DeliveryProblem.h"

#include <QList>

// How a target took a batch of values, given in order: all of them, or none when the problem is
// one that passes. Values that the target refuses for good are named by their indexes.
struct BatchOutcome {
    DeliveryProblem problem = DeliveryProblem::None;
    QList<qsizetype> refused;
};
