#pragma once

#include "core/MainController.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>

class MainCycle;

// The main window's DDE source on the D-Bus session bus: the bus name "org.kelvane." + the
// executable name offers the object /Kelvane with the five text items as read-only properties
// and the execute command that presses the main window's buttons. Whenever the main cycle, a
// delivery or an execute command may have written the items, the changed ones are announced
// with PropertiesChanged. Without a session bus the source is absent and nothing else changes.
class DdeSource : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kelvane.Dde")
    Q_PROPERTY(QString DDESTRING READ ddeString)
    Q_PROPERTY(QString DDEValue READ ddeValue)
    Q_PROPERTY(QString DDESign READ ddeSign)
    Q_PROPERTY(QString DDEUnit READ ddeUnit)
    Q_PROPERTY(QString DDEDirect READ ddeDirect)
public:
    static inline const QString ObjectPath = QStringLiteral("/Kelvane");

    // Must be created after cycle, so that its check after each tick follows the tick's work.
    DdeSource(MainController& controller, MainCycle& cycle,
              const QDBusConnection& connection = QDBusConnection::sessionBus(), QObject* parent = nullptr);
    ~DdeSource() override;

    // "org.kelvane." + the executable name, with characters a bus name cannot hold replaced.
    static QString serviceName();

    // Whether the bus name and the object are registered.
    bool isOffered() const { return m_offered; }

    // Announces the items that differ from the last announcement, in one signal.
    void publishChanges();

    // The button an execute command names: its leading number when that lies in 0 < N <= 16,
    // rounded half to even; 0 when it names none.
    static int buttonIndex(const QString& command);

    QString ddeString() const { return m_controller.dde.DDESTRING; }
    QString ddeValue() const { return m_controller.dde.DDEValue; }
    QString ddeSign() const { return m_controller.dde.DDESign; }
    QString ddeUnit() const { return m_controller.dde.DDEUnit; }
    QString ddeDirect() const { return m_controller.dde.DDEDirect; }

public Q_SLOTS:
    // A command "1" to "16" presses that button; every command is answered as refused.
    Q_SCRIPTABLE void Execute(const QString& command);

private:
    void connectToProgram(MainCycle& cycle);
    void offer();

    MainController& m_controller;
    QDBusConnection m_connection;
    MainController::DdeItems m_published;
    bool m_offered = false;
};
