#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>

// The fuzzer's bytes as Qt sees them, and a file holding them for parsers that read files.
namespace FuzzInput {

inline QByteArray bytes(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// One file per target and process, rewritten for every input.
inline QString file(const QByteArray& bytes, const QString& name) {
    const QString path = QDir::temp().filePath(
        QStringLiteral("kelvane-fuzz-%1-%2").arg(name).arg(QCoreApplication::applicationPid()));
    QFile out(path);
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        out.write(bytes);
    }
    return path;
}

} // namespace FuzzInput
