// A configuration file and kelvane.ini: parsed, read into the settings, changed and written.
#include "FuzzInput.h"
#include "base/config/ConfigurationFile.h"
#include "base/config/Settings.h"
#include "base/files/IniDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    IniDocument document = IniDocument::fromBytes(FuzzInput::bytes(data, size));
    Settings settings;
    ConfigurationFile::read(document, document, settings);
    (void)settings.selectedApplicationName();
    for (const QString& section : {QStringLiteral("Port settings"), QStringLiteral("Anwendung")}) {
        for (const QString& key : document.keys(section)) {
            document.setValue(section, key, document.value(section, key, {}) + QStringLiteral("x"));
        }
    }
    document.setValue(QStringLiteral("Mode"), QStringLiteral("modus"), QStringLiteral("TIMER"));
    const IniDocument again = IniDocument::fromBytes(document.toBytes());
    (void)again.value(QStringLiteral("Mode"), QStringLiteral("modus"), {});
    return 0;
}
