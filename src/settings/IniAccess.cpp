#include "settings/IniAccess.h"

#include "settings/IniDocument.h"

QString ReadIniValue(const QString& section, const QString& key, const QString& defaultValue,
                     const QString& file) {
    return IniDocument::fromFile(file).value(section, key, defaultValue);
}

bool WriteIniValue(const QString& section, const QString& key, const QString& value, const QString& file) {
    IniDocument document = IniDocument::fromFile(file);
    document.setValue(section, key, value);
    return document.save(file);
}
