#pragma once

#include <QDialog>
#include <QString>

class QComboBox;

// The language window: the user picks the current language from the languages of the file.
class foLanguage_def : public QDialog {
    Q_OBJECT
public:
    explicit foLanguage_def(QString programDirectory, QWidget* parent = nullptr);

private:
    void cmdOK_Click();

    QString m_programDirectory;
    QComboBox* m_cboLanguage;
};
