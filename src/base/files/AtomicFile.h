#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file so that a crash leaves either the old or the new contents, never a mixture:
// the bytes go to a temporary file in the same folder, are flushed to disk, and the temporary
// file is renamed over the original. The original's permissions and, where the process may,
// its owner are kept; a symbolic link is followed and stays a link.
class AtomicFile {
public:
    // False, with a reason in error, when any step fails; the original is then untouched and no
    // temporary file is left behind.
    static bool replace(const QString& path, const QByteArray& bytes, QString* error = nullptr);
};
