#pragma once

#include "base/delivery/BatchOutcome.h"
#include "base/delivery/DatabaseConnection.h"

#include <memory>

// Adds each output text as a record of a database table, one field per column. A text without
// any field separator adds nothing. The connection is kept from one record to the next; one that
// was lost (the server restarted) is opened again at once, and the record goes in on the new one.
// A database file removed or replaced since is opened anew.
class DatabaseSink {
public:
    // The texts in one transaction.
    BatchOutcome insert(const QString& database, const QString& table, const QStringList& outputTexts,
                        DatabaseConnection::Patience patience);

private:
    std::unique_ptr<DatabaseConnection> m_connection;
};
