#include "base/delivery/DatabaseSink.h"

#include "base/delivery/Database.h"
#include "base/delivery/OutputTemplate.h"

DeliveryProblem DatabaseSink::insert(const QString& database, const QString& table, const QString& outputText,
                                     DatabaseConnection::Patience patience) {
    if (!outputText.contains(OutputTemplate::FieldSeparator)) {
        return DeliveryProblem::None;
    }
    const QStringList fields = OutputTemplate::fields(outputText);
    // A kept connection serves the same database only: not one named differently since, nor a
    // file removed or replaced by another one.
    if (m_connection && (m_connection->target() != database || !m_connection->isSameDatabase())) {
        m_connection.reset();
    }
    // A connection kept from an earlier record may have been lost since: then one more try.
    const bool kept = m_connection != nullptr;
    DeliveryProblem problem = DeliveryProblem::Unreachable;
    for (int attempt = 0; attempt < (kept ? 2 : 1); ++attempt) {
        if (!m_connection) {
            m_connection = std::make_unique<DatabaseConnection>(database, patience);
        }
        m_connection->setPatience(patience);
        problem = Database::insertRecord(*m_connection, table, fields);
        if (problem != DeliveryProblem::Unreachable && problem != DeliveryProblem::TargetMissing) {
            return problem;
        }
        // Nothing is kept that did not work: a file may come back, a server may restart.
        m_connection.reset();
        if (problem == DeliveryProblem::TargetMissing) {
            return problem;
        }
    }
    return problem;
}
