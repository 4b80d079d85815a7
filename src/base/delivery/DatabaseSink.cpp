#include "base/delivery/DatabaseSink.h"

#include "base/delivery/Database.h"
#include "base/delivery/OutputTemplate.h"
#include "base/delivery/TargetPath.h"

DeliveryProblem DatabaseSink::insert(const QString& database, const QString& table, const QString& outputText,
                                     DatabaseConnection::Patience patience) {
    if (!outputText.contains(OutputTemplate::FieldSeparator)) {
        return DeliveryProblem::None;
    }
    const QStringList fields = OutputTemplate::fields(outputText);
    if (!isDatabaseServerUrl(database)) {
        const DatabaseConnection file(database, patience);
        return Database::insertRecord(file, table, fields);
    }
    if (m_server && m_server->target() != database) {
        m_server.reset();
    }
    // A connection kept from an earlier record may have been lost since: then one more try.
    const bool kept = m_server != nullptr;
    DeliveryProblem problem = DeliveryProblem::Unreachable;
    for (int attempt = 0; attempt < (kept ? 2 : 1); ++attempt) {
        if (!m_server) {
            m_server = std::make_unique<DatabaseConnection>(database, patience);
        }
        problem = Database::insertRecord(*m_server, table, fields);
        if (problem != DeliveryProblem::Unreachable) {
            return problem;
        }
        m_server.reset();
    }
    return problem;
}
