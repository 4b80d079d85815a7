#pragma once

#include "UniqueFd.h"

#include <QList>
#include <QObject>

#include <initializer_list>
#include <memory>

class QSocketNotifier;

// Turns POSIX signals into a Qt signal on the event loop. The handler only writes the signal
// number into a socket pair; all the work happens in the slot connected to signalled().
// One instance per process.
class SignalWatcher : public QObject {
    Q_OBJECT

public:
    explicit SignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent = nullptr);
    ~SignalWatcher() override;

    bool isValid() const { return notifier_ != nullptr; }

signals:
    void signalled(int signalNumber);

private:
    static void handle(int signalNumber);
    void readSignals();

    UniqueFd readEnd_;
    UniqueFd writeEnd_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QList<int> watched_;
};
