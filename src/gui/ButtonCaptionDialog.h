#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

// Edits the caption of one device command button; the caller takes caption() back when the
// window was accepted.
class ButtonCaptionDialog : public QDialog {
    Q_OBJECT
public:
    // The text field starts with caption, selected.
    explicit ButtonCaptionDialog(const QString& caption, QWidget* parent = nullptr);

    QString caption() const;

private:
    QLabel* m_promptLabel = nullptr;
    QLineEdit* m_captionBox = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};
