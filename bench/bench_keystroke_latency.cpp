// Latency from the last byte of a record on the link to the last keystroke of its output text
// injected into the X display (a private Xvfb; target "*free*", the focused window), over 300
// records 30 ms apart. Prints the median, the 99th percentile and the maximum. Needs Xvfb.

#include "BenchProcesses.h"
#include "BenchProgram.h"
#include "DeviceListener.h"
#include "platform/PlatformFactory.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? std::atoi(argv[1]) : 300;

    const Announcer server = privateXvfb();
    if (server.value().isEmpty()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    qputenv("DISPLAY", ':' + server.value().toUtf8());

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

    PlatformServices platform = PlatformFactory::create();
    if (!platform.available()) {
        std::fprintf(stderr, "%s\n", qPrintable(PlatformFactory::statusText(platform)));
        return 1;
    }
    auto program = std::make_unique<BenchProgram>(
        "[Port settings]\nportnum=TCP/IP\ntcpip=127.0.0.1\ntcpport=" + QByteArray::number(listener.port) +
            "\n",
        "Anwendung=*free*\nFormat={Value}{TAB}g{ENTER}\n",
        ProgramSession::Desktop{platform.keyboard.get(), platform.windows.get(), platform.keyState.get()});
    QObject::connect(&program->session.cycle(), &MainCycle::transferred, [&] {
        delivered.push_back(Clock::now());
        if (static_cast<int>(delivered.size()) == records) {
            QCoreApplication::quit();
        }
    });
    // Ends the run if records go missing.
    QTimer::singleShot(records * 30 + 20000, &app, &QCoreApplication::quit);
    if (!program->session.start({})) {
        std::fprintf(stderr, "start-up failed\n");
        return 1;
    }
    app.exec();
    program->session.controller().shutdown();
    device.join();
    // The program goes before the display services it uses, and they before the display itself.
    program.reset();
    platform = PlatformServices{};

    if (static_cast<int>(delivered.size()) != records || deviceFailed) {
        std::printf("keystroke latency: %zu of %d records typed\n", delivered.size(), records);
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
        "keystroke latency over %d records (TCP loopback to XTest on Xvfb, 9 keys each): median %.3f ms, "
        "p99 %.3f ms, max %.3f ms\n",
        records, at(0.5), at(0.99), latencies.back());
    return 0;
}
