#include "output/DdeSource.h"

#include "core/MainCycle.h"
#include "output/DdeConnection.h"
#include "settings/NumberText.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QFileInfo>
#include <QStringList>
#include <QVariantMap>

#include <cmath>

namespace {

struct Item {
    const char* name;
    QString MainController::DdeItems::*field;
};

constexpr Item Items[] = {
    {"DDESTRING", &MainController::DdeItems::DDESTRING}, {"DDEValue", &MainController::DdeItems::DDEValue},
    {"DDESign", &MainController::DdeItems::DDESign},     {"DDEUnit", &MainController::DdeItems::DDEUnit},
    {"DDEDirect", &MainController::DdeItems::DDEDirect},
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

DdeSource::DdeSource(MainController& controller, MainCycle& cycle, const QDBusConnection& connection,
                     QObject* parent)
    : QObject(parent), m_controller(controller), m_connection(connection), m_published(controller.dde) {
    connectToProgram(cycle);
    offer();
}

DdeSource::~DdeSource() {
    if (m_offered) {
        m_connection.unregisterService(serviceName());
        m_connection.unregisterObject(ObjectPath);
    }
}

void DdeSource::connectToProgram(MainCycle& cycle) {
    // The items are plain fields that the cycle, the delivery and the buttons write; these are
    // the moments after which they may differ. Slots run in the order they were connected, so
    // each check follows the work connected before it (the cycle's tick, the delivery).
    connect(&m_controller, &MainController::tick, this, &DdeSource::publishChanges);
    connect(&m_controller, &MainController::deliveryRequested, this, &DdeSource::publishChanges);
    connect(&m_controller, &MainController::ddeCommandRequested, this, &DdeSource::publishChanges);
    connect(&cycle, &MainCycle::transferred, this, &DdeSource::publishChanges);
}

QString DdeSource::serviceName() {
    QString name = QCoreApplication::applicationName();
    if (name.isEmpty()) {
        name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    }
    if (name.isEmpty()) {
        name = QStringLiteral("kelvane");
    }
    for (QChar& c : name) {
        const bool allowed = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                             (c >= u'0' && c <= u'9') || c == u'_' || c == u'-';
        if (!allowed) {
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

void DdeSource::offer() {
    if (!m_connection.isConnected()) {
        qWarning("kelvane: no D-Bus session bus (%s); other programs cannot read the values",
                 qPrintable(m_connection.lastError().message()));
        return;
    }
    if (!m_connection.registerObject(ObjectPath, this,
                                     QDBusConnection::ExportScriptableSlots |
                                         QDBusConnection::ExportScriptableProperties)) {
        qWarning("kelvane: the D-Bus object %s cannot be registered; other programs cannot read the values",
                 qPrintable(ObjectPath));
        return;
    }
    if (!m_connection.registerService(serviceName())) {
        qWarning(
            "kelvane: the D-Bus name %s cannot be registered (%s); other programs cannot read the values",
            qPrintable(serviceName()), qPrintable(m_connection.lastError().message()));
        m_connection.unregisterObject(ObjectPath);
        return;
    }
    m_offered = true;
}

void DdeSource::publishChanges() {
    QVariantMap changed;
    for (const Item& item : Items) {
        const QString& current = m_controller.dde.*item.field;
        QString& published = m_published.*item.field;
        if (current != published) {
            published = current;
            changed.insert(QLatin1String(item.name), current);
        }
    }
    if (changed.isEmpty() || !m_offered) {
        return;
    }
    // QtDBus does not announce property changes by itself.
    QDBusMessage signal = QDBusMessage::createSignal(
        ObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    signal << DdeConnection::Interface << changed << QStringList();
    m_connection.send(signal);
}

int DdeSource::buttonIndex(const QString& command) {
    const double number = NumberText::leadingNumber(command);
    if (!(number > 0.0 && number <= ButtonCount)) {
        return 0;
    }
    return static_cast<int>(roundHalfToEven(number));
}

void DdeSource::Execute(const QString& command) {
    // The answer goes out before the button acts: a button may end the program or wait for
    // the device, and the client must not wait for that.
    if (calledFromDBus()) {
        sendErrorReply(DdeConnection::RefusedError, QStringLiteral("Execute commands are always refused"));
    }
    // A command below 0.5 rounds to 0, which names no button: nothing happens.
    const int index = buttonIndex(command);
    if (index > 0) {
        m_controller.Command5_Click(index);
    }
    publishChanges();
}
