// Resident memory of a headless Kelvane that streams at line rate: kelvane-devsim on loopback
// sends a record every 6 ms (a 38 400 baud line) and every value taken goes into the text file,
// with a private D-Bus session bus that publishes the values. Prints the resident set size once
// the stream runs, every tenth of the run, and at the end, with the growth and the values
// delivered. Argument: the seconds to stream (default 600).

#include "BenchProcesses.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace {

// VmRSS of a process in KiB; -1 when it cannot be read.
long residentKiB(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QRegularExpression line(QStringLiteral("(?m)^VmRSS:\\s+(\\d+) kB"));
    const auto match = line.match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLong() : -1;
}

qint64 linesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 600;
    const QString build = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(".."));

    StreamingPeers peers(build);
    if (!peers.ready) {
        std::fprintf(stderr, "bench_memory: the simulator or the program directory could not be made\n");
        return 1;
    }
    const QString values = peers.file(QStringLiteral("values.txt"));

    QProcess kelvane;
    kelvane.setStandardOutputFile(QProcess::nullDevice());
    kelvane.setStandardErrorFile(QProcess::nullDevice());
    kelvane.start(QDir(build).filePath(QStringLiteral("kelvane")), {QStringLiteral("--headless")});
    if (!kelvane.waitForStarted(10000)) {
        std::fprintf(stderr, "bench_memory: kelvane did not start\n");
        return 1;
    }
    const qint64 pid = kelvane.processId();
    // The stream runs once the first values are in the file.
    for (int i = 0; i < 100 && linesOf(values) < 10; ++i) {
        QThread::msleep(100);
    }
    const long start = residentKiB(pid);
    const qint64 startValues = linesOf(values);
    std::printf("%8s %12s %10s\n", "seconds", "RSS KiB", "values");
    std::printf("%8d %12ld %10lld\n", 0, start, static_cast<long long>(startValues));
    std::fflush(stdout);
    QElapsedTimer clock;
    clock.start();
    long end = start;
    for (int step = 1; step <= 10; ++step) {
        const qint64 due = qint64(seconds) * 1000 * step / 10;
        while (clock.elapsed() < due && kelvane.state() == QProcess::Running) {
            QThread::msleep(static_cast<unsigned long>(std::min<qint64>(500, due - clock.elapsed())));
        }
        if (kelvane.state() != QProcess::Running) {
            std::printf("kelvane ended after %.0f s\n", double(clock.elapsed()) / 1000.0);
            return 1;
        }
        end = residentKiB(pid);
        std::printf("%8.0f %12ld %10lld\n", double(clock.elapsed()) / 1000.0, end,
                    static_cast<long long>(linesOf(values)));
        std::fflush(stdout);
    }
    const qint64 delivered = linesOf(values) - startValues;
    std::printf(
        "resident memory at the start %.1f MiB, at the end %.1f MiB: %+.2f MiB over %d s, %lld values "
        "delivered (%.0f per second)\n",
        start / 1024.0, end / 1024.0, (end - start) / 1024.0, seconds, static_cast<long long>(delivered),
        double(delivered) / seconds);
    kelvane.terminate();
    kelvane.waitForFinished(10000);
    return 0;
}
