#include "support/XvfbServer.h"

#include <QDeadlineTimer>
#include <QProcessEnvironment>

XvfbServer::XvfbServer() {
    // -displayfd 1: the server takes the first free display number and writes it to its output.
    m_server.start(QStringLiteral("Xvfb"),
                   {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                    QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                    QStringLiteral("1280x1024x24")});
    if (!m_server.waitForStarted(10000)) {
        m_error = QStringLiteral("Xvfb does not start: ") + m_server.errorString();
        return;
    }
    QByteArray output;
    const QDeadlineTimer deadline(20000);
    while (!output.contains('\n') && !deadline.hasExpired() && m_server.state() == QProcess::Running) {
        m_server.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
        output += m_server.readAllStandardOutput();
    }
    bool ok = false;
    const int number = output.trimmed().toInt(&ok);
    if (!ok) {
        m_error = QStringLiteral("Xvfb reported no display: ") +
                  QString::fromLocal8Bit(m_server.readAllStandardError());
        return;
    }
    m_display = u':' + QString::number(number);
}

XvfbServer::~XvfbServer() {
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(5000)) {
            m_server.kill();
            m_server.waitForFinished(5000);
        }
    }
    if (m_current) {
        if (m_hadDisplay) {
            qputenv("DISPLAY", m_previousDisplay);
        } else {
            qunsetenv("DISPLAY");
        }
    }
}

void XvfbServer::makeCurrent() {
    if (!m_current) {
        m_hadDisplay = qEnvironmentVariableIsSet("DISPLAY");
        m_previousDisplay = qgetenv("DISPLAY");
        m_current = true;
    }
    qputenv("DISPLAY", m_display.toLocal8Bit());
}

bool XvfbServer::run(const QString& program, const QStringList& arguments, QByteArray* output) const {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForStarted(10000) || !process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished(5000);
        return false;
    }
    if (output) {
        *output = process.readAllStandardOutput();
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
