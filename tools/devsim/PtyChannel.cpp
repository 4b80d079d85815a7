#include "PtyChannel.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {
// Nothing signals when the reader has taken the last bytes from the slave, so a hang-up looks
// at the slave's input queue now and then, and gives up waiting for a reader that never comes.
constexpr int kDrainCheckMs = 20;
constexpr qint64 kDrainLimitMs = 10000;
} // namespace

PtyChannel::PtyChannel(QObject* parent) : Channel(parent) {
    drainTimer_.setInterval(kDrainCheckMs);
    connect(&drainTimer_, &QTimer::timeout, this, &PtyChannel::checkDrained);
}

PtyChannel::~PtyChannel() {
    closeDevice();
}

bool PtyChannel::open(QString* error) {
    closeDevice();
    device_ = PtyDevice::open(error);
    if (!device_) {
        return false;
    }
    slavePath_ = device_->slavePath();
    const int fd = device_->masterFd();
    readNotifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    writeNotifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    writeNotifier_->setEnabled(false);
    connect(readNotifier_.get(), &QSocketNotifier::activated, this, &PtyChannel::readMaster);
    connect(writeNotifier_.get(), &QSocketNotifier::activated, this, [this] {
        if (flushPending()) {
            emit writable();
        }
    });
    setClosing(false);
    restartCounting();
    return true;
}

void PtyChannel::closeDevice() {
    drainTimer_.stop();
    readNotifier_.reset();
    writeNotifier_.reset();
    device_.reset();
    pending_.clear();
}

void PtyChannel::readMaster() {
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(device_->masterFd(), buffer, sizeof buffer);
        if (n > 0) {
            received(QByteArray(buffer, n));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        // EAGAIN: all read. EIO cannot occur while the slave is held open; do not spin on it.
        if (n < 0 && errno != EAGAIN) {
            readNotifier_->setEnabled(false);
        }
        return;
    }
}

void PtyChannel::write(const QByteArray& bytes) {
    pending_ += bytes;
    flushPending();
}

bool PtyChannel::flushPending() {
    qsizetype written = 0;
    while (written < pending_.size()) {
        const ssize_t n = ::write(device_->masterFd(), pending_.constData() + written,
                                  static_cast<size_t>(pending_.size() - written));
        if (n > 0) {
            written += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            break;
        } else {
            lastError_ = QStringLiteral("write: %1").arg(QString::fromLocal8Bit(strerror(errno)));
            written = pending_.size();
        }
    }
    pending_.remove(0, written);
    writeNotifier_->setEnabled(!pending_.isEmpty());
    return written > 0;
}

void PtyChannel::drainThen(AfterDrain after) {
    if (!accepting()) {
        return;
    }
    setClosing(true);
    afterDrain_ = after;
    drainClock_.start();
    // Checked from the timer only, never from inside a notifier handler that the close would delete.
    drainTimer_.start();
}

void PtyChannel::checkDrained() {
    const bool drained = pending_.isEmpty() && device_->unread() == 0;
    if (!drained && drainClock_.elapsed() < kDrainLimitMs) {
        return;
    }
    drainTimer_.stop();
    if (afterDrain_ == AfterDrain::Close) {
        closeDevice();
        emit closed();
        return;
    }
    QString error;
    if (open(&error)) {
        emit restarted();
    } else {
        lastError_ = error;
        emit closed();
    }
}
