#include "PtyDevice.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>

namespace {
QString failure(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what), strerror(errno));
}
} // namespace

PtyDevice::PtyDevice(UniqueFd master, UniqueFd slave, QString slavePath)
    : master_(std::move(master)), slave_(std::move(slave)), slavePath_(std::move(slavePath)) {}

std::unique_ptr<PtyDevice> PtyDevice::open(QString* error) {
    UniqueFd master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!master.valid()) {
        *error = failure("posix_openpt");
        return nullptr;
    }
    if (::grantpt(master.get()) != 0) {
        *error = failure("grantpt");
        return nullptr;
    }
    if (::unlockpt(master.get()) != 0) {
        *error = failure("unlockpt");
        return nullptr;
    }
    char name[256];
    if (::ptsname_r(master.get(), name, sizeof name) != 0) {
        *error = failure("ptsname");
        return nullptr;
    }
    UniqueFd slave(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!slave.valid()) {
        *error = failure(name);
        return nullptr;
    }
    // Raw: no echo (which would send records back as commands), no CR/LF translation, no signals.
    termios settings{};
    if (::tcgetattr(slave.get(), &settings) != 0) {
        *error = failure("tcgetattr");
        return nullptr;
    }
    ::cfmakeraw(&settings);
    if (::tcsetattr(slave.get(), TCSANOW, &settings) != 0) {
        *error = failure("tcsetattr");
        return nullptr;
    }
    const int flags = ::fcntl(master.get(), F_GETFL);
    if (flags < 0 || ::fcntl(master.get(), F_SETFL, flags | O_NONBLOCK) != 0) {
        *error = failure("fcntl");
        return nullptr;
    }
    return std::make_unique<PtyDevice>(std::move(master), std::move(slave), QString::fromLocal8Bit(name));
}

int PtyDevice::unread() const {
    int count = 0;
    if (::ioctl(slave_.get(), FIONREAD, &count) != 0) {
        return 0;
    }
    return count;
}
