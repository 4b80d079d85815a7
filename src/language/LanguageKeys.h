#pragma once

#include <QString>
#include <QStringList>

namespace LanguageKeys {

// Every text key of the language file, in the order the texts are read.
const QStringList& all();

// What a key shows when the language file has no text for it.
QString defaultText(const QString& key);

} // namespace LanguageKeys
