#include "base/dbus/ValuePublisher.h"

#include "base/dbus/BusNames.h"
#include "base/texts/NumberText.h"

#include <QVariantMap>

#include <cmath>

namespace {

struct Item {
    const char* name;
    QString PublishedValues::*field;
};

constexpr Item Items[] = {
    {"DDESTRING", &PublishedValues::outputText}, {"DDEValue", &PublishedValues::value},
    {"DDESign", &PublishedValues::sign},         {"DDEUnit", &PublishedValues::unit},
    {"DDEDirect", &PublishedValues::record},
};

constexpr int ButtonCount = 16;

double roundHalfToEven(double value) {
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction > 0.5) {
        return lower + 1.0;
    }
    if (fraction < 0.5) {
        return lower;
    }
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

} // namespace

ValuePublisher::ValuePublisher(const PublishedValues& values, const QDBusConnection& connection,
                               QObject* parent)
    : QObject(parent), m_values(values), m_connection(connection),
      m_changes(connection, BusNames::ObjectPath), m_published(values) {
    offer();
}

ValuePublisher::~ValuePublisher() {
    if (m_offered) {
        m_connection.unregisterService(BusNames::serviceName());
        m_connection.unregisterObject(BusNames::ObjectPath);
    }
}

void ValuePublisher::offer() {
    if (!m_connection.isConnected()) {
        qWarning("kelvane: no D-Bus session bus (%s); other programs cannot read the values",
                 qPrintable(m_connection.lastError().message()));
        return;
    }
    if (!m_connection.registerObject(BusNames::ObjectPath, this,
                                     QDBusConnection::ExportScriptableSlots |
                                         QDBusConnection::ExportScriptableProperties |
                                         QDBusConnection::ExportAdaptors)) {
        qWarning("kelvane: the D-Bus object %s cannot be registered; other programs cannot read the values",
                 qPrintable(BusNames::ObjectPath));
        return;
    }
    if (!m_connection.registerService(BusNames::serviceName())) {
        qWarning(
            "kelvane: the D-Bus name %s cannot be registered (%s); other programs cannot read the values",
            qPrintable(BusNames::serviceName()), qPrintable(m_connection.lastError().message()));
        m_connection.unregisterObject(BusNames::ObjectPath);
        return;
    }
    m_offered = true;
}

void ValuePublisher::publishChanges() {
    QVariantMap changed;
    for (const Item& item : Items) {
        const QString& current = m_values.*item.field;
        QString& published = m_published.*item.field;
        if (current != published) {
            published = current;
            changed.insert(QLatin1String(item.name), current);
        }
    }
    announce(BusNames::Interface, changed);
}

void ValuePublisher::announce(const QString& interface, const QVariantMap& changed) {
    if (changed.isEmpty() || !m_offered) {
        return;
    }
    // QtDBus does not announce property changes by itself.
    if (!m_changes.send(interface, changed) && !m_announcementFailed) {
        m_announcementFailed = true;
        qWarning("kelvane: a change of the D-Bus properties of %s could not be announced",
                 qPrintable(interface));
    }
}

int ValuePublisher::buttonNumber(const QString& command) {
    const double number = NumberText::leadingNumber(command);
    if (!(number > 0.0 && number <= ButtonCount)) {
        return 0;
    }
    return static_cast<int>(roundHalfToEven(number));
}

void ValuePublisher::Execute(const QString& command) {
    // The answer goes out before the button acts: a button may end the program or wait for
    // the device, and the client must not wait for that.
    if (calledFromDBus()) {
        sendErrorReply(BusNames::RefusedError, QStringLiteral("Execute commands are always refused"));
    }
    // A command below 0.5 rounds to 0, which names no button: nothing happens.
    const int number = buttonNumber(command);
    if (number > 0) {
        Q_EMIT buttonRequested(number);
    }
    publishChanges();
}
