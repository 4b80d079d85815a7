#pragma once

#include "base/statistics/TakenValue.h"

#include <QByteArray>

#include <deque>

// The values as comma-separated text for a spreadsheet or a script: time (ISO 8601 with the
// offset from UTC), value (with a decimal point, all its digits), unit, and the verdict.
namespace SeriesCsv {

QByteArray write(const std::deque<TakenValue>& points);

} // namespace SeriesCsv
