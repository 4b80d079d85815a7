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
    return Database::insertRecord(resolveTargetPath(m_settings.databasePath), m_settings.databaseTable,
                                  OutputTemplate::fields(outputText));
}
