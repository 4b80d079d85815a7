#pragma once

#include "input/Measurement.h"
#include "input/MeasurementReader.h"
#include "output/Delivery.h"
#include "triggers/TimerDecide.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

class MainController;
class TriggerKeys;

// One tick of the main timer: poll the trigger keys, read and check one record, decide whether
// it is transferred, render, log, publish and deliver it, wait for unloading, and keep the
// window title in step in timer mode.
class MainCycle : public QObject {
    Q_OBJECT
public:
    explicit MainCycle(MainController& controller, QObject* parent = nullptr);

    void setTriggerKeys(TriggerKeys* keys) { m_keys = keys; }
    Delivery& delivery() { return m_delivery; }
    MeasurementReader& reader() { return m_reader; }
    TimerDecide& timer() { return m_timer; }
    const Measurement& lastMeasurement() const { return m_measurement; }

    void tick();

    // The output text of one record: IDs and value cut again, formatted for the display mode,
    // rendered through the output definition. Empty for an empty record.
    QString FormatMeasurement(const QByteArray& record, double weightChange, double seconds);

    static QString protocolPath();

Q_SIGNALS:
    // A value was transferred; its output text is in the controller's OutputText.
    void transferred();

private:
    void letEventsRun();
    void flowDisplay(double value, double& weightChange, double& seconds);
    void writeProtocol(const QByteArray& record);
    void keepTitleInStep();

    MainController& m_controller;
    MeasurementReader m_reader;
    TimerDecide m_timer;
    Delivery m_delivery;
    TriggerKeys* m_keys = nullptr;
    Measurement m_measurement;

    QElapsedTimer m_clock;
    qint64 m_flowTick = 0;
    double m_flowValue = 0.0;
    bool m_rememberedMinimized = false;
    QString m_rememberedStatus1;
};
