#include "base/dbus/PropertiesChangedSender.h"

#include <dbus/dbus.h>
#include <poll.h>

void PropertiesChangedSender::MessageRelease::operator()(DBusMessage* message) const {
    dbus_message_unref(message);
}

namespace {

bool appendText(DBusMessageIter* iter, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    const char* data = utf8.constData();
    return dbus_message_iter_append_basic(iter, DBUS_TYPE_STRING, &data);
}

// One value of a basic D-Bus type, wrapped in a variant.
bool appendInVariant(DBusMessageIter* iter, int type, const void* value) {
    const char signature[] = {static_cast<char>(type), '\0'};
    DBusMessageIter variant;
    if (!dbus_message_iter_open_container(iter, DBUS_TYPE_VARIANT, signature, &variant)) {
        return false;
    }
    if (!dbus_message_iter_append_basic(&variant, type, value)) {
        dbus_message_iter_abandon_container(iter, &variant);
        return false;
    }
    return dbus_message_iter_close_container(iter, &variant);
}

bool appendVariant(DBusMessageIter* iter, const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QString: {
        const QByteArray utf8 = value.toString().toUtf8();
        const char* data = utf8.constData();
        return appendInVariant(iter, DBUS_TYPE_STRING, &data);
    }
    case QMetaType::Double: {
        const double number = value.toDouble();
        return appendInVariant(iter, DBUS_TYPE_DOUBLE, &number);
    }
    case QMetaType::LongLong: {
        const dbus_int64_t number = value.toLongLong();
        return appendInVariant(iter, DBUS_TYPE_INT64, &number);
    }
    default:
        return false;
    }
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

DBusConnection* PropertiesChangedSender::connection() const {
    // Null once QtDBus has let go of a lost bus; a connection that is closed drops what it gets.
    return static_cast<DBusConnection*>(m_connection.internalPointer());
}

bool PropertiesChangedSender::send(const QString& interface, const QVariantMap& changed) {
    if (!connection() || !m_header) {
        return false;
    }
    // A copy of the header made once: a new signal checks its path and names every time.
    Message message(dbus_message_copy(m_header.get()));
    if (!message || !appendArguments(message.get(), interface, changed)) {
        return false;
    }
    m_waiting.push_back(std::move(message));
    writeWaiting();
    return true;
}

void PropertiesChangedSender::writeWaiting() {
    DBusConnection* const bus = connection();
    int socket = -1;
    if (!bus || !dbus_connection_get_unix_fd(bus, &socket)) {
        // The bus is gone, and what waited for it with it.
        m_waiting.clear();
        m_writable.reset();
        return;
    }
    // A socket that polls writable has three quarters of its buffer free, far more than an
    // announcement, so libdbus writes it whole and leaves QtDBus's watch alone.
    const auto hasRoom = [socket] {
        pollfd state{socket, POLLOUT, 0};
        return ::poll(&state, 1, 0) == 1 && (state.revents & POLLOUT) != 0;
    };
    while (!m_waiting.empty() && hasRoom()) {
        dbus_connection_send(bus, m_waiting.front().get(), nullptr);
        m_waiting.pop_front();
    }
    // libdbus also keeps a message when QtDBus's thread is reading from the socket just then;
    // nobody would write it before the next announcement. The flush reads what has arrived as
    // well, and QtDBus is told to dispatch that in its own thread.
    if (m_waiting.empty() && dbus_connection_has_messages_to_send(bus) && hasRoom()) {
        dbus_connection_flush(bus);
    }
    const bool wait = !m_waiting.empty();
    if (wait && !m_writable) {
        m_writable.emplace(socket, QSocketNotifier::Write);
        QObject::connect(&*m_writable, &QSocketNotifier::activated, &*m_writable, [this] { writeWaiting(); });
    }
    if (m_writable) {
        m_writable->setEnabled(wait);
    }
}
