#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file as a whole or not at all: the bytes go to a temporary file in the same
// folder, are flushed to disk, and the temporary file is renamed over the target. A failure at
// any point (full disk, file size limit, unwritable folder) leaves the old file untouched.
namespace AtomicFile {

// False on failure; error (when given) receives the reason.
bool write(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace AtomicFile
