#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class getkey_def;

// Changes the caption of one command button of the device command table window; OK writes the
// text straight into that button.
class getButtonText : public QDialog {
    Q_OBJECT
public:
    // row is the index (0-7) of the button being edited; the text field starts with its caption.
    getButtonText(getkey_def& keyWindow, int row, QWidget* parent = nullptr);

private:
    void OKButton_Click();

    getkey_def& m_keyWindow;
    int m_row;
    QLabel* m_Label1 = nullptr;
    QLineEdit* m_Text1 = nullptr;
    QPushButton* m_OKButton = nullptr;
    QPushButton* m_CancelButton = nullptr;
};
