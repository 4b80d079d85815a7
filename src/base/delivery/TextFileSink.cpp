#include "base/delivery/TextFileSink.h"

#include <cerrno>

DeliveryProblem TextFileSink::append(const QString& path, const QStringList& lines) {
    if (path.isEmpty()) {
        return DeliveryProblem::TargetMissing;
    }
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toUtf8() + "\r\n";
    }
    // A part of the lines must not stay: they all come again later.
    switch (m_file.append(path, bytes)) {
    case 0:
        return DeliveryProblem::None;
    case ENOENT:
    case ENOTDIR:
        return DeliveryProblem::TargetMissing;
    default:
        return DeliveryProblem::NotWritable;
    }
}
