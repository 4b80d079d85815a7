#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// A program of the build (or one named by its absolute path) started as a real process, with
// helpers to wait for its output.
class ProcessRunner {
public:
    explicit ProcessRunner(const QString& program);
    ~ProcessRunner();

    void setEnvironmentValue(const QString& name, const QString& value);
    bool start(const QStringList& arguments);
    // Waits until standard error (or output) holds text; false after timeoutMs.
    bool waitForError(const QByteArray& text, int timeoutMs = 10000);
    bool waitForOutput(const QByteArray& text, int timeoutMs = 10000);
    // Sends a signal and waits for the exit; false when it did not end in time.
    bool signalAndWait(int signalNumber, int timeoutMs = 10000);
    int exitCode() const { return m_process.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }
    QByteArray standardError();
    QByteArray standardOutput();
    QProcess& process() { return m_process; }

private:
    bool waitFor(QByteArray& buffer, const QByteArray& text, int timeoutMs);
    void collect();

    QProcess m_process;
    QByteArray m_error;
    QByteArray m_output;
};
