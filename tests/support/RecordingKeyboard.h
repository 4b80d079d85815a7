#pragma once

#include "base/interfaces/Keyboard.h"

#include <QString>

#include <functional>
#include <vector>

// A keyboard for tests: keeps every burst of keys instead of pressing them.
class RecordingKeyboard : public Keyboard {
public:
    void typeKeys(const std::vector<KeyToken>& keys) override {
        bursts.push_back(keys);
        if (onType) {
            onType();
        }
    }

    // All keys typed so far: characters as themselves, other keys as "<keysym name>".
    QString typed() const {
        QString text;
        for (const auto& burst : bursts) {
            for (const KeyToken& key : burst) {
                text += describe(key);
            }
        }
        return text;
    }

    static QString describe(const KeyToken& key) {
        if (key.kind == KeyToken::Kind::Character) {
            const char32_t character = key.character;
            return QString::fromUcs4(&character, 1);
        }
        return u'<' + QLatin1String(key.keysymName) + u'>';
    }

    std::vector<std::vector<KeyToken>> bursts;
    // Runs after each burst, so that tests can see what else had happened by then.
    std::function<void()> onType;
};
