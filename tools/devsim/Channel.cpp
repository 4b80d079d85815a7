#include "Channel.h"

void Channel::send(const QByteArray& bytes) {
    if (accepting() && !bytes.isEmpty()) {
        write(bytes);
    }
}

void Channel::received(const QByteArray& bytes) {
    const QList<QByteArray> lines = reader_.feed(bytes);
    for (const QByteArray& line : lines) {
        if (!accepting()) {
            return;
        }
        emit commandReceived(line);
    }
}
