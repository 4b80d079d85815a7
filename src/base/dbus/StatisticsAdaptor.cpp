#include "base/dbus/StatisticsAdaptor.h"

#include "base/dbus/BusNames.h"
#include "base/dbus/ValuePublisher.h"
#include "base/statistics/ValueSeries.h"

#include <cmath>

namespace {

constexpr int AnnouncementIntervalMs = 250;

} // namespace

StatisticsAdaptor::StatisticsAdaptor(ValuePublisher& publisher, ValueSeries& series)
    : QDBusAbstractAdaptor(&publisher), m_publisher(publisher), m_series(series) {
    m_pending.setSingleShot(true);
    connect(&m_pending, &QTimer::timeout, this, &StatisticsAdaptor::announceNow);
    connect(&m_series, &ValueSeries::statisticsChanged, this, &StatisticsAdaptor::announceChanges);
    announceNow();
}

qlonglong StatisticsAdaptor::count() const {
    return m_series.statistics().count();
}

double StatisticsAdaptor::mean() const {
    return m_series.statistics().mean();
}

double StatisticsAdaptor::standardDeviation() const {
    return m_series.statistics().standardDeviation();
}

double StatisticsAdaptor::minimum() const {
    return m_series.statistics().minimum();
}

double StatisticsAdaptor::maximum() const {
    return m_series.statistics().maximum();
}

double StatisticsAdaptor::inTolerance() const {
    return m_series.inToleranceShare();
}

void StatisticsAdaptor::Reset() {
    m_series.resetStatistics();
}

void StatisticsAdaptor::announceChanges() {
    if (m_pending.isActive()) {
        return;
    }
    const qint64 since =
        m_sinceAnnouncement.isValid() ? m_sinceAnnouncement.elapsed() : AnnouncementIntervalMs;
    if (since >= AnnouncementIntervalMs) {
        announceNow();
    } else {
        m_pending.start(static_cast<int>(AnnouncementIntervalMs - since));
    }
}

void StatisticsAdaptor::announceNow() {
    // Without the bus there is nobody to tell; the first announcement on it names every figure.
    if (!m_publisher.isOffered()) {
        return;
    }
    m_sinceAnnouncement.start();
    const QVariantMap current{
        {QStringLiteral("Count"), count()},
        {QStringLiteral("Mean"), mean()},
        {QStringLiteral("StdDev"), standardDeviation()},
        {QStringLiteral("Min"), minimum()},
        {QStringLiteral("Max"), maximum()},
        {QStringLiteral("InTolerance"), inTolerance()},
    };
    QVariantMap changed;
    for (auto it = current.cbegin(); it != current.cend(); ++it) {
        const QVariant before = m_announced.value(it.key());
        const double now = it.value().toDouble();
        // NaN equals nothing, itself included: a figure that stays undefined has not changed.
        const bool same = before.isValid() &&
                          (before.toDouble() == now || (std::isnan(before.toDouble()) && std::isnan(now)));
        if (!same) {
            changed.insert(it.key(), it.value());
        }
    }
    m_announced = current;
    m_publisher.announce(BusNames::StatisticsInterface, changed);
}
