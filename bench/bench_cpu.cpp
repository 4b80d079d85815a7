// Processor time Kelvane uses while online: with a connected device that sends nothing, and
// with a device that streams records as fast as the link takes them. The simulator runs as its
// own process, so only Kelvane's own time is counted.

#include "BenchProgram.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

namespace {

double cpuSeconds() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void run(const QString& simulator, const QStringList& mode, const char* label, int seconds) {
    QProcess device;
    device.start(simulator, QStringList{QStringLiteral("--tcp"), QStringLiteral("0")} + mode);
    QByteArray output;
    quint16 port = 0;
    const QRegularExpression line(QStringLiteral("tcp: 127\\.0\\.0\\.1:(\\d+)\\n"));
    for (int i = 0; i < 100 && port == 0; ++i) {
        device.waitForReadyRead(100);
        output += device.readAllStandardOutput();
        const auto match = line.match(QString::fromUtf8(output));
        if (match.hasMatch()) {
            port = static_cast<quint16>(match.captured(1).toUInt());
        }
    }
    if (port == 0) {
        std::fprintf(stderr, "the simulator did not start\n");
        return;
    }
    BenchProgram program(
        "[Port settings]\nportnum=TCP/IP\ntcpip=127.0.0.1\ntcpport=" + QByteArray::number(port) + "\n");
    program.session.start({});
    int transfers = 0;
    QObject::connect(&program.session.cycle(), &MainCycle::transferred, [&transfers] { ++transfers; });
    const double before = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double used = cpuSeconds() - before;
    const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
    std::printf("%s: %.1f %% of one core over %.1f s (%.3f s processor time), %d values delivered (%.0f per "
                "second)\n",
                label, 100.0 * used / elapsed, elapsed, used, transfers, transfers / elapsed);
    program.session.controller().shutdown();
    device.terminate();
    device.waitForFinished(5000);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    const QString simulator =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../kelvane-devsim"));
    run(simulator, {QStringLiteral("--mode"), QStringLiteral("demand")}, "online, device silent", seconds);
    run(simulator, {QStringLiteral("--mode"), QStringLiteral("continuous")}, "online, device streaming",
        seconds);
    return 0;
}
