// Prints how fast texts are typed into an xterm on a private Xvfb: the time until the last key
// event is issued, the time until the last byte has arrived in the terminal, keys per second,
// and whether the terminal received the text whole and in order. Beside it, xdotool typing the
// same text with --delay 0 into the same xterm in the same run, checked the same way. Needs
// Xvfb, xterm and xdotool.

#include "BenchProcesses.h"
#include "base/delivery/KeyTokenizer.h"
#include "platform/x11/X11Display.h"
#include "platform/x11/X11Keyboard.h"
#include "platform/x11/X11WindowList.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

// Waits, letting events run (the keyboard's restore timer), until done() holds or time runs out.
template <typename Predicate> bool waitFor(Predicate done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

struct Case {
    const char* name;
    const char* layout;
    QString unit; // repeated to the length of the text
    QByteArray expectedUnit;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);

    const Announcer server = privateXvfb();
    if (server.value().isEmpty()) {
        std::fprintf(stderr, "bench_keystrokes: Xvfb did not start\n");
        return 1;
    }
    qputenv("DISPLAY", ':' + server.value().toUtf8());

    QTemporaryDir dir;
    const QString ready = dir.filePath(QStringLiteral("ready"));
    const QString received = dir.filePath(QStringLiteral("received"));
    QProcess xterm;
    xterm.setProcessEnvironment([] {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        return environment;
    }());
    xterm.start(QStringLiteral("xterm"),
                {QStringLiteral("-u8"), QStringLiteral("-title"), QStringLiteral("Kelvane Bench Receiver"),
                 QStringLiteral("-e"), QStringLiteral("sh"), QStringLiteral("-c"),
                 QStringLiteral("stty raw -echo && touch '%1' && exec cat > '%2'").arg(ready, received)});
    if (!waitFor([&] { return QFileInfo::exists(ready); }, 20000)) {
        std::fprintf(stderr, "bench_keystrokes: xterm did not start\n");
        return 1;
    }

    int status = 0;
    {
        auto display = std::make_shared<X11Display>();
        X11Keyboard keyboard(display);
        X11WindowList windows(display);
        quint64 target = 0;
        waitFor(
            [&] {
                for (const TopLevelWindow& window : windows.topLevelWindows()) {
                    if (window.title == QLatin1String("Kelvane Bench Receiver") && window.visible) {
                        target = window.id;
                    }
                }
                return target != 0;
            },
            10000);
        if (target == 0 || !windows.activate(target)) {
            std::fprintf(stderr, "bench_keystrokes: receiver window not found\n");
            return 1;
        }

        const Case cases[] = {
            {"digits and tab", "us", QStringLiteral("1234.5{TAB}"), QByteArray("1234.5\t")},
            {"shifted letters", "us", QStringLiteral("AbCdE"), QByteArray("AbCdE")},
            {"AltGr characters", "de", QStringLiteral("{@}~"), QByteArray("{@}~")},
            {"characters the layout lacks", "us", QStringLiteral("µ°äß"), QStringLiteral("µ°äß").toUtf8()},
        };
        std::printf("%-28s %-6s %6s %9s %10s %9s %7s %11s %9s %7s\n", "text", "layout", "keys", "issue ms",
                    "arrival ms", "keys/s", "intact", "xdotool ms", "keys/s", "intact");
        // Types with the given action and waits for the expected bytes; the time until they
        // arrived and whether exactly they did.
        const auto measure = [&](const std::function<void()>& type, const QByteArray& expected,
                                 double* issued) {
            const qsizetype before = readAll(received).size();
            QElapsedTimer clock;
            clock.start();
            type();
            if (issued) {
                *issued = static_cast<double>(clock.nsecsElapsed()) / 1e6;
            }
            const bool complete =
                waitFor([&] { return readAll(received).size() >= before + expected.size(); }, 120000);
            const double arrived = static_cast<double>(clock.nsecsElapsed()) / 1e6;
            // Anything beyond the text would show up a moment later.
            waitFor([] { return false; }, 100);
            return std::pair{arrived, complete && readAll(received).mid(before) == expected};
        };
        for (const Case& c : cases) {
            run(QStringLiteral("setxkbmap"), {QStringLiteral("-layout"), QLatin1String(c.layout)});
            for (const int length : {100, 1000, 10000}) {
                QString text;
                QByteArray expected;
                while (text.size() + c.unit.size() <= length) {
                    text += c.unit;
                    expected += c.expectedUnit;
                }
                const std::size_t keys = KeyTokenizer::keyTokensOf(text).size();
                double issued = 0.0;
                const auto [arrived, intact] =
                    measure([&] { KeyTokenizer::typeText(text, keyboard); }, expected, &issued);
                const auto [peerArrived, peerIntact] = measure(
                    [&] {
                        run(QStringLiteral("xdotool"),
                            {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("0"),
                             QStringLiteral("--"), QString::fromUtf8(expected)});
                    },
                    expected, nullptr);
                if (!intact) {
                    status = 2;
                }
                std::printf("%-28s %-6s %6zu %9.1f %10.1f %9.0f %7s %11.1f %9.0f %7s\n", c.name, c.layout,
                            keys, issued, arrived, static_cast<double>(keys) / (arrived / 1000.0),
                            intact ? "yes" : "NO", peerArrived,
                            static_cast<double>(keys) / (peerArrived / 1000.0), peerIntact ? "yes" : "NO");
                std::fflush(stdout);
            }
        }
        keyboard.restoreBoundKeycodes();
    }

    xterm.kill();
    xterm.waitForFinished(5000);
    return status;
}
