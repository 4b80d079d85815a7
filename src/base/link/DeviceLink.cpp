#include "base/link/DeviceLink.h"

#include <QIODevice>
#include <QSocketNotifier>

#include <algorithm>

void DeviceLink::appendReceived(const QByteArray& bytes) {
    m_received.append(bytes);
    if (m_received.size() > MaxBufferedBytes) {
        m_received.remove(0, m_received.size() - MaxBufferedBytes);
    }
    Q_EMIT dataArrived();
}

void DeviceLink::holdArrivals() {
    if (m_waitingReaders > 0 || !m_held.empty()) {
        return;
    }
    // Qt has no public switch for a port's or socket's read notification; its notifier is a child
    // of the channel (or of the socket engine inside it). Only a notifier that watches the open
    // descriptor and is on is turned off, and exactly those are turned on again, so that Qt's own
    // reasons to keep one off stay in force.
    const qintptr descriptor = channelDescriptor();
    if (descriptor < 0) {
        return;
    }
    const auto gone = [](const QPointer<QSocketNotifier>& notifier) { return notifier.isNull(); };
    if (descriptor != m_readNotifiersOf ||
        std::any_of(m_readNotifiers.begin(), m_readNotifiers.end(), gone)) {
        m_readNotifiers.clear();
        for (QSocketNotifier* notifier : channel().findChildren<QSocketNotifier*>()) {
            if (notifier->type() == QSocketNotifier::Read && notifier->socket() == descriptor) {
                m_readNotifiers.emplace_back(notifier);
            }
        }
        m_readNotifiersOf = descriptor;
    }
    for (const QPointer<QSocketNotifier>& notifier : m_readNotifiers) {
        if (notifier->isEnabled()) {
            notifier->setEnabled(false);
            m_held.push_back(notifier);
        }
    }
}

void DeviceLink::releaseArrivals() {
    const qintptr descriptor = channelDescriptor();
    for (const QPointer<QSocketNotifier>& notifier : m_held) {
        // A channel closed meanwhile left its notifier to be deleted; its descriptor may be
        // another file's by now.
        if (notifier && notifier->socket() == descriptor) {
            notifier->setEnabled(true);
        }
    }
    m_held.clear();
}

DeviceLink::WaitingReader::WaitingReader(DeviceLink& link) : m_link(link) {
    ++m_link.m_waitingReaders;
    m_link.releaseArrivals();
}

DeviceLink::WaitingReader::~WaitingReader() {
    --m_link.m_waitingReaders;
}
