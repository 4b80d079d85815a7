#include "support/ProcessRunner.h"

#include "support/TestFiles.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcessEnvironment>

#include <csignal>

ProcessRunner::ProcessRunner(const QString& program) {
    m_process.setProgram(QDir::isAbsolutePath(program) ? program : TestFiles::binaryDir() + u'/' + program);
    m_process.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
}

ProcessRunner::~ProcessRunner() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

void ProcessRunner::setEnvironmentValue(const QString& name, const QString& value) {
    QProcessEnvironment environment = m_process.processEnvironment();
    environment.insert(name, value);
    m_process.setProcessEnvironment(environment);
}

bool ProcessRunner::start(const QStringList& arguments) {
    m_process.setArguments(arguments);
    m_process.start();
    return m_process.waitForStarted(10000);
}

void ProcessRunner::collect() {
    m_error += m_process.readAllStandardError();
    m_output += m_process.readAllStandardOutput();
}

bool ProcessRunner::waitFor(QByteArray& buffer, const QByteArray& text, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (true) {
        collect();
        if (buffer.contains(text)) {
            return true;
        }
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning) {
            return false;
        }
        m_process.waitForReadyRead(static_cast<int>(qMin<qint64>(100, deadline.remainingTime())));
    }
}

bool ProcessRunner::waitForError(const QByteArray& text, int timeoutMs) {
    return waitFor(m_error, text, timeoutMs);
}

bool ProcessRunner::waitForOutput(const QByteArray& text, int timeoutMs) {
    return waitFor(m_output, text, timeoutMs);
}

bool ProcessRunner::signalAndWait(int signalNumber, int timeoutMs) {
    // An ended process has no id; kill(0) would signal this whole process group.
    const auto pid = static_cast<pid_t>(m_process.processId());
    if (pid <= 0) {
        collect();
        return m_process.state() == QProcess::NotRunning;
    }
    ::kill(pid, signalNumber);
    const bool finished = m_process.waitForFinished(timeoutMs);
    collect();
    return finished;
}

QByteArray ProcessRunner::standardError() {
    collect();
    return m_error;
}

QByteArray ProcessRunner::standardOutput() {
    collect();
    return m_output;
}
