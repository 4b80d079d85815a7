#pragma once

#include <QByteArray>
#include <QList>

// Splits the bytes a client sends into command lines and tells what each asks for. Lines end
// with CR, LF or CR LF; a command is a letter, usually after an ESC (27).
class CommandReader {
public:
    enum class Command { Print, Tare, Zero, Unknown };

    // Returns the complete, non-empty lines found so far, without their line ends.
    QList<QByteArray> feed(const QByteArray& bytes);

    static Command decode(const QByteArray& line);

private:
    QByteArray partial_;
    bool overlong_ = false;
};
