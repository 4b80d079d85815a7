#include "base/dbus/BusNames.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

namespace BusNames {

namespace {

bool isNameCharacter(QChar c, bool dashAllowed) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
           (dashAllowed && c == u'-');
}

} // namespace

QString serviceName() {
    QString name = QCoreApplication::applicationName();
    if (name.isEmpty()) {
        name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    }
    if (name.isEmpty()) {
        name = QStringLiteral("kelvane");
    }
    for (QChar& c : name) {
        if (!isNameCharacter(c, true)) {
            c = u'_';
        }
    }
    if (name.front().isDigit()) {
        name.prepend(u'_');
    }
    // A bus name holds at most 255 characters.
    name.truncate(243);
    return QStringLiteral("org.kelvane.") + name;
}

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
    for (const QString& element : path.mid(1).split(u'/')) {
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

} // namespace BusNames
