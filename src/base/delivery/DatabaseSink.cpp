#include "base/delivery/DatabaseSink.h"

#include "base/delivery/Database.h"
#include "base/delivery/OutputTemplate.h"

BatchOutcome DatabaseSink::insert(const QString& database, const QString& table,
                                  const QStringList& outputTexts, DatabaseConnection::Patience patience) {
    QList<QStringList> records;
    QList<qsizetype> indexes;
    for (qsizetype k = 0; k < outputTexts.size(); ++k) {
        if (outputTexts.at(k).contains(OutputTemplate::FieldSeparator)) {
            records.append(OutputTemplate::fields(outputTexts.at(k)));
            indexes.append(k);
        }
    }
    if (records.isEmpty()) {
        return {};
    }
    // A kept connection serves the same database only: not one named differently since, nor a
    // file removed or replaced by another one.
    if (m_connection && (m_connection->target() != database || !m_connection->isSameDatabase())) {
        m_connection.reset();
    }
    // A connection kept from an earlier record may have been lost since: then one more try.
    const bool kept = m_connection != nullptr;
    BatchOutcome outcome{DeliveryProblem::Unreachable, {}};
    for (int attempt = 0; attempt < (kept ? 2 : 1); ++attempt) {
        if (!m_connection) {
            m_connection = std::make_unique<DatabaseConnection>(database, patience);
        }
        m_connection->setPatience(patience);
        outcome = Database::insertRecords(*m_connection, table, records);
        if (outcome.problem != DeliveryProblem::Unreachable &&
            outcome.problem != DeliveryProblem::TargetMissing) {
            // The indexes of the texts, not of the records made of them.
            for (qsizetype& refused : outcome.refused) {
                refused = indexes.at(refused);
            }
            return outcome;
        }
        // Nothing is kept that did not work: a file may come back, a server may restart.
        m_connection.reset();
        if (outcome.problem == DeliveryProblem::TargetMissing) {
            return outcome;
        }
    }
    return outcome;
}
