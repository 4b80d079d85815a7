#include "base/records/RecordReader.h"

#include "base/config/Settings.h"
#include "base/link/DeviceLink.h"
#include "base/records/RecordCutter.h"
#include "base/texts/NumberText.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QScopedValueRollback>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace {

// Data that arrived since the last read ended less than this ago is kept for the next read;
// older data (the cycle was stopped) is stale and discarded. Before the first read everything
// arrived since the link was opened, and the record a device sends on connection is current.
constexpr qint64 FreshDataMilliseconds = 1500;

} // namespace

RecordReader::RecordReader(const Settings& settings) : m_settings(settings) {}

void RecordReader::abort() {
    m_aborted = true;
    if (m_waiting) {
        if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
            dispatcher->wakeUp();
        }
    }
}

void RecordReader::discardPartialRecord() {
    m_left.clear();
    m_tail.clear();
}

void RecordReader::discardOldData(QByteArray& buffer) {
    const bool fresh = !m_sinceLastRead.isValid() || m_sinceLastRead.elapsed() <= FreshDataMilliseconds;
    QByteArray pending;
    if (fresh) {
        pending = m_tail + (buffer.startsWith(m_left) ? buffer.mid(m_left.size()) : buffer);
    }
    m_tail.clear();
    // Keep at most the one record a quick second key press may have sent; more than that is a
    // device that streams, and then only a record that arrives from now on is current.
    const qsizetype length = std::max(1, m_settings.recordLength.valueOr(0));
    if (!fresh || pending.size() > 2 * length) {
        buffer.clear();
        return;
    }
    buffer = pending;
}

bool RecordReader::waitForRecord(DeviceLink& link) {
    QByteArray& buffer = link.received();
    const QDeadlineTimer deadline(static_cast<qint64>(std::max(0.0, m_settings.recordWaitSeconds) * 1000.0));
    // Events run one batch at a time until a record is complete: arriving data, the deadline's
    // timer and an abort each end a batch. A nested event loop would cost a wake-up of its own
    // to quit, for every record.
    const QScopedValueRollback waiting(m_waiting, true);
    // Made only when the record is not there yet: a streaming device usually has it waiting.
    std::optional<QTimer> timer;
    while (true) {
        // The settings are read afresh: a window may change them while events run.
        const int length = m_settings.recordLength.valueOr(0);
        QByteArray tail;
        if (RecordCutter::cut(buffer, length, m_settings.recordEnd.valueOr({}), &tail)) {
            m_tail = tail;
            return true;
        }
        if (deadline.hasExpired() || m_aborted) {
            // Keep only what could still begin a record.
            m_tail = length > 1 ? buffer.right(length - 1) : QByteArray();
            return false;
        }
        if (!timer) {
            timer.emplace().setSingleShot(true);
        }
        if (!timer->isActive()) {
            timer->start(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

Reading RecordReader::read(DeviceLink& link) {
    QByteArray& buffer = link.received();
    discardOldData(buffer);
    const bool complete = waitForRecord(link);
    m_left = complete ? buffer : QByteArray();
    if (!complete) {
        buffer.clear();
    }
    m_sinceLastRead.start();
    return complete ? fieldsOf(buffer, m_settings) : Reading{};
}

Reading RecordReader::fieldsOf(const QByteArray& record, const Settings& s) {
    Reading reading;
    reading.record = record;
    if (s.unit.first > 0) {
        reading.unit = RecordCutter::text(RecordCutter::field(record, s.unit)).trimmed();
    }
    if (s.sign.first > 0) {
        reading.sign = RecordCutter::text(RecordCutter::field(record, s.sign.first, s.sign.first));
    }
    if (s.sign.last > 0) {
        reading.sign = RecordCutter::text(RecordCutter::field(record, s.sign.last, s.sign.last));
    }
    if (s.value.first > 0) {
        QString field = RecordCutter::text(RecordCutter::field(record, s.value));
        field.replace(u',', u'.');
        reading.valueField = field;
        if (!NumberText::isPlainNumber(field)) {
            reading.valueIsNumber = false;
            reading.value = Reading::NotANumber;
            return reading;
        }
        reading.value = NumberText::leadingNumber(field);
    }
    if (reading.sign == QLatin1String("-")) {
        reading.value = -reading.value;
    }
    return reading;
}
