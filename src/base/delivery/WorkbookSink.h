#pragma once

#include "base/delivery/DeliverySink.h"

#include <functional>
#include <memory>

class Dialogs;
class Workbook;
struct Settings;

// Appends each output text as a row of the worksheet of the settings (kelvane.ini) of the
// workbook of the settings, one field per column. A missing worksheet is named in the status.
class WorkbookSink : public DeliverySink {
public:
    using StatusReport = std::function<void(const QString&)>;

    WorkbookSink(const Settings& settings, Dialogs& dialogs, StatusReport status = {});
    ~WorkbookSink() override;

    bool deliver(const QString& outputText) override;

private:
    const Settings& m_settings;
    Dialogs& m_dialogs;
    StatusReport m_status;
    // Kept between values, so a workbook nobody else touches is not read again for each row.
    std::unique_ptr<Workbook> m_workbook;
};
