#pragma once

#include "base/config/Settings.h"

#include <QString>

// Reading settings from their text: every setting is parsed here, once, when a configuration
// is loaded or a window stores what the user typed. Each keeps its text for writing back.
namespace SettingText {

// A number in the C locale, cut to a whole number: "2" and "2.7" are port 2, "TCP/IP" none.
ConfigValue<int> wholeNumber(const QString& text);
// Whole numbers in 16 bits, read in the user's locale (else the C locale), halves to even.
ConfigValue<std::int16_t> shortNumber(const QString& text);
// The whole part of the number a text begins with; 0 when it begins with none.
ConfigValue<int> leadingWholeNumber(const QString& text);
// A number in the user's locale (else the C locale).
ConfigValue<double> number(const QString& text);

ConfigValue<int> baudRate(const QString& text);
ConfigValue<Parity> parity(const QString& text);
ConfigValue<int> dataBits(const QString& text);
ConfigValue<StopBits> stopBits(const QString& text);
ConfigValue<quint16> tcpPort(const QString& text);

ConfigValue<TargetKind> target(const QString& text);
ConfigValue<TransferMode> transferMode(const QString& text);
ConfigValue<TimerMode> timerMode(const QString& text);
ConfigValue<DisplayMode> displayMode(const QString& text);
// "1" switches a flag on; "1" is also the only text that turns the decimal comma into a point.
ConfigValue<bool> flag(const QString& text);
// The timer's autostart: on when the text is the whole number 1.
ConfigValue<bool> wholeNumberFlag(const QString& text);
ConfigValue<QDate> date(const QString& text);
ConfigValue<QTime> time(const QString& text);
ConfigValue<RecordEnd> recordEnd(const QString& text);
// Key names of trigger rows: the first and second key take modifiers, Escape, Print and F1 to
// F12; the third key only F1 to F12.
ConfigValue<int> firstKey(const QString& name);
ConfigValue<int> thirdKey(const QString& name);
TriggerKeyRow triggerKeys(const QString& first, const QString& second, const QString& third);
// A device command's answer flag: the whole number 1.
ConfigValue<bool> answerFlag(const QString& text);

QString text(TransferMode mode);
QString text(TargetKind kind);

// A tolerance limit that is switched on: a number other than 0.
std::optional<double> activeLimit(const ConfigValue<double>& limit);

} // namespace SettingText
