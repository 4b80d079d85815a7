// The running statistics, the series of values taken and its export.

#include "base/statistics/RunningStatistics.h"
#include "base/statistics/SeriesCsv.h"
#include "base/statistics/ValueSeries.h"

#include <QtTest>

#include <cmath>

using Verdict = Acceptance::Verdict;

namespace {

// NaN where the figure is undefined; equal to nine significant digits otherwise.
bool same(double actual, double expected) {
    if (std::isnan(expected)) {
        return std::isnan(actual);
    }
    return std::abs(actual - expected) <= 1e-9 * std::max(1.0, std::abs(expected));
}

QDateTime at(int second) {
    return QDateTime(QDate(2026, 12, 6), QTime(8, 0, second), Qt::OffsetFromUTC, 3600);
}

} // namespace

class tst_Statistics : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void figures_data();
    void figures();
    void series_data();
    void series();
    void csv();
};

void tst_Statistics::figures_data() {
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<QList<double>>("expected"); // count, mean, standard deviation, minimum, maximum, range
    const double nan = std::nan("");
    QTest::newRow("empty") << QList<double>{} << QList<double>{0, nan, nan, nan, nan, nan};
    QTest::newRow("single") << QList<double>{-2.5} << QList<double>{1, -2.5, nan, -2.5, -2.5, 0};
    QTest::newRow("two") << QList<double>{1, 3} << QList<double>{2, 2, std::sqrt(2.0), 1, 3, 2};
    QTest::newRow("signs and order") << QList<double>{4, -2, 1, 7, -5}
                                     << QList<double>{5, 1, std::sqrt(22.5), -5, 7, 12};
    // A sum of squares loses every digit here: the squares are near 1e18, the spread near 1e1.
    QTest::newRow("cancellation") << QList<double>{1e9 + 4, 1e9 + 7, 1e9 + 13, 1e9 + 16}
                                  << QList<double>{4, 1e9 + 10, std::sqrt(30.0), 1e9 + 4, 1e9 + 16, 12};
    QTest::newRow("equal values") << QList<double>{0.1, 0.1, 0.1} << QList<double>{3, 0.1, 0, 0.1, 0.1, 0};
}

void tst_Statistics::figures() {
    QFETCH(QList<double>, values);
    QFETCH(QList<double>, expected);
    RunningStatistics statistics;
    for (int pass = 0; pass < 2; ++pass) {
        for (const double value : values) {
            statistics.add(value);
        }
        const QList<double> actual{static_cast<double>(statistics.count()),
                                   statistics.mean(),
                                   statistics.standardDeviation(),
                                   statistics.minimum(),
                                   statistics.maximum(),
                                   statistics.range()};
        for (qsizetype i = 0; i < expected.size(); ++i) {
            QVERIFY2(
                same(actual[i], expected[i]),
                qPrintable(
                    QStringLiteral("figure %1: %2, expected %3").arg(i).arg(actual[i]).arg(expected[i])));
        }
        // A reset starts a new series that knows nothing of the old one.
        statistics.reset();
    }
}

void tst_Statistics::series_data() {
    QTest::addColumn<QList<int>>("verdicts"); // of the values 1, 2, 3, ...
    QTest::addColumn<int>("capacity");
    QTest::addColumn<QString>("expected"); // count mean, within tolerance, share, start; the points kept
    const int ok = int(Verdict::Accepted), unstable = int(Verdict::NotStable);
    const int above = int(Verdict::AboveUpperLimit), below = int(Verdict::BelowLowerLimit);
    QTest::newRow("none") << QList<int>{} << 500 << "0 nan, 0, nan, -; ";
    QTest::newRow("all accepted") << QList<int>{ok, ok, ok} << 500 << "3 2, 3, 1, 1; 1 2 3";
    // Unstable values are shown but not counted; the series begins with the first counted one.
    QTest::newRow("unstable first") << QList<int>{unstable, ok, above, below} << 500
                                    << "3 3, 1, 0.333333, 2; 1 2 3 4";
    QTest::newRow("ring of two") << QList<int>{ok, ok, above, ok, unstable} << 2 << "4 2.5, 3, 0.75, 1; 4 5";
}

void tst_Statistics::series() {
    QFETCH(QList<int>, verdicts);
    QFETCH(int, capacity);
    ValueSeries series;
    series.setCapacity(capacity);
    QSignalSpy statisticsChanged(&series, &ValueSeries::statisticsChanged);
    for (int i = 0; i < verdicts.size(); ++i) {
        series.add({at(i + 1), double(i + 1), QStringLiteral("g"), Verdict(verdicts[i])});
    }
    QStringList kept;
    for (const TakenValue& point : series.points()) {
        kept << QString::number(point.value);
    }
    const RunningStatistics& statistics = series.statistics();
    const QString shown =
        QStringLiteral("%1 %2, %3, %4, %5; %6")
            .arg(statistics.count())
            .arg(QString::number(statistics.mean()).toLower())
            .arg(series.inToleranceCount())
            .arg(QString::number(series.inToleranceShare(), 'g', 6).toLower())
            .arg(series.startedAt().isValid() ? QString::number(series.startedAt().time().second())
                                              : QStringLiteral("-"))
            .arg(kept.join(u' '));
    QTEST(shown, "expected");
    QCOMPARE(statisticsChanged.count(), statistics.count());
    // A reset clears the figures and keeps the points; clearing the points keeps the figures.
    series.resetStatistics();
    QVERIFY(series.statistics().count() == 0 && series.inToleranceCount() == 0 &&
            !series.startedAt().isValid());
    QCOMPARE(int(series.points().size()), kept.size());
    series.add({at(30), 7.0, QStringLiteral("g"), Verdict::Accepted});
    series.clearPoints();
    QVERIFY(series.points().empty());
    QCOMPARE(series.statistics().mean(), 7.0);
    QCOMPARE(series.startedAt(), at(30));
}

void tst_Statistics::csv() {
    const std::deque<TakenValue> points{
        {at(1), 12.5, QStringLiteral("g"), Verdict::Accepted},
        {at(2), -0.1, QString(), Verdict::NotStable},
        {at(3), 1e9 + 0.25, QStringLiteral("k,\"g\""), Verdict::AboveUpperLimit},
        {at(4), 3, QStringLiteral("µg"), Verdict::BelowLowerLimit},
    };
    QCOMPARE(SeriesCsv::write(points),
             QByteArray(
                 "time,value,unit,result\r\n"
                 "2026-12-06T08:00:01.000+01:00,12.5,g,accepted\r\n"
                 "2026-12-06T08:00:02.000+01:00,-0.1,,refused: not stable\r\n"
                 "2026-12-06T08:00:03.000+01:00,1000000000.25,\"k,\"\"g\"\"\",refused: above upper limit\r\n"
                 "2026-12-06T08:00:04.000+01:00,3,\xc2\xb5g,refused: below lower limit\r\n"));
}

QTEST_GUILESS_MAIN(tst_Statistics)
#include "tst_Statistics.moc"
