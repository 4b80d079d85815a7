#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QSocketNotifier>
#include <QString>
#include <QVariantMap>

#include <deque>
#include <memory>
#include <optional>

struct DBusConnection;
struct DBusMessage;

// Announces changed properties of one object with org.freedesktop.DBus.Properties'
// PropertiesChanged, on a connection that QtDBus owns. QtDBus hands every message to its own
// connection thread, and waking that thread cost more than building and writing the message; a
// device streaming a hundred values a second paid it a hundred times a second. libdbus, which
// that connection runs on, is safe to use from any thread, so the announcement is written here.
//
// libdbus keeps what the socket does not take and tells QtDBus's socket watch to write it
// later; QtDBus only lets its own thread change that watch. So an announcement is written only
// while the socket has ample room; otherwise it waits here, in order, and goes when the socket
// can take it again (a bus daemon that is busy or stopped). No announcement is dropped.
class PropertiesChangedSender {
public:
    PropertiesChangedSender(const QDBusConnection& connection, const QString& objectPath);
    ~PropertiesChangedSender();

    // The values are texts, doubles or 64-bit integers. False when the signal could not be
    // built (another type, no memory) or the bus is gone.
    bool send(const QString& interface, const QVariantMap& changed);

private:
    struct MessageRelease {
        void operator()(DBusMessage* message) const;
    };
    using Message = std::unique_ptr<DBusMessage, MessageRelease>;

    DBusConnection* connection() const;
    // Writes the waiting announcements the socket has room for; watches it for the rest.
    void writeWaiting();

    QDBusConnection m_connection;
    // The signal without arguments.
    Message m_header;
    std::deque<Message> m_waiting;
    std::optional<QSocketNotifier> m_writable;
};
