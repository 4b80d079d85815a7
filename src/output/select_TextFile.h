#pragma once

#include "output/FileTargetDialog.h"

// The setup assistant's choice of the text file that receives the values.
class select_TextFile : public FileTargetDialog {
    Q_OBJECT
public:
    explicit select_TextFile(MainController& controller, QWidget* parent = nullptr);

protected:
    void store(Settings& settings) override;
};
