#include "base/dbus/PropertiesChangedSender.h"

#include <dbus/dbus.h>

void PropertiesChangedSender::MessageRelease::operator()(DBusMessage* message) const {
    dbus_message_unref(message);
}

namespace {

bool appendText(DBusMessageIter* iter, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    const char* data = utf8.constData();
    return dbus_message_iter_append_basic(iter, DBUS_TYPE_STRING, &data);
}

bool appendVariant(DBusMessageIter* iter, const QVariant& value) {
    const char* signature = nullptr;
    switch (value.typeId()) {
    case QMetaType::QString:
        signature = DBUS_TYPE_STRING_AS_STRING;
        break;
    case QMetaType::Double:
        signature = DBUS_TYPE_DOUBLE_AS_STRING;
        break;
    case QMetaType::LongLong:
        signature = DBUS_TYPE_INT64_AS_STRING;
        break;
    default:
        return false;
    }
    DBusMessageIter variant;
    if (!dbus_message_iter_open_container(iter, DBUS_TYPE_VARIANT, signature, &variant)) {
        return false;
    }
    bool appended = false;
    if (value.typeId() == QMetaType::QString) {
        appended = appendText(&variant, value.toString());
    } else if (value.typeId() == QMetaType::Double) {
        const double number = value.toDouble();
        appended = dbus_message_iter_append_basic(&variant, DBUS_TYPE_DOUBLE, &number);
    } else {
        const dbus_int64_t number = value.toLongLong();
        appended = dbus_message_iter_append_basic(&variant, DBUS_TYPE_INT64, &number);
    }
    if (!appended) {
        dbus_message_iter_abandon_container(iter, &variant);
        return false;
    }
    return dbus_message_iter_close_container(iter, &variant);
}

// The arguments (s interface, a{sv} changed, as invalidated); nothing is ever invalidated.
bool appendArguments(DBusMessage* message, const QString& interface, const QVariantMap& changed) {
    DBusMessageIter arguments;
    dbus_message_iter_init_append(message, &arguments);
    DBusMessageIter properties;
    if (!appendText(&arguments, interface) ||
        !dbus_message_iter_open_container(&arguments, DBUS_TYPE_ARRAY, "{sv}", &properties)) {
        return false;
    }
    for (auto it = changed.cbegin(); it != changed.cend(); ++it) {
        DBusMessageIter entry;
        if (!dbus_message_iter_open_container(&properties, DBUS_TYPE_DICT_ENTRY, nullptr, &entry)) {
            dbus_message_iter_abandon_container(&arguments, &properties);
            return false;
        }
        if (!appendText(&entry, it.key()) || !appendVariant(&entry, it.value()) ||
            !dbus_message_iter_close_container(&properties, &entry)) {
            dbus_message_iter_abandon_container(&properties, &entry);
            dbus_message_iter_abandon_container(&arguments, &properties);
            return false;
        }
    }
    DBusMessageIter invalidated;
    return dbus_message_iter_close_container(&arguments, &properties) &&
           dbus_message_iter_open_container(&arguments, DBUS_TYPE_ARRAY, DBUS_TYPE_STRING_AS_STRING,
                                            &invalidated) &&
           dbus_message_iter_close_container(&arguments, &invalidated);
}

} // namespace

PropertiesChangedSender::PropertiesChangedSender(const QDBusConnection& connection, const QString& objectPath)
    : m_connection(connection),
      m_header(dbus_message_new_signal(objectPath.toUtf8().constData(), "org.freedesktop.DBus.Properties",
                                       "PropertiesChanged")) {}

PropertiesChangedSender::~PropertiesChangedSender() = default;

bool PropertiesChangedSender::send(const QString& interface, const QVariantMap& changed) const {
    // Null once QtDBus has let go of a lost bus; a connection that is closed drops the message.
    auto* connection = static_cast<DBusConnection*>(m_connection.internalPointer());
    if (!connection || !m_header) {
        return false;
    }
    // A copy of the header made once: a new signal checks its path and names every time.
    const std::unique_ptr<DBusMessage, MessageRelease> message(dbus_message_copy(m_header.get()));
    return message && appendArguments(message.get(), interface, changed) &&
           dbus_connection_send(connection, message.get(), nullptr);
}
