// Start-up times, each beside `true` started the same way as the floor: a headless Kelvane from
// process start to the first value in its text file, against kelvane-devsim on loopback that
// sends a record every 6 ms; and with a window on a private Xvfb, from process start to the main
// window mapped. Every run has a private D-Bus session bus, as a desktop has. The program
// directory is a copy of the build's data files with the simulator's port. Prints the median and
// the minimum of the runs (argument: the number of runs, default 15). The headless runs need
// nothing else; the window runs need Xvfb and dbus-daemon.

#include "BenchProcesses.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

double nowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// A child started with posix_spawn, the same way for Kelvane and for `true`; killed and reaped
// with the object.
class Child {
public:
    Child(const QByteArray& program, const QList<QByteArray>& arguments) {
        std::vector<char*> argv{const_cast<char*>(program.constData())};
        for (const QByteArray& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.constData()));
        }
        argv.push_back(nullptr);
        // The child's messages would only mix with the figures.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&m_pid, program.constData(), &actions, nullptr, argv.data(), environ) != 0) {
            m_pid = 0;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            waitForExit();
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool started() const { return m_pid > 0; }
    void waitForExit() {
        int status = 0;
        while (m_pid > 0 && ::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_pid = 0;
    }

private:
    pid_t m_pid = 0;
};

struct Figures {
    std::vector<double> times;
    void print(const char* label) {
        if (times.empty()) {
            std::printf("%-52s not measured\n", label);
            return;
        }
        std::sort(times.begin(), times.end());
        std::printf("%-52s median %7.1f ms   min %7.1f ms   (%zu runs)\n", label, times[times.size() / 2],
                    times.front(), times.size());
        std::fflush(stdout);
    }
};

double trueMs() {
    const double start = nowMs();
    Child child("/bin/true", {});
    child.waitForExit();
    return nowMs() - start;
}

// The time from start until the main window of a new client is mapped on the display.
double windowMs(Display* display, const QByteArray& kelvane, const QString& folder) {
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, True);
    const double start = nowMs();
    Child child(kelvane, {});
    while (child.started() && nowMs() - start < 20000) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != MapNotify) {
                continue;
            }
            char* name = nullptr;
            const bool ours =
                XFetchName(display, event.xmap.window, &name) && name && QByteArray(name).contains("Kelvane");
            XFree(name);
            if (ours) {
                const double shown = nowMs() - start;
                QFile::remove(QDir(folder).filePath(QStringLiteral("values.txt")));
                return shown;
            }
        }
        QThread::usleep(100);
    }
    return -1.0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const QString build = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(".."));
    const QByteArray kelvane = QFile::encodeName(QDir(build).filePath(QStringLiteral("kelvane")));

    StreamingPeers peers(build);
    if (!peers.ready) {
        std::fprintf(stderr, "bench_startup: the simulator or the program directory could not be made\n");
        return 1;
    }

    const QString values = peers.file(QStringLiteral("values.txt"));
    Figures floor;
    Figures headless;
    for (int run = 0; run < runs; ++run) {
        floor.times.push_back(trueMs());
        QFile::remove(values);
        const double start = nowMs();
        Child child(kelvane, {"--headless"});
        struct stat status {};
        while (child.started() && nowMs() - start < 20000 &&
               !(::stat(QFile::encodeName(values).constData(), &status) == 0 && status.st_size > 0)) {
            QThread::usleep(100);
        }
        if (status.st_size > 0) {
            headless.times.push_back(nowMs() - start);
        }
    }
    floor.print("`true`, started the same way");
    headless.print("headless: start to the first value in the text file");

    const Announcer server = privateXvfb();
    if (server.value().isEmpty()) {
        std::printf("window: not measured, Xvfb did not start\n");
        return 0;
    }
    qputenv("DISPLAY", ':' + server.value().toUtf8());
    qunsetenv("QT_QPA_PLATFORM");
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::printf("window: not measured, the display cannot be opened\n");
        return 0;
    }
    Figures window;
    for (int run = 0; run < runs; ++run) {
        const double shown = windowMs(display, kelvane, peers.folder.path());
        if (shown >= 0.0) {
            window.times.push_back(shown);
        }
    }
    XCloseDisplay(display);
    window.print("window on Xvfb: start to the main window mapped");
    return 0;
}
