#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// One record as read from the device, with what its fields say.
struct Reading {
    // The value of a record whose value field holds no number.
    static constexpr double NotANumber = -999999.0;

    // Empty when no complete record arrived in time.
    QByteArray record;
    QString sign;
    QString unit;
    // The value field with commas as points; nullopt when the layout has no value field.
    std::optional<QString> valueField;
    // False when the value field holds no number; value is NotANumber then.
    bool valueIsNumber = true;
    // With its sign applied; 0 without a value field.
    double value = 0.0;

    bool complete() const { return !record.isEmpty(); }
};
