#pragma once

#include <QObject>
#include <QTimer>

// The main cycle's clock: a tick every 10 ms while the program runs, every second while timer
// mode waits for its start, none while a settings window is open or the link is offline. A tick
// that falls due while the previous one still lets events run is skipped.
class CycleTimer : public QObject {
    Q_OBJECT
public:
    static constexpr int RunningInterval = 10;
    static constexpr int WaitingInterval = 1000;

    explicit CycleTimer(QObject* parent = nullptr);

    // 0 stops the cycle.
    void setInterval(int milliseconds);
    void stop() { setInterval(0); }
    int interval() const;
    bool isRunning() const { return m_timer.isActive(); }

Q_SIGNALS:
    void tick();
    void stopped();

private:
    void onTimeout();

    QTimer m_timer;
    bool m_inTick = false;
};
