#pragma once

#include "gui/FileTargetDialog.h"

// The setup assistant's choice of the workbook that receives the values.
class WorkbookTargetDialog : public FileTargetDialog {
    Q_OBJECT
public:
    WorkbookTargetDialog(Settings& settings, Dialogs& dialogs, QWidget* parent = nullptr);

protected:
    void store(Settings& settings) override;
};
