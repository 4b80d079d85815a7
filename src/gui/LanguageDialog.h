#pragma once

#include <QDialog>
#include <QString>

class QComboBox;

// The language window: the user picks the current language from the languages of the file.
class LanguageDialog : public QDialog {
    Q_OBJECT
public:
    explicit LanguageDialog(QString programDirectory, QWidget* parent = nullptr);

private:
    void storeAndClose();

    QString m_programDirectory;
    QComboBox* m_languageBox;
};
