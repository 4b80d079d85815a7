#pragma once

#include "base/dbus/PropertiesChangedSender.h"
#include "base/delivery/PublishedValues.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QVariantMap>

// The current value on the D-Bus session bus: the bus name "org.kelvane." + the executable name
// offers the object /Kelvane with the five texts as read-only properties, and the execute
// command that presses the main window's buttons. Whoever may have changed the values calls
// publishChanges(), which announces the changed ones with PropertiesChanged. Without a session
// bus nothing is offered and nothing else changes. Adaptors made its children add interfaces to
// the object.
class ValuePublisher : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kelvane.Dde")
    Q_PROPERTY(QString DDESTRING READ outputText)
    Q_PROPERTY(QString DDEValue READ value)
    Q_PROPERTY(QString DDESign READ sign)
    Q_PROPERTY(QString DDEUnit READ unit)
    Q_PROPERTY(QString DDEDirect READ record)
public:
    explicit ValuePublisher(const PublishedValues& values,
                            const QDBusConnection& connection = QDBusConnection::sessionBus(),
                            QObject* parent = nullptr);
    ~ValuePublisher() override;

    // Whether the bus name and the object are registered.
    bool isOffered() const { return m_offered; }
    // Announces changed properties of one of the object's interfaces.
    void announce(const QString& interface, const QVariantMap& changed);

    // Announces the values that differ from the last announcement, in one signal.
    void publishChanges();

    // The button an execute command names: its leading number when that lies in 0 < N <= 16,
    // rounded half to even; 0 when it names none.
    static int buttonNumber(const QString& command);

    QString outputText() const { return m_values.outputText; }
    QString value() const { return m_values.value; }
    QString sign() const { return m_values.sign; }
    QString unit() const { return m_values.unit; }
    QString record() const { return m_values.record; }

Q_SIGNALS:
    // An execute command names button 1 to 8, or a device command button 9 to 16.
    void buttonRequested(int number);

public Q_SLOTS:
    // Every command is answered as refused, then the button it names is pressed.
    Q_SCRIPTABLE void Execute(const QString& command);

private:
    void offer();

    const PublishedValues& m_values;
    QDBusConnection m_connection;
    PropertiesChangedSender m_changes;
    PublishedValues m_published;
    bool m_offered = false;
    // Said once: a bus that refuses one announcement refuses the next hundred.
    bool m_announcementFailed = false;
};
