#pragma once

#include "base/delivery/DatabaseSink.h"
#include "base/delivery/DeliveryTarget.h"
#include "base/delivery/Outbox.h"
#include "base/delivery/TextFileSink.h"
#include "base/delivery/WorkbookSink.h"

#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class DeliverySink;
class Dialogs;
class MainView;
struct PublishedValues;
struct Settings;

// Delivers the output text of every accepted value to the target of the settings: a text
// file, a workbook, a database table, the published D-Bus item, or keystrokes into a window.
// Every delivery is marked by the beep.
//
// A value that a file or database target cannot take now is kept in the outbox and delivered
// later, in order: behind it wait the later values for the same target. The waiting values are
// offered again on every delivery and every few seconds, and the status says how many wait and
// why. Keystrokes and the D-Bus item are live and never wait.
class Delivery {
public:
    static constexpr int RetryIntervalMs = 3000;
    // A round of waiting values holds up the main cycle at most this long; the next round
    // follows once the events that came meanwhile (device records) have run.
    static constexpr int RoundMs = 40;
    static constexpr int PauseBetweenRoundsMs = 10;
    static constexpr int FinalRoundMs = 2000;
    // While values stream, a workbook or database is written at most this often: each save
    // makes the file or transaction durable on disk, which costs far more than the value. The
    // values that come meanwhile wait in the outbox, in its file at once so that the program may
    // be killed, and go in together with the next save.
    static constexpr int StreamSaveIntervalMs = 1000;

    using StatusReport = std::function<void(const QString&)>;

    Delivery(const Settings& settings, MainView& view, StatusReport status, Dialogs& dialogs,
             PublishedValues& published);

    // Where keystroke targets go; without one they are not delivered.
    void setKeystrokeSink(DeliverySink* sink) { m_keystrokes = sink; }

    void deliver(const QString& outputText);

    // Reads the values an earlier run left waiting, and offers them to their targets.
    void resumeWaiting();
    // The program ends: the waiting values get one more chance; the user hears of those left.
    void finish();

    qsizetype waitingCount() { return outbox().waitingCount(); }

private:
    std::optional<DeliveryTarget> targetOfSettings() const;
    void deliverKept(const DeliveryTarget& target, const QString& outputText);
    BatchOutcome attempt(const DeliveryTarget& target, const QStringList& outputTexts,
                         DatabaseConnection::Patience patience);
    bool keep(const DeliveryTarget& target, const QString& outputText,
              OutboxJournal::Sync sync = OutboxJournal::Sync::Now);
    void deliverWaiting(int roundMs = RoundMs,
                        DatabaseConnection::Patience patience = DatabaseConnection::Patience::Brief);
    void showWaiting(DeliveryProblem problem, const DeliveryTarget& target);
    void report(const QString& text);
    QString reason(DeliveryProblem problem, const DeliveryTarget& target) const;
    Outbox& outbox();

    const Settings& m_settings;
    MainView& m_view;
    StatusReport m_status;
    Dialogs& m_dialogs;
    PublishedValues& m_published;
    DatabaseSink m_database;
    WorkbookSink m_workbook;
    TextFileSink m_textFile;
    DeliverySink* m_keystrokes = nullptr;
    std::optional<Outbox> m_outbox;
    QTimer m_retry;
    QTimer m_nextRound;
    // The last time a workbook or database was written, and the next save of the values that
    // came since.
    QElapsedTimer m_lastSave;
    QTimer m_saveHeld;
    bool m_retrying = false;
    bool m_showedWaiting = false;
    bool m_reportedFull = false;
    // The last reason values waited, for the shutdown notice.
    QString m_lastReason;
};
