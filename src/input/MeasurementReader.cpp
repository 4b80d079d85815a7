#include "input/MeasurementReader.h"

#include "core/MainController.h"
#include "core/MainView.h"
#include "input/RecordCutter.h"
#include "language/LanguageTable.h"
#include "settings/LocaleFormats.h"
#include "settings/NumberText.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <cmath>

namespace {

// Data that arrived since the last read ended less than this ago is kept for the next read;
// older data (the cycle was stopped) is stale and discarded.
constexpr qint64 FreshDataMilliseconds = 1500;

// A record needs at least one byte; a nonsensical length never completes.
int wholePart(const QString& text) {
    const double number = NumberText::leadingNumber(text);
    return std::isfinite(number) && std::fabs(number) < 1e9 ? static_cast<int>(number) : 0;
}

// The limit of a tolerance setting; nullopt when it is off (0) or no number.
std::optional<double> limit(const QString& text) {
    bool ok = false;
    const double value = LocaleFormats::parseNumber(text, &ok);
    if (!ok || value == 0.0) {
        return std::nullopt;
    }
    return value;
}

QString trimmedText(const QByteArray& bytes) {
    return RecordCutter::text(bytes).trimmed();
}

} // namespace

MeasurementReader::MeasurementReader(MainController& controller) : m_controller(controller) {}

void MeasurementReader::discardOldData() {
    DeviceLink& link = m_controller.link();
    QByteArray& buffer = link.receiveBuffer();
    const bool fresh = m_sinceLastRead.isValid() && m_sinceLastRead.elapsed() <= FreshDataMilliseconds;
    QByteArray pending;
    if (fresh) {
        pending =
            m_tail + (buffer.startsWith(m_left) ? buffer.mid(m_left.size()) : buffer) + link.readSerial();
    }
    m_tail.clear();
    // Keep at most the one record a quick second key press may have sent; more than that is a
    // device that streams, and then only a record that arrives from now on is current.
    const qsizetype length = std::max(1, wholePart(m_controller.settings().str_len));
    if (!fresh || pending.size() > 2 * length) {
        link.readSerial();
        buffer.clear();
        return;
    }
    buffer = pending;
}

bool MeasurementReader::waitForRecord(QByteArray& buffer) {
    const Settings& settings = m_controller.settings();
    DeviceLink& link = m_controller.link();
    const QDeadlineTimer deadline(static_cast<qint64>(std::max(0.0, settings.m_waittime) * 1000.0));
    while (true) {
        if (link.isSerialOpen()) {
            buffer += link.readSerial();
            if (buffer.size() > DeviceLink::MaxBufferedBytes) {
                buffer.remove(0, buffer.size() - DeviceLink::MaxBufferedBytes);
            }
        }
        // The settings are read afresh: a window may change them while events run.
        const int length = wholePart(settings.str_len);
        QByteArray tail;
        if (RecordCutter::cut(buffer, length, settings.str_endchar, wholePart(settings.str_noend), &tail)) {
            m_tail = tail;
            return true;
        }
        if (deadline.hasExpired() || m_controller.isUnloaded()) {
            // Keep only what could still begin a record.
            m_tail = length > 1 ? buffer.right(length - 1) : QByteArray();
            return false;
        }
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&link, &DeviceLink::dataArrived, &loop, &QEventLoop::quit);
        QObject::connect(&m_controller, &MainController::ended, &loop, &QEventLoop::quit);
        timer.start(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        loop.exec();
    }
}

double MeasurementReader::ReadMeasurement(QByteArray& record, QString& unit) {
    record.clear();
    unit.clear();
    discardOldData();
    QByteArray& buffer = m_controller.link().receiveBuffer();
    const bool complete = waitForRecord(buffer);
    m_left = complete ? buffer : QByteArray();
    if (!complete) {
        buffer.clear();
    }
    m_sinceLastRead.start();
    if (!complete) {
        m_controller.view().setUnitText({});
        m_controller.view().setSignText({});
        return 0.0;
    }
    record = buffer;
    return extract(record, unit);
}

double MeasurementReader::extract(const QByteArray& record, QString& unit) {
    const Settings& s = m_controller.settings();
    MainView& view = m_controller.view();
    if (s.eh_start > 0) {
        unit = trimmedText(RecordCutter::field(record, s.eh_start, s.eh_end));
    }
    QString sign;
    if (s.mw_sign_anf > 0) {
        sign = RecordCutter::text(RecordCutter::field(record, s.mw_sign_anf, s.mw_sign_anf));
    }
    if (s.mw_sign_end > 0) {
        sign = RecordCutter::text(RecordCutter::field(record, s.mw_sign_end, s.mw_sign_end));
    }
    double value = 0.0;
    if (s.mw_start > 0) {
        QString field = RecordCutter::text(RecordCutter::field(record, s.mw_start, s.mw_end));
        field.replace(u',', u'.');
        if (!NumberText::isPlainNumber(field)) {
            return NotANumber;
        }
        value = NumberText::leadingNumber(field);
        if (s.anzeigemodus == QLatin1String("1")) {
            const QString text = LocaleFormats::numberText(value).remove(u' ');
            const qsizetype comma = text.indexOf(u',');
            const int decimals = static_cast<int>(text.size() - (comma < 0 ? 0 : comma + 1));
            const double density = s.st_dichte == 0.0 ? 1.0 : s.st_dichte;
            view.setSignText(sign);
            view.setValueText(
                NumberText::formatWithMask(value / density, NumberText::BuildNumberMask(decimals, 10))
                    .remove(u' '));
            view.setUnitText(QStringLiteral("ml"));
        } else if (s.anzeigemodus != QLatin1String("2")) {
            view.setSignText(sign);
            view.setValueText(field.trimmed());
            view.setUnitText(unit);
        }
    }
    if (sign == QLatin1String("-")) {
        value = -value;
    }
    MainController::DdeItems& dde = m_controller.dde;
    dde.DDESign = view.signText();
    dde.DDEUnit = view.unitText();
    dde.DDEValue = LocaleFormats::numberText(value).remove(u' ');
    return value;
}

MeasurementReader::Verdict MeasurementReader::check(const Settings& settings, const QString& unit,
                                                    double value) {
    if (unit.isEmpty() && settings.stillstand) {
        return Verdict::NotStable;
    }
    if (const auto upper = limit(settings.OTG); upper && value > *upper) {
        return Verdict::AboveMaximum;
    }
    if (const auto lower = limit(settings.UTG); lower && value < *lower) {
        return Verdict::BelowMinimum;
    }
    return Verdict::Accepted;
}

QString MeasurementReader::refusalText(Verdict verdict) {
    switch (verdict) {
    case Verdict::NotStable:
        return LanguageText(QStringLiteral("TextKeinStillstand"));
    case Verdict::AboveMaximum:
        return LanguageText(QStringLiteral("TextMesswertGroesserMaximum"));
    case Verdict::BelowMinimum:
        return LanguageText(QStringLiteral("TextMesswertKleinerMinimum"));
    case Verdict::Accepted:
        break;
    }
    return {};
}

bool MeasurementReader::AcceptMeasurement(const QString& unit, double value) {
    const Verdict verdict = check(m_controller.settings(), unit, value);
    if (verdict == Verdict::Accepted) {
        return true;
    }
    m_controller.fnUpdateStatus(refusalText(verdict));
    m_controller.TransferPending = false;
    return false;
}

void MeasurementReader::waitForUnloading() {
    const Settings& s = m_controller.settings();
    bool ok = false;
    const double lower = LocaleFormats::parseNumber(s.UTG, &ok);
    if (!s.entlastung || !ok || lower <= 0.0) {
        return;
    }
    m_controller.fnUpdateStatus(LanguageText(QStringLiteral("TextWarteAufEntlastung")));
    double value = 0.0;
    do {
        if (m_controller.isUnloaded() || !m_controller.isCycleRunning()) {
            return;
        }
        QByteArray record;
        QString unit;
        value = ReadMeasurement(record, unit);
    } while (value >= lower);
}

MeasurementReader::OutputValue MeasurementReader::cutForOutput(const Settings& s, const QByteArray& record) {
    OutputValue out;
    QString field = RecordCutter::text(RecordCutter::field(record, s.mw_start, s.mw_end));
    const qsizetype comma = field.indexOf(u',');
    if (comma >= 0) {
        field[comma] = u'.';
    }
    out.valueField = field;
    out.value = NumberText::leadingNumber(field);
    if (s.mw_sign_end > 0) {
        out.sign = RecordCutter::text(RecordCutter::field(record, s.mw_sign_end, s.mw_sign_end));
    }
    if (out.sign == QLatin1String("-")) {
        out.value = -out.value;
    }
    if (s.eh_start > 0) {
        out.unit = trimmedText(RecordCutter::field(record, s.eh_start, s.eh_end));
    }
    const QString trimmed = field.trimmed();
    const qsizetype point = trimmed.indexOf(u'.');
    out.decimals = static_cast<int>(trimmed.size() - (point < 0 ? 0 : point + 1));
    return out;
}
