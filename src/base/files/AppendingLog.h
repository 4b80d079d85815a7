#pragma once

#include "base/files/FileDescriptor.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

// A file that entries are appended to, one write each, kept open between them: opening it costs
// more than writing an entry. It is opened anew at least once a second and at once when it has
// been deleted, so a file that the user moves away or removes is followed by a new one at the
// path.
class AppendingLog {
public:
    static constexpr int ReopenAfterMs = 1000;

    // False when the file at path cannot be opened or written.
    bool append(const QString& path, const QByteArray& entry);

private:
    QString m_path;
    FileDescriptor m_file;
    QElapsedTimer m_opened;
};
