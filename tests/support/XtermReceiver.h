#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class XvfbServer;

// An xterm on a test X server (its title a plain text: it is searched as a pattern) whose terminal is raw and
// unechoed, copying every byte that typing produces into a file: the keys as an application receives them.
class XtermReceiver {
public:
    XtermReceiver(const XvfbServer& server, const QString& title);
    ~XtermReceiver();
    XtermReceiver(const XtermReceiver&) = delete;
    XtermReceiver& operator=(const XtermReceiver&) = delete;

    // Waits until the terminal is raw and the window is known; false after the time-out.
    bool waitUntilReady(int timeoutMs = 20000);

    QString title() const { return m_title; }
    quint64 window() const { return m_window; }
    QByteArray received() const;
    // Waits until at least size bytes arrived; false after the time-out.
    bool waitForBytes(qsizetype size, int timeoutMs = 10000) const;

private:
    const XvfbServer& m_server;
    QString m_title;
    QTemporaryDir m_dir;
    QProcess m_process;
    quint64 m_window = 0;
};
