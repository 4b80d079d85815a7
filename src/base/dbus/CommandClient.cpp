#include "base/dbus/CommandClient.h"

#include "base/config/Settings.h"
#include "base/dbus/BusNames.h"
#include "base/interfaces/Dialogs.h"
#include "base/texts/LanguageTable.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>

namespace {

// Sends Execute and waits for the answer; an invalid error when the partner took the command.
QDBusError execute(const QString& service, const QString& path, const QString& command, int timeoutMs) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, BusNames::Interface, QStringLiteral("Execute"));
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

QString objectPathOf(const QString& objectPath) {
    return u'/' + objectPath;
}

} // namespace

namespace CommandClient {

QString targetProblem(const QString& busName, const QString& objectPath) {
    // The bus library aborts the program on a malformed name instead of reporting it.
    if (!BusNames::isValidBusName(busName)) {
        return languageText(TextKey::InvalidBusName).arg(busName);
    }
    if (!BusNames::isValidObjectPath(objectPathOf(objectPath))) {
        return languageText(TextKey::InvalidObjectPath).arg(objectPath);
    }
    return {};
}

Outcome execute(const Settings& settings, Dialogs& dialogs, int timeoutMs) {
    if (!targetProblem(settings.busName, settings.objectPath).isEmpty()) {
        return Outcome::InvalidTarget;
    }
    const QDBusError error =
        ::execute(settings.busName, objectPathOf(settings.objectPath), settings.busCommand, timeoutMs);
    if (!error.isValid() || error.type() == QDBusError::NoReply || error.type() == QDBusError::Timeout) {
        return Outcome::Done;
    }
    // A bus error has a name where a DDE error had a number; it stands where the number stood.
    const QString question = error.message() + error.name() + QStringLiteral("\r       Programm beenden?");
    return dialogs.askYesNo(question) == Dialogs::Answer::Yes ? Outcome::EndProgram : Outcome::Done;
}

} // namespace CommandClient
