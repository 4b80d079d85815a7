#include "base/config/SettingText.h"

#include "base/texts/LocaleFormats.h"
#include "base/texts/NumberText.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace SettingText {

namespace {

// Windows virtual-key codes of the key names.
constexpr int ShiftKey = 16;
constexpr int ControlKey = 17;
constexpr int AltKey = 18;
constexpr int EscapeKey = 27;
constexpr int PrintKey = 44;
constexpr int FirstFunctionKey = 112;
// Windows' code of Ctrl+Break: what an unknown third key name is polled as.
constexpr int UnknownThirdKey = 3;

template <typename T> ConfigValue<T> none(const QString& text) {
    return ConfigValue<T>(text, std::nullopt);
}

int functionKeyCode(const QString& name) {
    for (int key = 1; key <= 12; ++key) {
        if (name == u'F' + QString::number(key)) {
            return FirstFunctionKey + key - 1;
        }
    }
    return 0;
}

} // namespace

ConfigValue<int> wholeNumber(const QString& text) {
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value) || std::fabs(value) >= std::numeric_limits<int>::max()) {
        return none<int>(text);
    }
    return {text, static_cast<int>(value)};
}

ConfigValue<std::int16_t> shortNumber(const QString& text) {
    const auto value = number(text).value();
    if (!value || !std::isfinite(*value)) {
        return none<std::int16_t>(text);
    }
    const double rounded = std::nearbyint(*value);
    if (rounded < std::numeric_limits<std::int16_t>::min() ||
        rounded > std::numeric_limits<std::int16_t>::max()) {
        return none<std::int16_t>(text);
    }
    return {text, static_cast<std::int16_t>(rounded)};
}

ConfigValue<int> leadingWholeNumber(const QString& text) {
    const double value = NumberText::leadingNumber(text);
    // A nonsensical length never completes a record rather than overflowing.
    return {text, std::isfinite(value) && std::fabs(value) < 1e9 ? static_cast<int>(value) : 0};
}

ConfigValue<double> number(const QString& text) {
    bool ok = false;
    const double value = LocaleFormats::parseNumber(text, &ok);
    return ok ? ConfigValue<double>(text, value) : none<double>(text);
}

ConfigValue<int> baudRate(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value > 0 ? ConfigValue<int>(text, value) : none<int>(text);
}

ConfigValue<Parity> parity(const QString& text) {
    const QString letter = text.trimmed().toUpper();
    switch (letter.isEmpty() ? u'N' : letter.at(0).unicode()) {
    case u'E':
        return {text, Parity::Even};
    case u'O':
        return {text, Parity::Odd};
    case u'M':
        return {text, Parity::Mark};
    case u'S':
        return {text, Parity::Space};
    default:
        return {text, Parity::None};
    }
}

ConfigValue<int> dataBits(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= 5 && value <= 8 ? ConfigValue<int>(text, value) : none<int>(text);
}

ConfigValue<StopBits> stopBits(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed == QLatin1String("2")) {
        return {text, StopBits::Two};
    }
    if (trimmed == QLatin1String("1.5") || trimmed == QLatin1String("1,5")) {
        return {text, StopBits::OneAndHalf};
    }
    return {text, StopBits::One};
}

ConfigValue<quint16> tcpPort(const QString& text) {
    bool ok = false;
    const uint value = text.trimmed().toUInt(&ok);
    return ok && value <= 65535 ? ConfigValue<quint16>(text, static_cast<quint16>(value))
                                : none<quint16>(text);
}

ConfigValue<TargetKind> target(const QString& text) {
    static const std::pair<const char*, TargetKind> Named[] = {
        {"Text-Datei", TargetKind::TextFile},       {"Excel-Datei", TargetKind::Workbook},
        {"Access-Datenbank", TargetKind::Database}, {"XML-Datei", TargetKind::XmlFile},
        {"DDE-Kanal", TargetKind::PublishedItem},   {"*DDE*", TargetKind::DbusCommand},
        {"*free*", TargetKind::FocusedWindow},
    };
    for (const auto& [name, kind] : Named) {
        if (text == QLatin1String(name)) {
            return {text, kind};
        }
    }
    return {text, TargetKind::Window};
}

QString text(TargetKind kind) {
    switch (kind) {
    case TargetKind::TextFile:
        return QStringLiteral("Text-Datei");
    case TargetKind::Workbook:
        return QStringLiteral("Excel-Datei");
    case TargetKind::Database:
        return QStringLiteral("Access-Datenbank");
    case TargetKind::XmlFile:
        return QStringLiteral("XML-Datei");
    case TargetKind::PublishedItem:
        return QStringLiteral("DDE-Kanal");
    case TargetKind::DbusCommand:
        return QStringLiteral("*DDE*");
    case TargetKind::FocusedWindow:
        return QStringLiteral("*free*");
    case TargetKind::Window:
        break;
    }
    return {};
}

ConfigValue<TransferMode> transferMode(const QString& text) {
    for (const TransferMode mode : {TransferMode::Hotkey, TransferMode::Print, TransferMode::Timer}) {
        if (text == SettingText::text(mode)) {
            return {text, mode};
        }
    }
    return none<TransferMode>(text);
}

QString text(TransferMode mode) {
    switch (mode) {
    case TransferMode::Hotkey:
        return QStringLiteral("HOTKEY");
    case TransferMode::Print:
        return QStringLiteral("PRINT");
    case TransferMode::Timer:
        return QStringLiteral("TIMER");
    }
    return {};
}

ConfigValue<TimerMode> timerMode(const QString& text) {
    const auto value = wholeNumber(text).value();
    if (value == 0) {
        return {text, TimerMode::StartStop};
    }
    if (value == 1) {
        return {text, TimerMode::Count};
    }
    return none<TimerMode>(text);
}

ConfigValue<DisplayMode> displayMode(const QString& text) {
    if (text == QLatin1String("0")) {
        return {text, DisplayMode::Weight};
    }
    if (text == QLatin1String("1")) {
        return {text, DisplayMode::Volume};
    }
    if (text == QLatin1String("2")) {
        return {text, DisplayMode::Flow};
    }
    return none<DisplayMode>(text);
}

ConfigValue<bool> flag(const QString& text) {
    return {text, text.trimmed() == QLatin1String("1")};
}

ConfigValue<bool> wholeNumberFlag(const QString& text) {
    return {text, wholeNumber(text).value() == 1};
}

ConfigValue<QDate> date(const QString& text) {
    const QDate value = LocaleFormats::parseDate(text);
    return value.isValid() ? ConfigValue<QDate>(text, value) : none<QDate>(text);
}

ConfigValue<QTime> time(const QString& text) {
    const QTime value = LocaleFormats::parseTime(text);
    if (!value.isValid()) {
        return none<QTime>(text);
    }
    // Schedules run in whole seconds.
    return {text, QTime(value.hour(), value.minute(), value.second())};
}

ConfigValue<RecordEnd> recordEnd(const QString& text) {
    RecordEnd end;
    bool ok = false;
    const int code = text.trimmed().toInt(&ok);
    if (ok && code >= 0 && code <= 255) {
        end.character = static_cast<char>(code);
    }
    end.none = NumberText::leadingNumber(text) == 0.0;
    return {text, end};
}

ConfigValue<int> firstKey(const QString& name) {
    static const std::pair<const char*, int> Named[] = {
        {"CTRL", ControlKey}, {"ALT", AltKey}, {"SHIFT", ShiftKey}, {"ESC", EscapeKey}, {"PRINT", PrintKey},
    };
    for (const auto& [keyName, code] : Named) {
        if (name == QLatin1String(keyName)) {
            return {name, code};
        }
    }
    return {name, functionKeyCode(name)};
}

ConfigValue<int> thirdKey(const QString& name) {
    if (name.isEmpty()) {
        return {name, 0};
    }
    const int code = functionKeyCode(name);
    return {name, code != 0 ? code : UnknownThirdKey};
}

TriggerKeyRow triggerKeys(const QString& first, const QString& second, const QString& third) {
    return {{firstKey(first), firstKey(second), thirdKey(third)}};
}

ConfigValue<bool> answerFlag(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return {text, ok && value == 1};
}

std::optional<double> activeLimit(const ConfigValue<double>& limit) {
    if (!limit.value() || *limit.value() == 0.0) {
        return std::nullopt;
    }
    return limit.value();
}

} // namespace SettingText
