#include "base/delivery/Outbox.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <algorithm>

namespace {

const QString JournalSuffix = QStringLiteral(".journal");
const QString SetAsideSuffix = QStringLiteral(".damaged");

// Appends the damaged bytes to the file beside the journal, so that nothing is thrown away.
QString setAside(const QString& journal, const QByteArray& bytes) {
    const QString path = journal + SetAsideSuffix;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        file.write(bytes);
    }
    return path;
}

} // namespace

Outbox::Outbox(QString folder, qsizetype limit) : m_folder(std::move(folder)), m_limit(limit) {}

Outbox::~Outbox() = default;

std::vector<Outbox::Damage> Outbox::load() {
    m_journals.clear();
    std::vector<Damage> damages;
    const QDir folder(m_folder);
    for (const QString& name : folder.entryList({u'*' + JournalSuffix}, QDir::Files, QDir::Name)) {
        const QString path = folder.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray bytes = file.readAll();
        file.close();
        OutboxJournal::Contents contents = OutboxJournal::parse(bytes);
        if (!contents.target) {
            damages.push_back({path, 0, setAside(path, bytes)});
            QFile::remove(path);
            continue;
        }
        if (contents.wholeBytes < bytes.size()) {
            damages.push_back({path, static_cast<qsizetype>(contents.waiting.size()),
                               setAside(path, bytes.mid(contents.wholeBytes))});
        }
        if (contents.waiting.empty()) {
            QFile::remove(path);
            continue;
        }
        if (auto journal = OutboxJournal::open(path, std::move(contents), nullptr)) {
            m_journals.push_back(std::move(journal));
        }
    }
    return damages;
}

qsizetype Outbox::waitingCount() const {
    qsizetype count = 0;
    for (const auto& journal : m_journals) {
        count += static_cast<qsizetype>(journal->waiting().size());
    }
    return count;
}

qsizetype Outbox::waitingFor(const DeliveryTarget& target) const {
    const OutboxJournal* journal = journalFor(target);
    return journal ? static_cast<qsizetype>(journal->waiting().size()) : 0;
}

Outbox::Kept Outbox::keep(const DeliveryTarget& target, const QString& text, OutboxJournal::Sync sync,
                          QString* error) {
    OutboxJournal* journal = journalFor(target);
    if (journal && static_cast<qsizetype>(journal->waiting().size()) >= m_limit) {
        return Kept::Full;
    }
    if (!journal) {
        if (!QDir().mkpath(m_folder)) {
            if (error) {
                *error = QStringLiteral("the folder %1 cannot be made").arg(m_folder);
            }
            return Kept::Failed;
        }
        auto made = OutboxJournal::create(pathFor(target), target, sync, error);
        if (!made) {
            return Kept::Failed;
        }
        journal = made.get();
        m_journals.push_back(std::move(made));
    }
    return journal->keep(text, sync, error) ? Kept::Yes : Kept::Failed;
}

void Outbox::sync() {
    for (const auto& journal : m_journals) {
        journal->sync(nullptr);
    }
}

Outbox::Round Outbox::deliverWaiting(const Attempt& attempt, const QDeadlineTimer& deadline) {
    Round round;
    bool attempted = false;
    const auto block = [&round](const DeliveryTarget& target, DeliveryProblem problem) {
        if (!round.blocked) {
            round.blocked = target;
            round.problem = problem;
        }
    };
    for (const auto& journal : m_journals) {
        while (!journal->waiting().empty()) {
            if (attempted && deadline.hasExpired()) {
                round.unfinished = true;
                return round;
            }
            attempted = true;
            QStringList texts;
            for (const OutboxJournal::Entry& entry : journal->waiting()) {
                if (texts.size() == BatchSize) {
                    break;
                }
                texts.append(entry.text);
            }
            const BatchOutcome taken = attempt(journal->target(), texts);
            if (taken.problem != DeliveryProblem::None && taken.problem != DeliveryProblem::Refused) {
                block(journal->target(), taken.problem);
                break;
            }
            if (!journal->markDelivered(texts.size(), nullptr)) {
                // Without the marks the values would be delivered again: stop until the disk
                // takes them.
                block(journal->target(), DeliveryProblem::NotWritable);
                break;
            }
            for (const qsizetype index : taken.refused) {
                round.refused.append(texts.at(index));
            }
            round.delivered += texts.size() - taken.refused.size();
        }
    }
    return round;
}

OutboxJournal* Outbox::journalFor(const DeliveryTarget& target) const {
    const auto found = std::find_if(m_journals.begin(), m_journals.end(),
                                    [&target](const auto& journal) { return journal->target() == target; });
    return found == m_journals.end() ? nullptr : found->get();
}

QString Outbox::pathFor(const DeliveryTarget& target) const {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(QByteArray::number(static_cast<int>(target.kind)));
    hash.addData(QByteArrayView("\0", 1));
    hash.addData(target.location.toUtf8());
    hash.addData(QByteArrayView("\0", 1));
    hash.addData(target.part.toUtf8());
    return QDir(m_folder).filePath(QString::fromLatin1(hash.result().toHex().left(16)) + JournalSuffix);
}
