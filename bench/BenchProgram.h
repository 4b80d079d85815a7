#pragma once

#include "core/MainController.h"
#include "core/MainCycle.h"
#include "core/ProgramDirectory.h"
#include "settings/ConfigurationFile.h"
#include "settings/IniDocument.h"
#include "shell/HeadlessDialogs.h"
#include "shell/HeadlessMainView.h"

#include <QTemporaryDir>

// Kelvane's logic in this process, silent, in a temporary program directory, delivering every
// value to a text file.
struct BenchProgram {
    // target: the [Anwendung] keys; by default every value is a line of a text file.
    explicit BenchProgram(
        const QByteArray& portSettings,
        const QByteArray& target = "Anwendung=Text-Datei\nTextFile=values.txt\nFormat={Value}\n")
        : dialogs(dir.path(), nullptr), controller(view, dialogs), cycle(controller) {
        ProgramDirectory::set(dir.path());
        IniDocument kelvaneIni;
        kelvaneIni.setValue(QStringLiteral("waittime"), QStringLiteral("m_waittime"), QStringLiteral("1"));
        kelvaneIni.save(dir.filePath(QStringLiteral("kelvane.ini")));
        IniDocument language;
        language.setValue(QStringLiteral("SPRACHE"), QStringLiteral("aktuell"), QStringLiteral("ENGLISH"));
        language.setValue(QStringLiteral("ENGLISH"), QStringLiteral("TextMesswert"), QStringLiteral("Value"));
        language.save(dir.filePath(QStringLiteral("language.ini")));
        Settings settings;
        ConfigurationFile::read(
            IniDocument::fromBytes(portSettings + "[Mode]\nmodus=PRINT\n[Anwendung]\n" + target),
            IniDocument(), settings);
        ConfigurationFile::save(settings, dir.filePath(QStringLiteral("standard.cfg")));
    }
    QTemporaryDir dir;
    HeadlessMainView view{qEnvironmentVariableIsSet("BENCH_VERBOSE") ? stderr : nullptr};
    HeadlessDialogs dialogs;
    MainController controller;
    MainCycle cycle;
};
