#pragma once

#include "base/delivery/DeliverySink.h"

#include <functional>

class Dialogs;
struct Settings;

// Appends each output text as a row of the worksheet of the settings (kelvane.ini) of the
// workbook of the settings, one field per column. A missing worksheet is named in the status.
class WorkbookSink : public DeliverySink {
public:
    using StatusReport = std::function<void(const QString&)>;

    WorkbookSink(const Settings& settings, Dialogs& dialogs, StatusReport status = {});

    bool deliver(const QString& outputText) override;

private:
    const Settings& m_settings;
    Dialogs& m_dialogs;
    StatusReport m_status;
};
