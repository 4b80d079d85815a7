#include "base/link/DeviceLink.h"

void DeviceLink::appendReceived(const QByteArray& bytes) {
    m_received.append(bytes);
    if (m_received.size() > MaxBufferedBytes) {
        m_received.remove(0, m_received.size() - MaxBufferedBytes);
    }
    Q_EMIT dataArrived();
}
