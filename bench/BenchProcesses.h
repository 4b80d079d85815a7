#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>

// Helpers of the benchmarks that run Kelvane as its own process.

// A helper process that prints one line (an address, a port, a display number) and keeps running.
class Announcer {
public:
    Announcer(const QString& program, const QStringList& arguments, const QString& pattern) {
        m_process.start(program, arguments);
        const QRegularExpression line(pattern);
        QByteArray output;
        for (int i = 0; i < 100 && m_value.isEmpty(); ++i) {
            m_process.waitForReadyRead(100);
            output += m_process.readAllStandardOutput();
            const auto match = line.match(QString::fromUtf8(output));
            if (match.hasMatch()) {
                m_value = match.captured(1);
            }
        }
    }
    ~Announcer() {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    Announcer(const Announcer&) = delete;
    Announcer& operator=(const Announcer&) = delete;
    const QString& value() const { return m_value; }

private:
    QProcess m_process;
    QString m_value;
};

// A private D-Bus session bus, announcing its address.
inline Announcer privateSessionBus() {
    return Announcer(
        QStringLiteral("dbus-daemon"),
        {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")},
        QStringLiteral("^(\\S+)\\n"));
}

// A private X server, announcing its display number.
inline Announcer privateXvfb() {
    return Announcer(QStringLiteral("Xvfb"),
                     {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                      QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                      QStringLiteral("1280x1024x24")},
                     QStringLiteral("^(\\d+)\\n"));
}

// The build's data files with the device's port, in a fresh program directory.
inline bool makeProgramDirectory(const QString& folder, const QString& build, const QString& port) {
    for (const char* name : {"language.ini", "kelvane.ini"}) {
        if (!QFile::copy(QDir(build).filePath(QLatin1String(name)),
                         QDir(folder).filePath(QLatin1String(name)))) {
            return false;
        }
    }
    QFile source(QDir(build).filePath(QStringLiteral("standard.cfg")));
    QFile target(QDir(folder).filePath(QStringLiteral("standard.cfg")));
    if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly)) {
        return false;
    }
    QString settings = QString::fromUtf8(source.readAll());
    settings.replace(QRegularExpression(QStringLiteral("(?m)^tcpport=.*$")),
                     QStringLiteral("tcpport=") + port);
    settings.replace(QRegularExpression(QStringLiteral("(?m)^portnum=.*$")),
                     QStringLiteral("portnum=TCP/IP"));
    settings.replace(QRegularExpression(QStringLiteral("(?m)^tcpip=.*$")), QStringLiteral("tcpip=127.0.0.1"));
    settings.replace(QRegularExpression(QStringLiteral("(?m)^Anwendung=.*$")),
                     QStringLiteral("Anwendung=Text-Datei"));
    settings.replace(QRegularExpression(QStringLiteral("(?m)^TextFile=.*$")),
                     QStringLiteral("TextFile=values.txt"));
    return target.write(settings.toUtf8()) > 0;
}

// What a Kelvane process of a benchmark runs against: a private D-Bus session bus, as a desktop
// has, kelvane-devsim on loopback sending a record every 6 ms (a 38 400 baud line), and a
// program directory made for them, set in the environment for the processes started after.
struct StreamingPeers {
    explicit StreamingPeers(const QString& build)
        : bus(privateSessionBus()),
          device(QDir(build).filePath(QStringLiteral("kelvane-devsim")),
                 {QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--mode"),
                  QStringLiteral("interval"), QStringLiteral("--interval"), QStringLiteral("6")},
                 QStringLiteral("tcp: 127\\.0\\.0\\.1:(\\d+)\\n")) {
        if (!bus.value().isEmpty()) {
            qputenv("DBUS_SESSION_BUS_ADDRESS", bus.value().toUtf8());
        }
        ready = !device.value().isEmpty() && makeProgramDirectory(folder.path(), build, device.value());
        qputenv("KELVANE_HOME", QFile::encodeName(folder.path()));
        std::printf("session bus: %s\n", bus.value().isEmpty() ? "none (dbus-daemon missing)" : "private");
    }

    QString file(const QString& name) const { return QDir(folder.path()).filePath(name); }

    Announcer bus;
    Announcer device;
    QTemporaryDir folder;
    bool ready = false;
};
