#include "CommandReader.h"

namespace {
// Longer than any command; beyond this the client is sending something else, which is answered
// once as an unknown command and dropped up to the next line end.
constexpr qsizetype kMaxLine = 256;
constexpr char kEscape = '\x1b';
} // namespace

QList<QByteArray> CommandReader::feed(const QByteArray& bytes) {
    QList<QByteArray> lines;
    for (const char c : bytes) {
        if (c == '\r' || c == '\n') {
            if (!partial_.isEmpty() && !overlong_) {
                lines.append(partial_);
            }
            partial_.clear();
            overlong_ = false;
        } else if (!overlong_) {
            partial_ += c;
            if (partial_.size() > kMaxLine) {
                lines.append(partial_);
                partial_.clear();
                overlong_ = true;
            }
        }
    }
    return lines;
}

CommandReader::Command CommandReader::decode(const QByteArray& line) {
    const QByteArray body = (line.startsWith(kEscape) ? line.mid(1) : line).toUpper();
    if (body == "P") {
        return Command::Print;
    }
    if (body == "T") {
        return Command::Tare;
    }
    if (body == "Z") {
        return Command::Zero;
    }
    return Command::Unknown;
}
