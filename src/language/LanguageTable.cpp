#include "language/LanguageTable.h"

#include "core/Dialogs.h"
#include "language/LanguageFile.h"
#include "language/LanguageKeys.h"
#include "settings/IniDocument.h"

LanguageTable& LanguageTable::instance() {
    static LanguageTable table;
    return table;
}

bool LanguageTable::apply(const QString& programDirectory, Dialogs& dialogs) {
    const QString file = LanguageFile::path(programDirectory);
    QString language = LanguageFile::currentLanguage(file);
    if (language.isEmpty()) {
        dialogs.showLanguageWindow();
        language = LanguageFile::currentLanguage(file);
        if (language.isEmpty()) {
            dialogs.message(QStringLiteral("No language selected, Program aborted!"));
            return false;
        }
    }
    load(file, language);
    return true;
}

void LanguageTable::load(const QString& languageFile, const QString& language) {
    const IniDocument document = IniDocument::fromFile(languageFile);
    m_texts.clear();
    for (const QString& key : LanguageKeys::all()) {
        m_texts.insert(key, document.value(language, key, LanguageKeys::defaultText(key)));
    }
}

QString LanguageTable::text(const QString& key) const {
    const auto found = m_texts.constFind(key);
    return found != m_texts.constEnd() ? *found : LanguageKeys::defaultText(key).trimmed();
}

QString LanguageText(const QString& key) {
    return LanguageTable::instance().text(key);
}
