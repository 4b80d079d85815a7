#pragma once

#include <QDBusAbstractAdaptor>
#include <QElapsedTimer>
#include <QTimer>
#include <QVariantMap>

class ValuePublisher;
class ValueSeries;

// The interface org.kelvane.Statistics on the object of the published values: the statistics of
// the values taken, as read-only properties announced with PropertiesChanged, and a reset. An
// undefined figure (the mean of no value) is NaN. The figures change with every value taken, so
// a streaming device would have them announced a hundred times a second, each a message through
// the bus daemon whether anyone listens or not: changes are announced at most four times a
// second, the last one always.
class StatisticsAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kelvane.Statistics")
    Q_PROPERTY(qlonglong Count READ count)
    Q_PROPERTY(double Mean READ mean)
    Q_PROPERTY(double StdDev READ standardDeviation)
    Q_PROPERTY(double Min READ minimum)
    Q_PROPERTY(double Max READ maximum)
    Q_PROPERTY(double InTolerance READ inTolerance)
public:
    StatisticsAdaptor(ValuePublisher& publisher, ValueSeries& series);

    qlonglong count() const;
    double mean() const;
    double standardDeviation() const;
    double minimum() const;
    double maximum() const;
    // The share of the counted values within tolerance, 0 to 1.
    double inTolerance() const;

public Q_SLOTS:
    void Reset();

private:
    void announceChanges();
    void announceNow();

    ValuePublisher& m_publisher;
    ValueSeries& m_series;
    QVariantMap m_announced;
    QElapsedTimer m_sinceAnnouncement;
    QTimer m_pending;
};
