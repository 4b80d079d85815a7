#include "EventLog.h"

#include <cstdio>

namespace {
void writeLine(std::FILE* stream, const QByteArray& line) {
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}
} // namespace

void EventLog::event(const QString& kind, const QString& text) const {
    if (verbose_) {
        writeLine(stderr, (kind + QStringLiteral(": ") + text).toUtf8());
    }
}

void EventLog::bytes(const QString& kind, const QByteArray& data, const QString& channel) const {
    if (verbose_) {
        writeLine(stderr, kind.toUtf8() + ": " + escaped(data) + " (" + channel.toUtf8() + ')');
    }
}

void EventLog::announce(const QString& line) {
    writeLine(stdout, line.toUtf8());
}

void EventLog::error(const QString& text) {
    writeLine(stderr, "kelvane-devsim: " + text.toUtf8());
}

QByteArray EventLog::escaped(const QByteArray& data) {
    static const char hex[] = "0123456789abcdef";
    QByteArray out;
    out.reserve(data.size() + 8);
    for (const char c : data) {
        const auto byte = static_cast<uchar>(c);
        switch (c) {
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            if (byte >= 0x20 && byte < 0x7f) {
                out += c;
            } else {
                out += "\\x";
                out += hex[byte >> 4];
                out += hex[byte & 0xf];
            }
        }
    }
    return out;
}
