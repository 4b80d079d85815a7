#pragma once

#include <QByteArray>
#include <QRandomGenerator>

#include <optional>

// Decides which records are disturbed and produces the disturbing bytes. None of the bytes it
// makes is the record's end character, so a receiver that cuts records by length and end
// character can find its way back into step.
class FaultInjector {
public:
    struct Settings {
        quint64 garbageEvery = 0; // noise before every n-th record (0: never)
        quint64 partialEvery = 0; // every n-th record cut to its first half (0: never)
    };

    FaultInjector(Settings settings, std::optional<char> endCharacter, quint32 seed);

    bool garbageBefore(quint64 sequence) const { return every(settings_.garbageEvery, sequence); }
    bool torn(quint64 sequence) const { return every(settings_.partialEvery, sequence); }

    // A few random bytes, always including a NUL and a byte above 127.
    QByteArray garbage();
    // Printable filler of the given size, as a device that streams without ever ending a record.
    QByteArray burst(qsizetype size) const;

private:
    static bool every(quint64 n, quint64 sequence) { return n > 0 && sequence % n == 0; }
    char randomByte(int low, int high);

    Settings settings_;
    std::optional<char> endCharacter_;
    QRandomGenerator random_;
};
