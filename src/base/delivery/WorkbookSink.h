#pragma once

#include "base/delivery/DeliverySink.h"

class Dialogs;
struct Settings;

// Appends each output text as a row of the sheet "Tabelle1" of the workbook of the settings,
// one field per column.
class WorkbookSink : public DeliverySink {
public:
    static inline const QString SheetName = QStringLiteral("Tabelle1");

    WorkbookSink(const Settings& settings, Dialogs& dialogs);

    bool deliver(const QString& outputText) override;

private:
    const Settings& m_settings;
    Dialogs& m_dialogs;
};
