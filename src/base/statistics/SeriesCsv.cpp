#include "base/statistics/SeriesCsv.h"

#include <QLocale>

namespace SeriesCsv {

namespace {

const char* verdictText(Acceptance::Verdict verdict) {
    switch (verdict) {
    case Acceptance::Verdict::NotStable:
        return "refused: not stable";
    case Acceptance::Verdict::AboveUpperLimit:
        return "refused: above upper limit";
    case Acceptance::Verdict::BelowLowerLimit:
        return "refused: below lower limit";
    case Acceptance::Verdict::Accepted:
        break;
    }
    return "accepted";
}

// A field with a comma, a quote or a line break goes in quotes, its quotes doubled.
QByteArray field(const QString& text) {
    QByteArray bytes = text.toUtf8();
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\n') || bytes.contains('\r')) {
        bytes.replace('"', "\"\"");
        return '"' + bytes + '"';
    }
    return bytes;
}

} // namespace

QByteArray write(const std::deque<TakenValue>& points) {
    QByteArray csv = "time,value,unit,result\r\n";
    for (const TakenValue& point : points) {
        const QDateTime time = point.time.toOffsetFromUtc(point.time.offsetFromUtc());
        csv += time.toString(Qt::ISODateWithMs).toLatin1() + ',' +
               QByteArray::number(point.value, 'g', QLocale::FloatingPointShortest) + ',' +
               field(point.unit) + ',' + verdictText(point.verdict) + "\r\n";
    }
    return csv;
}

} // namespace SeriesCsv
