#include "FaultInjector.h"

namespace {
constexpr int kMinGarbage = 4;
constexpr int kMaxGarbage = 16;
} // namespace

FaultInjector::FaultInjector(Settings settings, std::optional<char> endCharacter, quint32 seed)
    : settings_(settings), endCharacter_(endCharacter), random_(seed) {}

char FaultInjector::randomByte(int low, int high) {
    for (;;) {
        const char byte = static_cast<char>(random_.bounded(low, high + 1));
        if (!endCharacter_ || byte != *endCharacter_) {
            return byte;
        }
    }
}

QByteArray FaultInjector::garbage() {
    const int size = random_.bounded(kMinGarbage, kMaxGarbage + 1);
    QByteArray bytes;
    bytes.reserve(size);
    for (int i = 0; i < size; ++i) {
        bytes += randomByte(0, 255);
    }
    const int nulAt = random_.bounded(size);
    const int highAt = (nulAt + 1 + random_.bounded(size - 1)) % size;
    bytes[nulAt] = endCharacter_ == '\0' ? '\x01' : '\0';
    bytes[highAt] = randomByte(128, 255);
    return bytes;
}

QByteArray FaultInjector::burst(qsizetype size) const {
    static const QByteArray pattern = QByteArrayLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    QByteArray filler = pattern;
    if (endCharacter_) {
        filler.replace(*endCharacter_, QByteArray());
    }
    QByteArray bytes;
    bytes.reserve(size);
    while (bytes.size() < size) {
        bytes += filler.left(size - bytes.size());
    }
    return bytes;
}
