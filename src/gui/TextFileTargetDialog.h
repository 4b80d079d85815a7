#pragma once

#include "gui/FileTargetDialog.h"

// The setup assistant's choice of the text file that receives the values.
class TextFileTargetDialog : public FileTargetDialog {
    Q_OBJECT
public:
    TextFileTargetDialog(Settings& settings, Dialogs& dialogs, QWidget* parent = nullptr);

protected:
    void store(Settings& settings) override;
};
