#pragma once

#include <QString>
#include <QStringList>

// The language file's own keys: the current language, the list of languages and the help file
// of each language.
namespace LanguageFile {

QString path(const QString& programDirectory);

// aktuell of [SPRACHE]; empty when unset.
QString currentLanguage(const QString& languageFile);
// The language the language window presets: the current one, ENGLISH when none is set.
QString presetLanguage(const QString& languageFile);
// Keys 1, 2, ... of [SPRACHEN] until the first missing number.
QStringList availableLanguages(const QString& languageFile);

// The language window's OK: stores the choice and installs that language's help file.
void chooseLanguage(const QString& programDirectory, const QString& language);

// Copies the current language's help file to kv36.hlp in the program directory. A missing
// help file leaves no kv36.hlp behind.
void installHelpFile(const QString& programDirectory);

} // namespace LanguageFile
