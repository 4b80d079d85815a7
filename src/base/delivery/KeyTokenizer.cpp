#include "base/delivery/KeyTokenizer.h"

#include "base/delivery/KeyNameTable.h"
#include "base/interfaces/Keyboard.h"

#include <cstring>

namespace KeyTokenizer {

std::vector<KeyToken> keyTokensOf(const QString& text) {
    std::vector<KeyToken> keys;
    if (text.size() > MaxTypedLength) {
        return keys;
    }
    keys.reserve(static_cast<std::size_t>(text.size()));
    const QStringView view(text);
    for (qsizetype i = 0; i < view.size(); ++i) {
        const QChar c = view.at(i);
        if (c == u'{') {
            if (const KeyNameTable::Entry* entry = KeyNameTable::match(view.mid(i + 1))) {
                keys.push_back({KeyToken::Kind::NamedKey, entry->keysym, 0, entry->keysymName});
                i += static_cast<qsizetype>(std::strlen(entry->name)) + 1;
                continue;
            }
        } else if (const KeyNameTable::Entry* modifier = KeyNameTable::modifierOf(c)) {
            keys.push_back({KeyToken::Kind::Modifier, modifier->keysym, 0, modifier->keysymName});
            continue;
        }
        char32_t character = c.unicode();
        if (c.isHighSurrogate() && i + 1 < view.size() && view.at(i + 1).isLowSurrogate()) {
            character = QChar::surrogateToUcs4(c, view.at(i + 1));
            ++i;
        }
        const KeyToken token = KeyToken::ofCharacter(character);
        if (token.keysym != 0) {
            keys.push_back(token);
        }
    }
    return keys;
}

void typeText(const QString& text, Keyboard& keyboard) {
    const std::vector<KeyToken> keys = keyTokensOf(text);
    if (!keys.empty()) {
        keyboard.typeKeys(keys);
    }
}

} // namespace KeyTokenizer
