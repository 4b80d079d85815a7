#include "support/PrivateBus.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <csignal>

namespace {

// Only for a program that hangs: a test should fail rather than wait for ever.
constexpr int RunLimitMs = 60000;

} // namespace

PrivateBus::PrivateBus() = default;

PrivateBus::~PrivateBus() {
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000)) {
            m_daemon.kill();
            m_daemon.waitForFinished(5000);
        }
    }
}

bool PrivateBus::start() {
    m_daemon.setProgram(QStringLiteral("dbus-daemon"));
    m_daemon.setArguments(
        {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    m_daemon.setProcessChannelMode(QProcess::SeparateChannels);
    m_daemon.start();
    if (!m_daemon.waitForStarted(10000)) {
        return false;
    }
    QByteArray line;
    const QDeadlineTimer deadline(10000);
    while (!line.contains('\n')) {
        if (deadline.hasExpired() || m_daemon.state() == QProcess::NotRunning) {
            return false;
        }
        m_daemon.waitForReadyRead(static_cast<int>(qMin<qint64>(200, deadline.remainingTime())));
        line += m_daemon.readAllStandardOutput();
    }
    m_address = QString::fromLocal8Bit(line.left(line.indexOf('\n')).trimmed());
    return !m_address.isEmpty();
}

void PrivateBus::makeCurrent() const {
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toLocal8Bit());
}

void PrivateBus::pause() {
    ::kill(static_cast<pid_t>(m_daemon.processId()), SIGSTOP);
}

void PrivateBus::resume() {
    ::kill(static_cast<pid_t>(m_daemon.processId()), SIGCONT);
}

PrivateBus::Result PrivateBus::run(const QString& program, const QStringList& arguments) {
    Result result;
    QProcess process;
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    process.start(program, arguments);
    limit.start(RunLimitMs);
    if (process.state() != QProcess::NotRunning) {
        loop.exec();
    }
    result.finished = process.state() == QProcess::NotRunning &&
                      process.exitStatus() == QProcess::NormalExit &&
                      process.error() != QProcess::FailedToStart;
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
    result.exitCode = process.exitCode();
    result.output = process.readAllStandardOutput();
    result.error = process.readAllStandardError();
    return result;
}
