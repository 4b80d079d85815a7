#include "support/ProgramFolder.h"

#include "base/config/ConfigurationFile.h"
#include "base/files/IniDocument.h"
#include "base/files/ProgramDirectory.h"
#include "support/TestFiles.h"

#include <QFile>

ProgramFolder::ProgramFolder(bool withLanguageFile) {
    if (withLanguageFile) {
        QFile::copy(TestFiles::sourceDataDir() + QStringLiteral("/language.ini"),
                    file(QStringLiteral("language.ini")));
    }
    ProgramDirectory::set(m_dir.path());
}

void ProgramFolder::writeConfiguration(const QString& name, const QByteArray& keys) const {
    Settings settings;
    ConfigurationFile::read(IniDocument::fromBytes(keys), IniDocument(), settings);
    ConfigurationFile::save(settings, file(name));
}
