#include "base/delivery/OutboxJournal.h"

#include "base/files/AtomicFile.h"

#include <QFile>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

namespace {

// A record: "TAG SEQUENCE LENGTH CHECKSUM\n", LENGTH bytes, "\n". The checksum is the CRC-32 of
// "TAG SEQUENCE LENGTH " and the bytes, in eight hexadecimal digits.
constexpr char TargetTag = 'T';
constexpr char ValueTag = 'V';
constexpr char DeliveredTag = 'D';
constexpr qsizetype MaximumHeaderBytes = 64;
constexpr qsizetype MaximumPayloadBytes = 1 << 20;
// Marks that make the file worth writing again without them.
constexpr qsizetype MarksBeforeRewrite = 4096;

const char* kindName(DeliveryTarget::Kind kind) {
    switch (kind) {
    case DeliveryTarget::Kind::TextFile:
        return "text file";
    case DeliveryTarget::Kind::Workbook:
        return "workbook";
    case DeliveryTarget::Kind::Database:
        return "database";
    }
    return "";
}

std::optional<DeliveryTarget::Kind> kindFromName(const QByteArray& name) {
    for (const auto kind :
         {DeliveryTarget::Kind::TextFile, DeliveryTarget::Kind::Workbook, DeliveryTarget::Kind::Database}) {
        if (name == kindName(kind)) {
            return kind;
        }
    }
    return std::nullopt;
}

quint32 checksum(const QByteArray& prefix, const char* payload, qsizetype size) {
    uLong crc = crc32(0L, nullptr, 0);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(prefix.constData()), static_cast<uInt>(prefix.size()));
    crc = crc32(crc, reinterpret_cast<const Bytef*>(payload), static_cast<uInt>(size));
    return static_cast<quint32>(crc);
}

QByteArray record(char tag, quint64 sequence, const QByteArray& payload) {
    const QByteArray prefix = QByteArray(1, tag) + ' ' + QByteArray::number(sequence) + ' ' +
                              QByteArray::number(payload.size()) + ' ';
    const QByteArray sum =
        QByteArray::number(checksum(prefix, payload.constData(), payload.size()), 16).rightJustified(8, '0');
    return prefix + sum + '\n' + payload + '\n';
}

QByteArray targetPayload(const DeliveryTarget& target) {
    // Paths and table names never hold a NUL byte.
    return QByteArray(kindName(target.kind)) + '\0' + target.location.toUtf8() + '\0' + target.part.toUtf8();
}

std::optional<DeliveryTarget> targetFromPayload(const QByteArray& payload) {
    const QList<QByteArray> fields = payload.split('\0');
    if (fields.size() != 3) {
        return std::nullopt;
    }
    const auto kind = kindFromName(fields.at(0));
    if (!kind || fields.at(1).isEmpty()) {
        return std::nullopt;
    }
    return DeliveryTarget{*kind, QString::fromUtf8(fields.at(1)), QString::fromUtf8(fields.at(2))};
}

struct Record {
    char tag = 0;
    quint64 sequence = 0;
    QByteArray payload;
    qsizetype end = 0;
};

// The record that starts at offset, when it is whole and its checksum holds.
std::optional<Record> readRecord(const QByteArray& bytes, qsizetype offset) {
    const qsizetype newline = bytes.indexOf('\n', offset);
    if (newline < 0 || newline - offset > MaximumHeaderBytes) {
        return std::nullopt;
    }
    const QList<QByteArray> header = bytes.mid(offset, newline - offset).split(' ');
    if (header.size() != 4 || header.at(0).size() != 1 || header.at(3).size() != 8) {
        return std::nullopt;
    }
    bool sequenceRead = false;
    bool lengthRead = false;
    bool sumRead = false;
    Record r;
    r.tag = header.at(0).at(0);
    r.sequence = header.at(1).toULongLong(&sequenceRead);
    const qlonglong length = header.at(2).toLongLong(&lengthRead);
    const quint32 sum = header.at(3).toUInt(&sumRead, 16);
    if (!sequenceRead || !lengthRead || !sumRead || length < 0 || length > MaximumPayloadBytes ||
        header.at(1).startsWith('+') || header.at(2).startsWith('+')) {
        return std::nullopt;
    }
    const qsizetype start = newline + 1;
    if (start + length >= bytes.size() || bytes.at(start + length) != '\n') {
        return std::nullopt;
    }
    const QByteArray prefix = bytes.mid(offset, newline - offset - 8);
    if (checksum(prefix, bytes.constData() + start, length) != sum) {
        return std::nullopt;
    }
    r.payload = bytes.mid(start, length);
    r.end = start + length + 1;
    return r;
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

FileDescriptor openForAppending(const QString& path, int extraFlags) {
    return FileDescriptor(
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CLOEXEC | extraFlags, 0600));
}

} // namespace

OutboxJournal::Contents OutboxJournal::parse(const QByteArray& bytes) {
    Contents contents;
    qsizetype offset = 0;
    while (const std::optional<Record> r = readRecord(bytes, offset)) {
        if (!contents.target) {
            contents.target = r->tag == TargetTag ? targetFromPayload(r->payload) : std::nullopt;
            if (!contents.target) {
                break;
            }
        } else if (r->tag == ValueTag && r->sequence >= contents.nextSequence) {
            contents.waiting.push_back({r->sequence, QString::fromUtf8(r->payload)});
            contents.nextSequence = r->sequence + 1;
        } else if (r->tag == DeliveredTag && r->payload.isEmpty() && !contents.waiting.empty() &&
                   contents.waiting.front().sequence == r->sequence) {
            // Values are taken in their order, so a mark is always for the first one.
            contents.waiting.pop_front();
        } else {
            break;
        }
        offset = r->end;
    }
    contents.wholeBytes = offset;
    return contents;
}

QByteArray OutboxJournal::encode(const DeliveryTarget& target, const std::deque<Entry>& waiting) {
    QByteArray bytes = record(TargetTag, 0, targetPayload(target));
    for (const Entry& entry : waiting) {
        bytes += record(ValueTag, entry.sequence, entry.text.toUtf8());
    }
    return bytes;
}

std::unique_ptr<OutboxJournal> OutboxJournal::create(const QString& path, const DeliveryTarget& target,
                                                     Sync sync, QString* error) {
    auto journal =
        std::make_unique<OutboxJournal>(Key(), path, target, FileDescriptor(), std::deque<Entry>(), 1);
    // A journal already at the path, one that could not be read, is not overwritten.
    if (!journal->startFile(O_EXCL, error)) {
        return nullptr;
    }
    if (sync == Sync::Now && !journal->sync(error)) {
        journal->m_file.reset();
        ::unlink(QFile::encodeName(path).constData());
        return nullptr;
    }
    return journal;
}

std::unique_ptr<OutboxJournal> OutboxJournal::open(const QString& path, Contents contents, QString* error) {
    if (!contents.target) {
        if (error) {
            *error = QStringLiteral("the journal names no target");
        }
        return nullptr;
    }
    auto journal = std::make_unique<OutboxJournal>(Key(), path, *contents.target, FileDescriptor(),
                                                   std::move(contents.waiting), contents.nextSequence);
    if (!journal->rewrite(error)) {
        return nullptr;
    }
    return journal;
}

OutboxJournal::OutboxJournal(Key, QString path, DeliveryTarget target, FileDescriptor file,
                             std::deque<Entry> waiting, quint64 nextSequence)
    : m_path(std::move(path)), m_target(std::move(target)), m_file(std::move(file)),
      m_waiting(std::move(waiting)), m_nextSequence(nextSequence) {}

OutboxJournal::~OutboxJournal() = default;

bool OutboxJournal::keep(const QString& text, Sync sync, QString* error) {
    // Every value had gone and the file with them: it starts anew.
    if (!m_file.isValid() && !startFile(O_TRUNC, error)) {
        return false;
    }
    if (!append(record(ValueTag, m_nextSequence, text.toUtf8()), sync, error) ||
        (sync == Sync::Now && !this->sync(error))) {
        return false;
    }
    m_waiting.push_back({m_nextSequence++, text});
    return true;
}

bool OutboxJournal::startFile(int createFlag, QString* error) {
    m_file = openForAppending(m_path, O_CREAT | createFlag);
    if (!m_file.isValid()) {
        if (error) {
            *error = systemError();
        }
        return false;
    }
    m_folderUnsynced = true;
    // On disk with the first value kept, or with sync().
    if (!append(record(TargetTag, 0, targetPayload(m_target)), Sync::Later, error)) {
        m_file.reset();
        ::unlink(QFile::encodeName(m_path).constData());
        return false;
    }
    return true;
}

bool OutboxJournal::markDelivered(qsizetype count, QString* error) {
    count = std::min(count, static_cast<qsizetype>(m_waiting.size()));
    if (count <= 0) {
        return true;
    }
    QByteArray marks;
    for (qsizetype k = 0; k < count; ++k) {
        marks += record(DeliveredTag, m_waiting.at(static_cast<std::size_t>(k)).sequence, {});
    }
    // A mark that a power cut could undo would deliver its value twice.
    if (!append(marks, Sync::Now, error)) {
        return false;
    }
    m_waiting.erase(m_waiting.begin(), m_waiting.begin() + count);
    m_marks += count;
    if (m_waiting.empty()) {
        // Should a power cut bring the file back, its marks leave nothing waiting.
        m_file.reset();
        m_marks = 0;
        m_unsynced = false;
        m_folderUnsynced = false;
        ::unlink(QFile::encodeName(m_path).constData());
    } else if (m_marks >= MarksBeforeRewrite && m_marks > static_cast<qsizetype>(m_waiting.size())) {
        // The marks are on disk already: a failed rewrite costs only space.
        rewrite(nullptr);
    }
    return true;
}

bool OutboxJournal::sync(QString* error) {
    if (m_unsynced && m_file.isValid()) {
        if (::fdatasync(m_file.get()) != 0) {
            if (error) {
                *error = systemError();
            }
            return false;
        }
        m_unsynced = false;
    }
    if (m_folderUnsynced && m_file.isValid()) {
        FileDescriptor::syncFolderOf(m_path);
        m_folderUnsynced = false;
    }
    return true;
}

bool OutboxJournal::append(const QByteArray& bytes, Sync sync, QString* error) {
    // A part of a record would hide every record after it: appendWhole() cuts it off.
    if (!m_file.appendWhole(bytes)) {
        if (error) {
            *error = systemError();
        }
        return false;
    }
    m_unsynced = true;
    if (sync == Sync::Now && ::fdatasync(m_file.get()) != 0) {
        if (error) {
            *error = systemError();
        }
        // Not known to be on disk: the caller will not count on it, so it must not come back.
        // The journal is this program's alone, so the record ends the file.
        const off_t end = ::lseek(m_file.get(), 0, SEEK_END);
        if (end >= bytes.size()) {
            (void)!::ftruncate(m_file.get(), end - off_t(bytes.size()));
        }
        return false;
    }
    if (sync == Sync::Now) {
        m_unsynced = false;
    }
    return true;
}

bool OutboxJournal::rewrite(QString* error) {
    if (!AtomicFile::replace(m_path, encode(m_target, m_waiting), error)) {
        return false;
    }
    m_file = openForAppending(m_path, 0);
    m_marks = 0;
    m_unsynced = false;
    m_folderUnsynced = false;
    if (!m_file.isValid()) {
        if (error) {
            *error = systemError();
        }
        return false;
    }
    return true;
}
