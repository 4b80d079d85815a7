#pragma once

#include "Balance.h"
#include "EventLog.h"
#include "FaultInjector.h"
#include "Options.h"
#include "RecordTemplate.h"
#include "SymlinkGuard.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <memory>

class Channel;
class PtyChannel;
class QTcpServer;

// The simulated balance on its links: produces the record stream, answers commands and injects
// the configured faults.
class Simulator : public QObject {
    Q_OBJECT

public:
    Simulator(const Options& options, RecordTemplate layout, QObject* parent = nullptr);
    ~Simulator() override;

    // Opens the links and announces them on standard output.
    bool start(QString* error);
    // Ends the run at once (a termination signal).
    void stop(int signalNumber);

signals:
    void finished(int exitCode);

private:
    void acceptClients();
    void addChannel(Channel* channel);
    void linkStarted(Channel* channel);
    void removeChannel(Channel* channel);
    void onCommand(Channel* channel, const QByteArray& line);
    void tick();
    void pump();
    void schedulePump();
    // Sends the next complete record, preceded by any injected faults, to the given channels.
    void sendRecord(const QList<Channel*>& targets, Balance::Adjustment adjustment);
    QList<Channel*> channelsWithRoom() const;
    bool countReached() const { return options_.count > 0 && completeRecords_ >= options_.count; }
    void onCountReached();

    void end(int exitCode);

    Options options_;
    RecordTemplate layout_;
    quint32 seed_;
    Balance balance_;
    FaultInjector faults_;
    EventLog log_;
    QTcpServer* server_ = nullptr;
    PtyChannel* pty_ = nullptr;
    std::unique_ptr<SymlinkGuard> link_;
    QList<Channel*> channels_;
    QTimer intervalTimer_;
    QTimer pumpTimer_;
    QTimer finishLimit_;
    quint64 completeRecords_ = 0;
    bool finishing_ = false;
    bool ended_ = false;
};
