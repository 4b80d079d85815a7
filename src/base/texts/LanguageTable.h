#pragma once

#include "base/texts/TextKey.h"

#include <QString>

#include <array>

class Dialogs;

// The texts the program shows, in the current language of language.ini. A text the file does
// not hold shows as its key.
class LanguageTable {
public:
    static LanguageTable& instance();

    // Determines the current language (asking through the language window when none is set)
    // and fills the table. False when still no language is chosen: the program must end.
    bool apply(const QString& programDirectory, Dialogs& dialogs);

    // Fills the table from the section of language in languageFile.
    void load(const QString& languageFile, const QString& language);

    QString text(TextKey key) const;

private:
    LanguageTable();

    std::array<QString, TextKeyCount> m_texts;
};

// The text of key in the current language.
QString languageText(TextKey key);
