#include "base/records/Acceptance.h"

#include "base/config/SettingText.h"
#include "base/config/Settings.h"

namespace Acceptance {

Verdict check(const Settings& settings, const QString& unit, double value) {
    if (unit.isEmpty() && settings.requireStandstill) {
        return Verdict::NotStable;
    }
    if (const auto upper = SettingText::activeLimit(settings.upperLimit); upper && value > *upper) {
        return Verdict::AboveUpperLimit;
    }
    if (const auto lower = SettingText::activeLimit(settings.lowerLimit); lower && value < *lower) {
        return Verdict::BelowLowerLimit;
    }
    return Verdict::Accepted;
}

std::optional<TextKey> refusalText(Verdict verdict) {
    switch (verdict) {
    case Verdict::NotStable:
        return TextKey::NotStable;
    case Verdict::AboveUpperLimit:
        return TextKey::AboveUpperLimit;
    case Verdict::BelowLowerLimit:
        return TextKey::BelowLowerLimit;
    case Verdict::Accepted:
        break;
    }
    return std::nullopt;
}

} // namespace Acceptance
