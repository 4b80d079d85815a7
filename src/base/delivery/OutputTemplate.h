#pragma once

#include "base/records/Measurement.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

class Dialogs;

// The user's output template: literal text with tokens in braces. The data tokens (value, time,
// unit, ten IDs and date, by their names in the current language) are filled in for one
// measurement, then every prompt token "{?label}" is asked for. Key tokens and literal text pass
// through, for keystrokes to type.
namespace OutputTemplate {

// Separates the fields of an output text for workbooks and databases.
inline const QString FieldSeparator = QStringLiteral("{TAB}");

QString render(const QString& outputTemplate, const Measurement& measurement, bool decimalPoint,
               Dialogs& dialogs, const QDateTime& now = QDateTime::currentDateTime());

// Replaces the first occurrence of name together with the character before and after it.
void replaceFirst(QString& text, const QString& name, const QString& replacement,
                  const QString& searchSuffix = {});

// The fields of an output text: each field ends with "{TAB}"; text after the last one is
// dropped. Without any "{TAB}" the result is empty.
QStringList fields(const QString& outputText);

// The stored form of a typed template: angle brackets become braces.
QString bracesFromAngles(const QString& typed);

} // namespace OutputTemplate
