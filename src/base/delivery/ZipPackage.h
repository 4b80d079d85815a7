#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>

struct zip;

// A zip package held in memory: entries are read by name, and a copy of the package can be made
// with one entry's contents replaced while every other entry keeps its compressed data as is.
class ZipPackage {
public:
    enum class Status { Ok, NotAZip, Corrupt };

    ZipPackage();
    ~ZipPackage();
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;

    Status open(const QByteArray& bytes);

    // Entry index of a part name. Part names in a package compare without regard to case, so an
    // exact match is preferred and a case-insensitive one is the fallback.
    std::optional<std::uint64_t> find(const QString& name) const;

    // Uncompressed contents; nullopt when the entry cannot be inflated or fails its checksum.
    std::optional<QByteArray> read(std::uint64_t index) const;

    // The whole package with the entry at index holding contents instead; nullopt and a reason
    // in error when libzip cannot build it. The package itself is left as it was.
    std::optional<QByteArray> withReplacedEntry(std::uint64_t index, const QByteArray& contents,
                                                QString* error) const;
    // The same for several entries: each index maps to its new contents, or to nullopt for an
    // entry that goes.
    using Changes = std::map<std::uint64_t, std::optional<QByteArray>>;
    std::optional<QByteArray> withChanges(const Changes& changes, QString* error) const;

    // The whole package with the entry at index holding data that is deflated already: it is
    // stored as given, with the CRC-32 and size of the text it holds.
    struct Deflated {
        QByteArray data;
        std::uint32_t crc = 0;
        std::uint64_t size = 0;
    };
    std::optional<QByteArray> withDeflatedEntry(std::uint64_t index, const Deflated& deflated,
                                                QString* error) const;

    QString lastError() const { return m_lastError; }
    // The package as opened.
    const QByteArray& bytes() const { return m_bytes; }

private:
    std::optional<QByteArray> rebuilt(const Changes& changes, const Deflated* deflated,
                                      std::uint64_t deflatedIndex, QString* error) const;

    struct ArchiveDiscard {
        void operator()(zip* archive) const;
    };

    // Declared before the archive, which reads from it until it is discarded.
    QByteArray m_bytes;
    std::unique_ptr<zip, ArchiveDiscard> m_archive;
    mutable QString m_lastError;
};
