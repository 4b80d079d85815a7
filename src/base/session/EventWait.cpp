#include "base/session/EventWait.h"

#include <QEventLoop>
#include <QTimer>

namespace EventWait {

void seconds(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000.0), &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace EventWait
