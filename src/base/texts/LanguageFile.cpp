#include "base/texts/LanguageFile.h"

#include "base/files/IniDocument.h"
#include "base/files/IniFile.h"

#include <QDir>
#include <QFile>

namespace LanguageFile {

namespace {
const QString CurrentSection = QStringLiteral("SPRACHE");
const QString CurrentKey = QStringLiteral("aktuell");
const QString LanguagesSection = QStringLiteral("SPRACHEN");
const QString InstalledHelpFile = QStringLiteral("kv36.hlp");
} // namespace

QString path(const QString& programDirectory) {
    return QDir(programDirectory).filePath(QStringLiteral("language.ini"));
}

QString currentLanguage(const QString& languageFile) {
    return IniFile::read(languageFile, CurrentSection, CurrentKey, {});
}

QString presetLanguage(const QString& languageFile) {
    return IniFile::read(languageFile, CurrentSection, CurrentKey, QStringLiteral("ENGLISH"));
}

QStringList availableLanguages(const QString& languageFile) {
    const IniDocument document = IniDocument::fromFile(languageFile);
    QStringList languages;
    for (int n = 1;; ++n) {
        const QString key = QString::number(n);
        // A missing key reads back as its own number, which ends the list.
        const QString name = document.value(LanguagesSection, key, key);
        if (name == key) {
            break;
        }
        languages.append(name);
    }
    return languages;
}

void chooseLanguage(const QString& programDirectory, const QString& language) {
    IniFile::write(path(programDirectory), CurrentSection, CurrentKey, language);
    installHelpFile(programDirectory);
}

void installHelpFile(const QString& programDirectory) {
    const QDir directory(programDirectory);
    QFile::remove(directory.filePath(InstalledHelpFile));
    const QString languageFile = path(programDirectory);
    const QString language = currentLanguage(languageFile);
    QString helpFile =
        IniFile::read(languageFile, language, QStringLiteral("helpfile"), QStringLiteral("\\kv36e.hlp"));
    // Stored with a leading backslash, relative to the program directory.
    helpFile.replace(u'\\', u'/');
    while (helpFile.startsWith(u'/')) {
        helpFile.remove(0, 1);
    }
    QFile::copy(directory.filePath(helpFile), directory.filePath(InstalledHelpFile));
}

} // namespace LanguageFile
