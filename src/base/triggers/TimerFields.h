#pragma once

#include "base/texts/TextKey.h"

#include <QString>

#include <optional>

// The checks of the timer window's fields as the user leaves them.
namespace TimerFields {

enum class Kind { Interval, Count, Date, Time };

struct Check {
    bool ok = false;
    // The message that explains a refusal.
    std::optional<TextKey> message;
    // A time that is accepted is shown again in the locale's format.
    std::optional<QString> normalized;
};

// Interval parts are numbers, a count is a number above 0, dates and times read in the
// user's locale.
Check check(Kind kind, const QString& text);

} // namespace TimerFields
