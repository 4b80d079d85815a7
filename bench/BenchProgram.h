#pragma once

#include "app/HeadlessDialogs.h"
#include "app/HeadlessMainView.h"
#include "base/config/ConfigurationFile.h"
#include "base/files/IniDocument.h"
#include "base/files/ProgramDirectory.h"
#include "base/session/ProgramSession.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

// Kelvane's program in this process, silent, in a temporary program directory, delivering every
// value to a text file unless told otherwise.
struct BenchProgram {
    // target: the [Anwendung] keys; by default every value is a line of a text file.
    explicit BenchProgram(
        const QByteArray& portSettings,
        const QByteArray& target = "Anwendung=Text-Datei\nTextFile=values.txt\nFormat={Value}\n",
        const ProgramSession::Desktop& desktop = {})
        : dialogs(prepare(dir, portSettings, target), nullptr), session(view, dialogs, desktop) {}

    // The program directory with kelvane.ini, a language file with the value and unit tokens, and
    // standard.cfg.
    static QString prepare(const QTemporaryDir& dir, const QByteArray& portSettings,
                           const QByteArray& target) {
        ProgramDirectory::set(dir.path());
        IniDocument kelvaneIni;
        kelvaneIni.setValue(QStringLiteral("waittime"), QStringLiteral("m_waittime"), QStringLiteral("1"));
        kelvaneIni.save(dir.filePath(QStringLiteral("kelvane.ini")));
        IniDocument language;
        language.setValue(QStringLiteral("SPRACHE"), QStringLiteral("aktuell"), QStringLiteral("ENGLISH"));
        language.setValue(QStringLiteral("ENGLISH"), QStringLiteral("TextMesswert"), QStringLiteral("Value"));
        language.setValue(QStringLiteral("ENGLISH"), QStringLiteral("TextEinheit"), QStringLiteral("Unit"));
        language.save(dir.filePath(QStringLiteral("language.ini")));
        Settings settings;
        ConfigurationFile::read(
            IniDocument::fromBytes(portSettings + "[Mode]\nmodus=PRINT\n[Anwendung]\n" + target),
            IniDocument(), settings);
        ConfigurationFile::save(settings, dir.filePath(QStringLiteral("standard.cfg")));
        return dir.path();
    }

    // The TCP port a kelvane-devsim started with "--tcp 0" announces; 0 when it does not.
    static quint16 simulatorPort(QProcess& device) {
        QByteArray output;
        const QRegularExpression line(QStringLiteral("tcp: 127\\.0\\.0\\.1:(\\d+)\\n"));
        for (int i = 0; i < 100; ++i) {
            device.waitForReadyRead(100);
            output += device.readAllStandardOutput();
            const auto match = line.match(QString::fromUtf8(output));
            if (match.hasMatch()) {
                return static_cast<quint16>(match.captured(1).toUInt());
            }
        }
        return 0;
    }

    QTemporaryDir dir;
    HeadlessMainView view{qEnvironmentVariableIsSet("BENCH_VERBOSE") ? stderr : nullptr};
    HeadlessDialogs dialogs;
    ProgramSession session;
};
