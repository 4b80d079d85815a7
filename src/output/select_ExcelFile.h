#pragma once

#include "output/FileTargetDialog.h"

// The setup assistant's choice of the workbook that receives the values.
class select_ExcelFile : public FileTargetDialog {
    Q_OBJECT
public:
    explicit select_ExcelFile(MainController& controller, QWidget* parent = nullptr);

protected:
    void store(Settings& settings) override;
};
