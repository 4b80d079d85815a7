#pragma once

#include "input/Measurement.h"

#include <QDateTime>
#include <QString>

class Dialogs;

// Fills the data tokens of the output definition for one measurement: value, time, unit, the
// ten IDs and the date by their language names, then asks for every prompt token "{?label}".
// Key tokens and literal text pass through.
class OutputRenderer {
public:
    static QString RenderOutput(const QString& definition, const Measurement& measurement, const QString& trz,
                                Dialogs& dialogs, const QDateTime& now = QDateTime::currentDateTime());

    // Replaces the first occurrence of name together with the character before and after it.
    static void replaceFirst(QString& text, const QString& name, const QString& replacement,
                             const QString& searchSuffix = {});
};
