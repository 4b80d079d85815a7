#pragma once

#include <QObject>

#include <array>
#include <memory>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal on the main thread: the handler only writes to a
// socket pair, the work happens in the event loop.
class UnixSignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit UnixSignalWatcher(QObject* parent = nullptr);
    ~UnixSignalWatcher() override;

Q_SIGNALS:
    void terminationRequested();

private:
    static void handle(int signalNumber);
    void onReadable();

    std::unique_ptr<QSocketNotifier> m_notifier;
};
