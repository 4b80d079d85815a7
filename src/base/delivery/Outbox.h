#pragma once

#include "base/delivery/BatchOutcome.h"
#include "base/delivery/OutboxJournal.h"

#include <QDeadlineTimer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

// The values that their targets could not take yet, one journal per target in a folder of the
// program directory. A target's values are offered again in the order they came, and each is
// removed only after its target has taken it. How many may wait for one target is bounded.
class Outbox {
public:
    // How a target took a batch of its values.
    using Attempt = std::function<BatchOutcome(const DeliveryTarget&, const QStringList& texts)>;
    // Values offered to a target at once.
    static constexpr qsizetype BatchSize = 500;

    enum class Kept { Yes, Full, Failed };

    // What a round of offering the waiting values did.
    struct Round {
        qsizetype delivered = 0;
        // Values that the target refuses for good; they are no longer kept.
        QStringList refused;
        // The first target that still has values waiting, and why.
        std::optional<DeliveryTarget> blocked;
        DeliveryProblem problem = DeliveryProblem::None;
        // The time was up before every target had been offered its values.
        bool unfinished = false;
    };

    Outbox(QString folder, qsizetype limit);
    ~Outbox();
    Outbox(const Outbox&) = delete;
    Outbox& operator=(const Outbox&) = delete;

    // Reads the journals an earlier run left. A damaged one is read up to its last whole record
    // and its rest set aside beside it; each such case is described in the returned reports
    // (the journal (%1), the values read (%2), the file with the rest (%3)).
    struct Damage {
        QString journal;
        qsizetype valuesRead = 0;
        QString setAside;
    };
    std::vector<Damage> load();

    qsizetype limit() const { return m_limit; }
    void setLimit(qsizetype limit) { m_limit = limit; }

    qsizetype waitingCount() const;
    qsizetype waitingFor(const DeliveryTarget& target) const;

    // Keeps text for target behind the values already waiting for it: on disk when this returns,
    // or with Sync::Later in the file and on disk with the next sync() or delivery.
    Kept keep(const DeliveryTarget& target, const QString& text,
              OutboxJournal::Sync sync = OutboxJournal::Sync::Now, QString* error = nullptr);
    // Puts on disk what was kept with Sync::Later.
    void sync();

    // Offers every target its waiting values in order, a batch at a time, until a batch is not
    // taken or, after the first attempt, the deadline has passed.
    Round deliverWaiting(const Attempt& attempt, const QDeadlineTimer& deadline = QDeadlineTimer::Forever);

private:
    OutboxJournal* journalFor(const DeliveryTarget& target) const;
    QString pathFor(const DeliveryTarget& target) const;

    QString m_folder;
    qsizetype m_limit;
    std::vector<std::unique_ptr<OutboxJournal>> m_journals;
};
