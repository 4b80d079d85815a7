#include "SignalWatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// Read by the handler, which may use nothing but async-signal-safe calls.
volatile sig_atomic_t g_writeFd = -1;
} // namespace

SignalWatcher::SignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent) : QObject(parent) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0) {
        return;
    }
    readEnd_.reset(fds[0]);
    writeEnd_.reset(fds[1]);
    g_writeFd = writeEnd_.get();
    notifier_ = std::make_unique<QSocketNotifier>(readEnd_.get(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &SignalWatcher::readSignals);

    struct sigaction action {};
    action.sa_handler = &SignalWatcher::handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : signalNumbers) {
        if (::sigaction(number, &action, nullptr) == 0) {
            watched_.append(number);
        }
    }
}

SignalWatcher::~SignalWatcher() {
    for (const int number : std::as_const(watched_)) {
        std::signal(number, SIG_DFL);
    }
    g_writeFd = -1;
}

void SignalWatcher::handle(int signalNumber) {
    const int savedErrno = errno;
    const int fd = g_writeFd;
    if (fd >= 0) {
        const auto byte = static_cast<unsigned char>(signalNumber);
        [[maybe_unused]] const ssize_t ignored = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

void SignalWatcher::readSignals() {
    unsigned char bytes[16];
    for (;;) {
        const ssize_t n = ::read(readEnd_.get(), bytes, sizeof bytes);
        if (n <= 0) {
            return;
        }
        for (ssize_t i = 0; i < n; ++i) {
            emit signalled(bytes[i]);
        }
    }
}
