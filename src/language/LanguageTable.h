#pragma once

#include <QHash>
#include <QString>

class Dialogs;

// The table of every user-visible text, filled from language.ini in the current language.
class LanguageTable {
public:
    static LanguageTable& instance();

    // Determines the current language (asking through the language window when none is set)
    // and fills the table. False when still no language is chosen: the program must end.
    bool apply(const QString& programDirectory, Dialogs& dialogs);

    // Fills the table from the section of language in languageFile.
    void load(const QString& languageFile, const QString& language);

    QString text(const QString& key) const;

private:
    QHash<QString, QString> m_texts;
};

// The text of key in the current language; the key's default when the file has none.
QString LanguageText(const QString& key);
