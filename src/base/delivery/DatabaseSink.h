#pragma once

#include "base/delivery/DeliverySink.h"

struct Settings;

// Adds each output text as a record of the database table of the settings, one field per
// column. A text without any field separator adds nothing.
class DatabaseSink : public DeliverySink {
public:
    explicit DatabaseSink(const Settings& settings);

    bool deliver(const QString& outputText) override;

private:
    const Settings& m_settings;
};
