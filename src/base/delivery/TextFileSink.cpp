#include "base/delivery/TextFileSink.h"

#include "base/files/FileDescriptor.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

DeliveryProblem TextFileSink::append(const QString& path, const QString& line) {
    if (path.isEmpty()) {
        return DeliveryProblem::TargetMissing;
    }
    const FileDescriptor file(
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (!file.isValid()) {
        return errno == ENOENT || errno == ENOTDIR ? DeliveryProblem::TargetMissing
                                                   : DeliveryProblem::NotWritable;
    }
    // A part of the line must not stay: the whole line comes again later.
    if (!file.appendWhole(line.toUtf8() + "\r\n")) {
        return DeliveryProblem::NotWritable;
    }
    return DeliveryProblem::None;
}
