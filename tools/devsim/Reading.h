#pragma once

#include <QtGlobal>

// One reading of the simulated balance, as it goes into a record.
struct Reading {
    quint64 sequence = 0; // 1 for the first record the balance sends
    double value = 0.0;   // net value shown, zero point and tare applied
    bool stable = true;
};
