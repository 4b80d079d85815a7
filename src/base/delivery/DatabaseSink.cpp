#include "base/delivery/DatabaseSink.h"

#include "base/config/Settings.h"
#include "base/delivery/Database.h"
#include "base/delivery/OutputTemplate.h"
#include "base/delivery/TargetPath.h"

DatabaseSink::DatabaseSink(const Settings& settings) : m_settings(settings) {}

bool DatabaseSink::deliver(const QString& outputText) {
    if (!outputText.contains(OutputTemplate::FieldSeparator)) {
        return false;
    }
    const QString database = resolveTargetPath(m_settings.databasePath);
    const QStringList fields = OutputTemplate::fields(outputText);
    // A kept connection serves the same database only: not one named differently since, nor a
    // file removed or replaced by another one.
    if (m_connection && (m_connection->target() != database || !m_connection->isSameDatabase())) {
        m_connection.reset();
    }
    // A connection kept from an earlier record may have been lost since: then one more try.
    const bool kept = m_connection != nullptr;
    for (int attempt = 0; attempt < (kept ? 2 : 1); ++attempt) {
        if (!m_connection) {
            m_connection = std::make_unique<DatabaseConnection>(database);
        }
        if (Database::insertRecord(*m_connection, m_settings.databaseTable, fields)) {
            return true;
        }
        // A refused record leaves a working connection as it is.
        if (m_connection->answers()) {
            return false;
        }
        m_connection.reset();
    }
    return false;
}
