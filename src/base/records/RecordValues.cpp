#include "base/records/RecordValues.h"

#include "base/config/Settings.h"
#include "base/records/RecordCutter.h"
#include "base/texts/LocaleFormats.h"
#include "base/texts/NumberText.h"

namespace RecordValues {

int displayedDecimals(double value) {
    const QString text = LocaleFormats::numberText(value).remove(u' ');
    const qsizetype comma = text.indexOf(u',');
    return static_cast<int>(text.size() - (comma < 0 ? 0 : comma + 1));
}

std::optional<Display> displayOf(const Reading& reading, const Settings& settings) {
    if (!reading.valueField || !reading.valueIsNumber) {
        return std::nullopt;
    }
    const DisplayMode mode = settings.displayMode.valueOr(DisplayMode::Weight);
    if (mode == DisplayMode::Flow) {
        return std::nullopt;
    }
    if (mode == DisplayMode::Volume) {
        // The value before its sign is applied, as the field writes it.
        const double weight = reading.sign == QLatin1String("-") ? -reading.value : reading.value;
        const QString mask = NumberText::buildNumberMask(displayedDecimals(weight), 10);
        return Display{reading.sign,
                       NumberText::formatWithMask(weight / settings.densityDivisor(), mask).remove(u' '),
                       QStringLiteral("ml")};
    }
    return Display{reading.sign, reading.valueField->trimmed(), reading.unit};
}

QString flowText(double value, double weightChange, double seconds, double densityDivisor) {
    if (weightChange == 0.0) {
        return QStringLiteral("0");
    }
    const double elapsed = seconds == 0.0 ? 1.0 : seconds;
    return NumberText::formatWithMask(weightChange / densityDivisor / elapsed,
                                      NumberText::buildNumberMask(displayedDecimals(value), 10))
        .trimmed();
}

OutputValue forOutput(const QByteArray& record, const Settings& s) {
    OutputValue out;
    QString field = RecordCutter::text(RecordCutter::field(record, s.value));
    const qsizetype comma = field.indexOf(u',');
    if (comma >= 0) {
        field[comma] = u'.';
    }
    out.value = NumberText::leadingNumber(field);
    if (s.sign.last > 0) {
        out.sign = RecordCutter::text(RecordCutter::field(record, s.sign.last, s.sign.last));
    }
    if (out.sign == QLatin1String("-")) {
        out.value = -out.value;
    }
    if (s.unit.first > 0) {
        out.unit = RecordCutter::text(RecordCutter::field(record, s.unit)).trimmed();
    }
    const QString trimmed = field.trimmed();
    const qsizetype point = trimmed.indexOf(u'.');
    out.decimals = static_cast<int>(trimmed.size() - (point < 0 ? 0 : point + 1));
    return out;
}

OutputValue inDisplayMode(OutputValue cut, const Settings& s, double weightChange, double seconds) {
    const DisplayMode mode = s.displayMode.valueOr(DisplayMode::Weight);
    if (mode == DisplayMode::Weight) {
        return cut;
    }
    const double elapsed = seconds == 0.0 ? 1.0 : seconds;
    const double volume = mode == DisplayMode::Flow ? weightChange / s.densityDivisor() / elapsed
                                                    : cut.value / s.densityDivisor();
    cut.value = NumberText::readFormatted(
        NumberText::formatWithMask(volume, NumberText::buildNumberMask(cut.decimals, 10)));
    cut.unit = QStringLiteral("ml");
    return cut;
}

} // namespace RecordValues
