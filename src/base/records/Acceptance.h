#pragma once

#include "base/texts/TextKey.h"

#include <QString>

#include <optional>

struct Settings;

// The checks an accepted value passes, in this order: standstill (the record has a unit),
// upper limit, lower limit. A limit of 0 is switched off.
namespace Acceptance {

enum class Verdict { Accepted, NotStable, AboveUpperLimit, BelowLowerLimit };

Verdict check(const Settings& settings, const QString& unit, double value);

// The status text of a refusal; nullopt for an accepted value.
std::optional<TextKey> refusalText(Verdict verdict);

} // namespace Acceptance
