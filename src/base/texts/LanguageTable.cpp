#include "base/texts/LanguageTable.h"

#include "base/files/IniDocument.h"
#include "base/interfaces/Dialogs.h"
#include "base/texts/LanguageFile.h"

namespace {

QString keyText(TextKey key) {
    return QString(languageKey(key));
}

} // namespace

LanguageTable::LanguageTable() {
    for (int i = 0; i < TextKeyCount; ++i) {
        m_texts[static_cast<std::size_t>(i)] = keyText(static_cast<TextKey>(i));
    }
}

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
    for (int i = 0; i < TextKeyCount; ++i) {
        const QString key = keyText(static_cast<TextKey>(i));
        m_texts[static_cast<std::size_t>(i)] = document.value(language, key, key);
    }
}

QString LanguageTable::text(TextKey key) const {
    return m_texts[static_cast<std::size_t>(key)];
}

QString languageText(TextKey key) {
    return LanguageTable::instance().text(key);
}
