#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// A session bus of the test's own: a dbus-daemon child process that ends with the object.
// makeCurrent() points DBUS_SESSION_BUS_ADDRESS at it for this process and the programs it
// starts; QtDBus reads that variable once, on the first use of the session bus.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();

    bool start();
    QString address() const { return m_address; }
    void makeCurrent() const;
    // Stops the daemon and lets it go on, as a bus too busy to read for a while.
    void pause();
    void resume();

    struct Result {
        bool finished = false;
        int exitCode = -1;
        QByteArray output;
        QByteArray error;
    };
    // Runs a program (gdbus, typically) to its end while this process keeps handling events,
    // so that it can answer calls the program makes to it. finished is false when the program
    // had not ended after a generous time.
    static Result run(const QString& program, const QStringList& arguments);

private:
    QProcess m_daemon;
    QString m_address;
};
