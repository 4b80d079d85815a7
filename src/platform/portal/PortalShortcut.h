#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

// One shortcut as the GlobalShortcuts portal passes it over D-Bus, (sa{sv}): its id and its
// properties (description, preferred_trigger; trigger_description in answers).
struct PortalShortcut {
    QString id;
    QVariantMap properties;

    // Makes the type and its list known to QtDBus; needed once before the first call or export.
    static void registerTypes();
};

using PortalShortcutList = QList<PortalShortcut>;

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut);
const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut);

Q_DECLARE_METATYPE(PortalShortcut)
