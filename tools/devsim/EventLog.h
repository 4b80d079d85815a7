#pragma once

#include <QByteArray>
#include <QString>

// Standard output carries the lines that callers parse (where to connect); standard error
// carries one line per event when asked to be verbose.
class EventLog {
public:
    explicit EventLog(bool verbose) : verbose_(verbose) {}

    bool verbose() const { return verbose_; }
    void event(const QString& kind, const QString& text) const;
    void bytes(const QString& kind, const QByteArray& data, const QString& channel) const;

    // Written and flushed at once, so that a parent process waiting for it is not held up.
    static void announce(const QString& line);
    static void error(const QString& text);
    // Printable ASCII as is, everything else as a C escape.
    static QByteArray escaped(const QByteArray& data);

private:
    bool verbose_;
};
