#pragma once

#include "base/delivery/DeliveryTarget.h"
#include "base/files/FileDescriptor.h"

#include <QByteArray>
#include <QString>

#include <deque>
#include <memory>
#include <optional>

// The values that wait for one target, in a file, so that neither a crash nor a power cut loses
// them. The file is a journal of records, each with its length and a checksum: the target first,
// then every value as it was kept, and a mark for every value that its target has taken since.
// A value without a mark is waiting. Each record is appended before the caller goes on, and
// synced unless the caller syncs later; a cut-off or damaged end is found by its checksum, and
// every record before it counts.
class OutboxJournal {
public:
    // When a kept value must be on disk. Now: before keep() returns, so that a power cut cannot
    // lose it. Later: in the file at once, so that the program may be killed, and on disk with
    // the next mark or sync(); for values that go into their target within moments anyway.
    enum class Sync { Now, Later };

    struct Entry {
        quint64 sequence = 0;
        QString text;
    };

    // What the bytes of a journal file hold, up to the end of the last whole record.
    struct Contents {
        // None when not even the first record is whole.
        std::optional<DeliveryTarget> target;
        std::deque<Entry> waiting;
        quint64 nextSequence = 1;
        qsizetype wholeBytes = 0;
    };

    static Contents parse(const QByteArray& bytes);
    // A journal that holds the target and the waiting values of contents and nothing else.
    static QByteArray encode(const DeliveryTarget& target, const std::deque<Entry>& waiting);

    // A new journal file at path for target, on disk when this returns. Null, with the reason in
    // error, when it cannot be made.
    static std::unique_ptr<OutboxJournal> create(const QString& path, const DeliveryTarget& target, Sync sync,
                                                 QString* error);
    // The journal file at path that holds contents, written again first when it holds more than
    // the contents (a damaged end, values taken long ago). Null, with the reason in error, when
    // it cannot be opened for appending.
    static std::unique_ptr<OutboxJournal> open(const QString& path, Contents contents, QString* error);

    // Only create() and open() make journals.
    class Key {
        friend class OutboxJournal;
        Key() = default;
    };
    OutboxJournal(Key, QString path, DeliveryTarget target, FileDescriptor file, std::deque<Entry> waiting,
                  quint64 nextSequence);
    ~OutboxJournal();
    OutboxJournal(const OutboxJournal&) = delete;
    OutboxJournal& operator=(const OutboxJournal&) = delete;

    const DeliveryTarget& target() const { return m_target; }
    const QString& path() const { return m_path; }
    const std::deque<Entry>& waiting() const { return m_waiting; }

    // Appends a value behind the others; false, with the reason, when it is not in the file.
    bool keep(const QString& text, Sync sync, QString* error);
    // The first count waiting values have been taken by their target: their marks are on disk
    // when this returns. Once none waits, the file goes.
    bool markDelivered(qsizetype count, QString* error);
    // Puts on disk what was kept with Sync::Later.
    bool sync(QString* error);

private:
    bool append(const QByteArray& bytes, Sync sync, QString* error);
    bool rewrite(QString* error);
    // Opens the file with O_CREAT and createFlag and writes the target into it.
    bool startFile(int createFlag, QString* error);

    QString m_path;
    DeliveryTarget m_target;
    FileDescriptor m_file;
    std::deque<Entry> m_waiting;
    quint64 m_nextSequence = 1;
    // Marks in the file since it was last written whole.
    qsizetype m_marks = 0;
    // Records, or the file's entry in its folder, not yet on disk.
    bool m_unsynced = false;
    bool m_folderUnsynced = false;
};
