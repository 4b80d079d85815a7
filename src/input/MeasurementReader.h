#pragma once

#include "input/Measurement.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

class MainController;
struct Settings;

// Reads device records from the link, cuts value, sign and unit, shows them in the main window
// and checks them: the reading side of the main cycle.
class MeasurementReader {
public:
    static constexpr double NotANumber = -999999.0;

    enum class Verdict { Accepted, NotStable, AboveMaximum, BelowMinimum };

    explicit MeasurementReader(MainController& controller);

    // Waits up to m_waittime seconds for one complete record. record is empty when nothing
    // complete arrived; the result is the value with its sign, NotANumber when the value field
    // is no number, 0 when nothing arrived or no value position is defined.
    double ReadMeasurement(QByteArray& record, QString& unit);

    // Stability and tolerance checks of one read record, in this order.
    static Verdict check(const Settings& settings, const QString& unit, double value);
    // The status text of a refusal.
    static QString refusalText(Verdict verdict);
    // Applies check: a refusal writes its status text and clears the pending transfer.
    bool AcceptMeasurement(const QString& unit, double value);
    // After a transfer: with unloading required and a lower limit set, reads records until the
    // device shows less than the lower limit.
    void waitForUnloading();

    // Cuts the value and the unit of record out for output; the sign is that of its last
    // position. valueText receives the value text, decimalsOut the number of decimals.
    struct OutputValue {
        double value = 0.0;
        QString unit;
        QString sign;
        QString valueField;
        int decimals = 0;
    };
    static OutputValue cutForOutput(const Settings& settings, const QByteArray& record);

private:
    void discardOldData();
    bool waitForRecord(QByteArray& buffer);
    double extract(const QByteArray& record, QString& unit);

    MainController& m_controller;
    // What the last read left in the receive buffer, and the bytes that followed its record:
    // data that arrives between two reads of a running cycle belongs to the next read.
    QByteArray m_left;
    QByteArray m_tail;
    QElapsedTimer m_sinceLastRead;
};
