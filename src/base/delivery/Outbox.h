#pragma once

#include "base/delivery/DeliveryProblem.h"
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
    // How a target took one value.
    using Attempt = std::function<DeliveryProblem(const DeliveryTarget&, const QString& text)>;

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

    // Keeps text for target behind the values already waiting for it, on disk when this returns.
    Kept keep(const DeliveryTarget& target, const QString& text, QString* error = nullptr);

    // Offers every target its waiting values in order, until one is not taken or, after the
    // first attempt, the deadline has passed.
    Round deliverWaiting(const Attempt& attempt, const QDeadlineTimer& deadline = QDeadlineTimer::Forever);

private:
    OutboxJournal* journalFor(const DeliveryTarget& target) const;
    QString pathFor(const DeliveryTarget& target) const;

    QString m_folder;
    qsizetype m_limit;
    std::vector<std::unique_ptr<OutboxJournal>> m_journals;
};
