#include "base/files/IniFile.h"

#include "base/files/IniDocument.h"

namespace IniFile {

QString read(const QString& file, const QString& section, const QString& key, const QString& defaultValue) {
    return IniDocument::fromFile(file).value(section, key, defaultValue);
}

bool write(const QString& file, const QString& section, const QString& key, const QString& value) {
    IniDocument document = IniDocument::fromFile(file);
    document.setValue(section, key, value);
    return document.save(file);
}

} // namespace IniFile
