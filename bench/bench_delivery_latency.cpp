// Latency from the last byte of a record on the link to the delivered text-file line, over
// 1000 records sent one at a time over loopback TCP, 30 ms apart as from a print key. The
// device is a thread of its own with a plain socket, so it never waits on Kelvane's event loop.
// Prints the median, the 99th percentile and the maximum.

#include "BenchProgram.h"
#include "DeviceListener.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? std::atoi(argv[1]) : 1000;

    const DeviceListener listener;
    std::vector<Clock::time_point> sent(static_cast<std::size_t>(records));
    std::vector<Clock::time_point> delivered;
    delivered.reserve(static_cast<std::size_t>(records));
    std::atomic<bool> deviceFailed{false};

    std::thread device([&] {
        const int connection = listener.acceptLast();
        for (int i = 0; i < records; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            char record[64];
            std::snprintf(record, sizeof record, "N     +   %6.2f g  \r\n", 100.0 + i * 0.01);
            sent[static_cast<std::size_t>(i)] = Clock::now();
            if (::write(connection, record, 22) != 22) {
                deviceFailed = true;
                break;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        ::close(connection);
    });

    BenchProgram program("[Port settings]\nportnum=TCP/IP\ntcpip=127.0.0.1\ntcpport=" +
                         QByteArray::number(listener.port) + "\n");
    QObject::connect(&program.session.cycle(), &MainCycle::transferred, [&] {
        delivered.push_back(Clock::now());
        if (static_cast<int>(delivered.size()) == records) {
            QCoreApplication::quit();
        }
    });
    // Ends the run if records go missing.
    QTimer::singleShot(records * 30 + 20000, &app, &QCoreApplication::quit);
    if (!program.session.start({})) {
        std::fprintf(stderr, "start-up failed\n");
        return 1;
    }
    app.exec();
    program.session.controller().shutdown();
    device.join();

    QFile values(program.dir.filePath(QStringLiteral("values.txt")));
    values.open(QIODevice::ReadOnly);
    const QList<QByteArray> lines = values.readAll().split('\n');
    bool inOrder = static_cast<int>(delivered.size()) == records && !deviceFailed;
    for (int i = 0; inOrder && i < records; ++i) {
        char expected[32];
        std::snprintf(expected, sizeof expected, "%.2f\r", 100.0 + i * 0.01);
        inOrder = lines.value(i) == expected;
    }
    if (!inOrder) {
        std::printf("delivery latency: %zu of %d records delivered%s\n", delivered.size(), records,
                    deviceFailed ? ", the device could not send" : ", not all in order");
        return 1;
    }
    std::vector<double> latencies;
    for (int i = 0; i < records; ++i) {
        latencies.push_back(std::chrono::duration<double, std::milli>(delivered[static_cast<std::size_t>(i)] -
                                                                      sent[static_cast<std::size_t>(i)])
                                .count());
    }
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double fraction) {
        return latencies[std::min(latencies.size() - 1,
                                  static_cast<std::size_t>(fraction * latencies.size()))];
    };
    std::printf(
        "delivery latency over %d records (TCP loopback, text file, every line checked): median %.3f ms, "
        "p99 %.3f ms, max %.3f ms\n",
        records, at(0.5), at(0.99), latencies.back());
    return 0;
}
