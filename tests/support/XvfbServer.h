#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// A private X server for tests: Xvfb on a display number it picks itself among the free ones,
// reachable only through its local socket. makeCurrent() points $DISPLAY at it for the code
// under test and for the tools the test starts; the destructor stops the server and puts
// $DISPLAY back.
class XvfbServer {
public:
    XvfbServer();
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool isRunning() const { return !m_display.isEmpty(); }
    QString display() const { return m_display; }
    // What went wrong when the server did not start.
    QString error() const { return m_error; }

    void makeCurrent();

    // Runs an X tool (xdotool, setxkbmap) on the display; true when it exits with 0.
    bool run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr) const;

private:
    QProcess m_server;
    QString m_display;
    QString m_error;
    QByteArray m_previousDisplay;
    bool m_hadDisplay = false;
    bool m_current = false;
};
