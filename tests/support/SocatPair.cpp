#include "support/SocatPair.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

SocatPair::SocatPair() = default;

SocatPair::~SocatPair() {
    stop();
}

bool SocatPair::start() {
    stop();
    m_process.setProgram(QStringLiteral("socat"));
    m_process.setArguments({QStringLiteral("pty,raw,echo=0,link=") + programEnd(),
                            QStringLiteral("pty,raw,echo=0,link=") + deviceEnd()});
    m_process.start();
    if (!m_process.waitForStarted(5000)) {
        return false;
    }
    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        if (QFileInfo::exists(programEnd()) && QFileInfo::exists(deviceEnd())) {
            return true;
        }
        QThread::msleep(10);
    }
    return false;
}

void SocatPair::stop() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
}
