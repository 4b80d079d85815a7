#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QString>
#include <QVariantMap>

#include <memory>

struct DBusMessage;

// Announces changed properties of one object with org.freedesktop.DBus.Properties'
// PropertiesChanged, on a connection that QtDBus owns. QtDBus hands every message to its own
// connection thread, and waking that thread cost more than building and writing the message; a
// device streaming a hundred values a second paid it a hundred times a second. libdbus, which
// that connection runs on, is safe to use from any thread and writes the message at once when
// the socket takes it; what it cannot write yet it leaves to QtDBus's watch on the socket.
class PropertiesChangedSender {
public:
    PropertiesChangedSender(const QDBusConnection& connection, const QString& objectPath);
    ~PropertiesChangedSender();

    // The values are texts, doubles or 64-bit integers. False when the signal could not be
    // built (another type, no memory) or the bus is gone.
    bool send(const QString& interface, const QVariantMap& changed) const;

private:
    struct MessageRelease {
        void operator()(DBusMessage* message) const;
    };

    QDBusConnection m_connection;
    // The signal without arguments.
    std::unique_ptr<DBusMessage, MessageRelease> m_header;
};
