#include "platform/portal/PortalShortcut.h"

#include <QDBusMetaType>
#include <QDBusObjectPath>

void PortalShortcut::registerTypes() {
    // QtDBus finds the types of a signal's slot by name, which needs them registered; nothing
    // else in the program may have used an object path yet.
    qRegisterMetaType<QDBusObjectPath>();
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<PortalShortcutList>();
}

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}
