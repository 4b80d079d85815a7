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
    if (!isDatabaseServerUrl(database)) {
        return Database::insertRecord(database, m_settings.databaseTable, fields);
    }
    if (m_server && m_server->target() != database) {
        m_server.reset();
    }
    // A connection kept from an earlier record may have been lost since: then one more try.
    const bool kept = m_server != nullptr;
    for (int attempt = 0; attempt < (kept ? 2 : 1); ++attempt) {
        if (!m_server) {
            m_server = std::make_unique<DatabaseConnection>(database);
        }
        if (Database::insertRecord(*m_server, m_settings.databaseTable, fields)) {
            return true;
        }
        // A refused record leaves a working connection as it is.
        if (m_server->answers()) {
            return false;
        }
        m_server.reset();
    }
    return false;
}
