#pragma once

#include "base/files/AppendOnlyFile.h"
#include "base/records/FlowMeter.h"
#include "base/records/Measurement.h"
#include "base/records/RecordReader.h"
#include "base/statistics/TakenValue.h"
#include "base/triggers/TimerSchedule.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <optional>
#include <utility>

class ConnectionControl;
class CycleTimer;
class Delivery;
class Dialogs;
class MainButtons;
class MainView;
class SessionState;
class StatusLine;
class TriggerKeys;
struct Settings;

// One tick of the main cycle: poll the trigger keys, read and check one record, let the mode
// and the timer decide whether it is transferred, then render, log, publish and deliver it,
// wait for unloading, and keep the window title in step in timer mode.
class MainCycle : public QObject {
    Q_OBJECT
public:
    struct Parts {
        const Settings& settings;
        MainView& view;
        StatusLine& status;
        SessionState& state;
        ConnectionControl& connection;
        CycleTimer& cycleTimer;
        MainButtons& buttons;
        Delivery& delivery;
        Dialogs& dialogs;
    };

    explicit MainCycle(const Parts& parts, QObject* parent = nullptr);

    // Without trigger keys (no X display) no hotkey fires.
    void setTriggerKeys(TriggerKeys* keys) { m_keys = keys; }
    TimerSchedule& schedule() { return m_schedule; }

    void tick();
    // A device's answer to a command: delivered like a value, or the D-Bus command runs when the
    // selected application entry is "*DDE*".
    void deliverAnswer(const QString& answer);
    // The program ends: waits in progress return, and no tick does anything more.
    void end();

    // The output text of one record: IDs and value cut again, formatted for the display mode,
    // rendered through the output template. Empty for an empty record.
    QString formatMeasurement(const QByteArray& record, FlowMeter::Change change);
    const Measurement& lastMeasurement() const { return m_measurement; }

    static QString protocolPath();

    // The link came back after a loss: a record begun before it is dropped.
    void discardPartialRecord() { m_reader.discardPartialRecord(); }

Q_SIGNALS:
    // A value was taken for delivery, or refused where it was to be taken.
    void valueTaken(const TakenValue& value);
    // A value was transferred with this output text.
    void transferred(const QString& outputText);
    // The published values may have changed: after each tick and each delivery.
    void valuesChanged();
    // The D-Bus command failed and the user chose to end the program.
    void quitRequested();

private:
    void runTick();
    void pollTriggerKeys();
    Reading readAndShow();
    const QString& numberText(double value);
    void applyEndCheck();
    bool applyDecision();
    FlowMeter::Change flowDisplay(double value, bool firstOfRun);
    void transfer(const Reading& reading, FlowMeter::Change change);
    void runDbusCommand();
    void waitForUnloading();
    void writeProtocol(const QByteArray& record, const QString& outputText);
    void keepTitleInStep();

    const Settings& m_settings;
    MainView& m_view;
    StatusLine& m_status;
    SessionState& m_state;
    ConnectionControl& m_connection;
    CycleTimer& m_cycleTimer;
    MainButtons& m_buttons;
    Delivery& m_delivery;
    Dialogs& m_dialogs;
    TriggerKeys* m_keys = nullptr;
    RecordReader m_reader;
    AppendOnlyFile m_protocol;
    TimerSchedule m_schedule;
    Measurement m_measurement;
    bool m_ended = false;

    QElapsedTimer m_clock;
    FlowMeter m_flow;
    QString m_reportedTargetProblem;
    std::optional<std::pair<double, QString>> m_numberText;
    bool m_rememberedMinimized = false;
    QString m_rememberedCaption;
};
