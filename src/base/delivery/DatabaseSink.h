#pragma once

#include "base/delivery/DatabaseConnection.h"
#include "base/delivery/DeliverySink.h"

#include <memory>

struct Settings;

// Adds each output text as a record of the database table of the settings, one field per
// column. A text without any field separator adds nothing. The connection is kept from one record
// to the next; one that was lost (the server restarted) is opened again at once, and the record
// goes in on the new one. A database file removed or replaced since is opened anew.
class DatabaseSink : public DeliverySink {
public:
    explicit DatabaseSink(const Settings& settings);

    bool deliver(const QString& outputText) override;

private:
    const Settings& m_settings;
    std::unique_ptr<DatabaseConnection> m_connection;
};
