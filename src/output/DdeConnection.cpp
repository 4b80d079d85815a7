#include "output/DdeConnection.h"

#include "core/Dialogs.h"
#include "core/MainController.h"
#include "settings/IniAccess.h"
#include "settings/Settings.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <QStringList>

namespace {

const QString Section = QStringLiteral("DDECONN");

bool isNameCharacter(QChar c, bool dashAllowed) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
           (dashAllowed && c == u'-');
}

// The bus's rules for a bus name: a unique name (":1.42") or a well-known one of at least two
// dot-separated elements that do not begin with a digit.
bool isValidBusName(const QString& name) {
    if (name.isEmpty() || name.size() > 255) {
        return false;
    }
    const bool unique = name.startsWith(u':');
    const QStringList elements = name.mid(unique ? 1 : 0).split(u'.');
    if (elements.size() < 2) {
        return false;
    }
    for (const QString& element : elements) {
        if (element.isEmpty() || (!unique && element.front().isDigit())) {
            return false;
        }
        for (const QChar c : element) {
            if (!isNameCharacter(c, true)) {
                return false;
            }
        }
    }
    return true;
}

bool isValidObjectPath(const QString& path) {
    if (path == QLatin1String("/")) {
        return true;
    }
    if (!path.startsWith(u'/') || path.endsWith(u'/')) {
        return false;
    }
    const QStringList elements = path.mid(1).split(u'/');
    for (const QString& element : elements) {
        if (element.isEmpty()) {
            return false;
        }
        for (const QChar c : element) {
            if (!isNameCharacter(c, false)) {
                return false;
            }
        }
    }
    return true;
}

// Sends Execute and waits for the answer; an invalid error when the partner took the command.
QDBusError execute(const QString& service, const QString& path, const QString& command, int timeoutMs) {
    // The bus library aborts the program on a malformed name instead of reporting it.
    if (!isValidBusName(service)) {
        return QDBusError(QDBusError::InvalidService, QStringLiteral("Invalid service name: ") + service);
    }
    if (!isValidObjectPath(path)) {
        return QDBusError(QDBusError::InvalidObjectPath, QStringLiteral("Invalid object path: ") + path);
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, DdeConnection::Interface, QStringLiteral("Execute"));
    call << command;

    // The partner typically reads this program's items while it runs the command, so events
    // (and the bus calls among them) keep running while the answer is awaited.
    const QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(call, timeoutMs);
    QDBusPendingCallWatcher watcher(pending);
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
    if (!watcher.isFinished()) {
        loop.exec();
    }
    return watcher.error();
}

} // namespace

void DDE_Verbindung(MainController& controller, int timeoutMs) {
    const Settings& settings = controller.settings();
    const QDBusError error = execute(settings.anwend, u'/' + settings.topic, settings.befehl, timeoutMs);
    if (!error.isValid() || error.type() == QDBusError::NoReply || error.type() == QDBusError::Timeout) {
        return;
    }
    // A bus error has a name where a DDE error has a number; it follows the description
    // directly, as the number did.
    const QString question = error.message() + error.name() + QStringLiteral("\r       Programm beenden?");
    if (controller.dialogs().askYesNo(question) == Dialogs::Answer::Yes) {
        controller.quitMenu();
    }
}

void Verbfile_lesen(Settings& settings) {
    const QString& file = settings.ConfigFilePath;
    settings.anwend = ReadIniValue(Section, QStringLiteral("anwend"), QStringLiteral("Excel"), file);
    settings.topic = ReadIniValue(Section, QStringLiteral("topic"), QStringLiteral("System"), file);
    settings.befehl = ReadIniValue(Section, QStringLiteral("befehl"), QString(), file);
}

bool Verbfile_schreiben(const Settings& settings) {
    const QString& file = settings.ConfigFilePath;
    bool written = WriteIniValue(Section, QStringLiteral("anwend"), settings.anwend, file);
    written = WriteIniValue(Section, QStringLiteral("topic"), settings.topic, file) && written;
    written = WriteIniValue(Section, QStringLiteral("befehl"), settings.befehl, file) && written;
    return written;
}
