#include "base/session/CycleTimer.h"

CycleTimer::CycleTimer(QObject* parent) : QObject(parent) {
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CycleTimer::onTimeout);
}

void CycleTimer::setInterval(int milliseconds) {
    if (milliseconds <= 0) {
        if (m_timer.isActive()) {
            m_timer.stop();
            Q_EMIT stopped();
        }
        return;
    }
    m_timer.start(milliseconds);
}

int CycleTimer::interval() const {
    return m_timer.isActive() ? m_timer.interval() : 0;
}

void CycleTimer::onTimeout() {
    if (m_inTick) {
        return;
    }
    m_inTick = true;
    Q_EMIT tick();
    m_inTick = false;
}
