#include "base/delivery/TextFileSink.h"

#include "base/files/FileDescriptor.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

DeliveryProblem TextFileSink::append(const QString& path, const QStringList& lines) {
    if (path.isEmpty()) {
        return DeliveryProblem::TargetMissing;
    }
    const FileDescriptor file(
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (!file.isValid()) {
        return errno == ENOENT || errno == ENOTDIR ? DeliveryProblem::TargetMissing
                                                   : DeliveryProblem::NotWritable;
    }
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toUtf8() + "\r\n";
    }
    // A part of the lines must not stay: they all come again later.
    if (!file.appendWhole(bytes)) {
        return DeliveryProblem::NotWritable;
    }
    return DeliveryProblem::None;
}
