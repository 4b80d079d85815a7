#pragma once

#include "base/files/FileDescriptor.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <sys/types.h>

// A file that entries are appended to, one write each, kept open while entries follow each
// other: opening it costs more than writing an entry. Before each entry the path is looked up,
// and a file that the user has deleted, moved away or replaced is followed by the one now at the
// path (a new one when there is none). It is opened anew every second, so that a change of its
// permissions counts as it would for a file opened for every entry, and closed a second after
// the last entry, so that a file on a network share reaches the server as it did.
class AppendOnlyFile {
public:
    static constexpr int ReopenAfterMs = 1000;

    AppendOnlyFile();

    // 0 when the whole entry is in the file; else the errno of the open or the write that
    // failed, and no part of the entry stays.
    int append(const QString& path, const QByteArray& entry);

private:
    bool isStillAt(const QByteArray& path) const;

    QString m_path;
    QByteArray m_encodedPath;
    FileDescriptor m_file;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    QElapsedTimer m_opened;
    QElapsedTimer m_lastEntry;
    QTimer m_idle;
};
