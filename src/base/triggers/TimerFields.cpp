#include "base/triggers/TimerFields.h"

#include "base/texts/LocaleFormats.h"

#include <cmath>

namespace TimerFields {

namespace {

std::optional<double> number(const QString& text) {
    bool ok = false;
    const double value = LocaleFormats::parseNumber(text, &ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

Check refused(TextKey message) {
    return {false, message, std::nullopt};
}

} // namespace

Check check(Kind kind, const QString& text) {
    switch (kind) {
    case Kind::Interval:
        return number(text) ? Check{true, {}, {}} : refused(TextKey::EnterNumber);
    case Kind::Count: {
        const auto count = number(text);
        if (count && *count > 0) {
            return {true, {}, {}};
        }
        return refused(count ? TextKey::EnterNumberAboveZero : TextKey::EnterNumber);
    }
    case Kind::Date:
        return LocaleFormats::isDate(text) ? Check{true, {}, {}} : refused(TextKey::EnterDate);
    case Kind::Time: {
        const QTime time = LocaleFormats::parseTime(text);
        if (!time.isValid()) {
            return refused(TextKey::EnterTime);
        }
        return {true, {}, LocaleFormats::timeText(time)};
    }
    }
    return {true, {}, {}};
}

} // namespace TimerFields
