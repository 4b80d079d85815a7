// The language file: loaded in both languages, every text looked up.
#include "FuzzInput.h"
#include "base/texts/LanguageTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString path = FuzzInput::file(FuzzInput::bytes(data, size), QStringLiteral("language"));
    for (const QString& language : {QStringLiteral("GERMAN"), QStringLiteral("ENGLISH")}) {
        LanguageTable::instance().load(path, language);
        for (int key = 0; key <= static_cast<int>(TextKey::StatisticsReset); ++key) {
            (void)languageText(static_cast<TextKey>(key));
        }
    }
    return 0;
}
