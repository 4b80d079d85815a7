#include "base/delivery/ZipPackage.h"

#include <zip.h>

#include <cstdlib>
#include <cstring>

namespace {

// Entries larger than this are refused rather than inflated into memory: no worksheet a
// balance fills comes near it, and a damaged size field must not exhaust memory.
constexpr zip_uint64_t MaxEntrySize = 1024ull * 1024ull * 1024ull;
constexpr zip_uint32_t DeflateLevel = 6;

struct MallocFree {
    void operator()(char* data) const { std::free(data); }
};
struct SourceFree {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};
struct FileClose {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
struct SourceClose {
    void operator()(zip_source_t* source) const { zip_source_close(source); }
};

using SourcePtr = std::unique_ptr<zip_source_t, SourceFree>;
using FilePtr = std::unique_ptr<zip_file_t, FileClose>;

// A zip_error_t on the stack that is always finalised.
class ScopedZipError {
public:
    ScopedZipError() { zip_error_init(&m_error); }
    ~ScopedZipError() { zip_error_fini(&m_error); }
    ScopedZipError(const ScopedZipError&) = delete;
    ScopedZipError& operator=(const ScopedZipError&) = delete;
    zip_error_t* get() { return &m_error; }
    int code() const { return zip_error_code_zip(&m_error); }
    QString text() { return QString::fromUtf8(zip_error_strerror(&m_error)); }

private:
    zip_error_t m_error;
};

QString archiveError(zip_t* archive) {
    return QString::fromUtf8(zip_strerror(archive));
}

} // namespace

void ZipPackage::ArchiveDiscard::operator()(zip* archive) const {
    zip_discard(archive);
}

ZipPackage::ZipPackage() = default;
ZipPackage::~ZipPackage() = default;

ZipPackage::Status ZipPackage::open(const QByteArray& bytes) {
    m_archive.reset();
    m_bytes = bytes;
    ScopedZipError error;
    // The buffer source only refers to m_bytes, which stays unchanged while the archive lives.
    SourcePtr source(
        zip_source_buffer_create(m_bytes.constData(), zip_uint64_t(m_bytes.size()), 0, error.get()));
    if (!source) {
        m_lastError = error.text();
        return Status::Corrupt;
    }
    zip_t* archive = zip_open_from_source(source.get(), ZIP_RDONLY, error.get());
    if (!archive) {
        m_lastError = error.text();
        return error.code() == ZIP_ER_NOZIP ? Status::NotAZip : Status::Corrupt;
    }
    // The archive now owns the source.
    (void)source.release();
    m_archive.reset(archive);
    return Status::Ok;
}

std::optional<std::uint64_t> ZipPackage::find(const QString& name) const {
    if (!m_archive) {
        return std::nullopt;
    }
    const QByteArray utf8 = name.toUtf8();
    zip_int64_t index = zip_name_locate(m_archive.get(), utf8.constData(), ZIP_FL_ENC_GUESS);
    if (index < 0) {
        index = zip_name_locate(m_archive.get(), utf8.constData(), ZIP_FL_NOCASE | ZIP_FL_ENC_GUESS);
    }
    if (index < 0) {
        return std::nullopt;
    }
    return std::uint64_t(index);
}

std::optional<QByteArray> ZipPackage::read(std::uint64_t index) const {
    if (!m_archive) {
        return std::nullopt;
    }
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(m_archive.get(), index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE) ||
        stat.size > MaxEntrySize) {
        m_lastError = QStringLiteral("entry size unknown or too large");
        return std::nullopt;
    }
    FilePtr file(zip_fopen_index(m_archive.get(), index, 0));
    if (!file) {
        m_lastError = archiveError(m_archive.get());
        return std::nullopt;
    }
    QByteArray contents(qsizetype(stat.size), Qt::Uninitialized);
    zip_uint64_t done = 0;
    while (done < stat.size) {
        const zip_int64_t got = zip_fread(file.get(), contents.data() + done, stat.size - done);
        if (got <= 0) {
            m_lastError = QString::fromUtf8(zip_file_strerror(file.get()));
            return std::nullopt;
        }
        done += zip_uint64_t(got);
    }
    // Reading past the end makes libzip compare the checksum.
    char probe = 0;
    if (zip_fread(file.get(), &probe, 1) != 0) {
        m_lastError = QString::fromUtf8(zip_file_strerror(file.get()));
        return std::nullopt;
    }
    return contents;
}

std::optional<QByteArray> ZipPackage::withReplacedEntry(std::uint64_t index, const QByteArray& contents,
                                                        QString* error) const {
    return withChanges({{index, contents}}, error);
}

std::optional<QByteArray> ZipPackage::withChanges(const Changes& changes, QString* error) const {
    auto fail = [error](const QString& reason) -> std::optional<QByteArray> {
        if (error) {
            *error = reason;
        }
        return std::nullopt;
    };
    if (!m_archive) {
        return fail(QStringLiteral("package not open"));
    }
    // A second archive over the same bytes is modified and closed: libzip then writes the new
    // package into its buffer source, copying the unchanged entries' compressed data as it is.
    // libzip 1.7 frees the data of a buffer source it rewrites even when it does not own it
    // (nih-at/libzip#284), so the writable source gets a copy of its own.
    ScopedZipError zipError;
    std::unique_ptr<char, MallocFree> copy(static_cast<char*>(std::malloc(std::size_t(m_bytes.size()))));
    if (!copy) {
        return fail(QStringLiteral("out of memory"));
    }
    std::memcpy(copy.get(), m_bytes.constData(), std::size_t(m_bytes.size()));
    SourcePtr target(zip_source_buffer_create(copy.get(), zip_uint64_t(m_bytes.size()), 1, zipError.get()));
    if (!target) {
        return fail(zipError.text());
    }
    (void)copy.release();
    zip_t* rawArchive = zip_open_from_source(target.get(), 0, zipError.get());
    if (!rawArchive) {
        return fail(zipError.text());
    }
    std::unique_ptr<zip, ArchiveDiscard> archive(rawArchive);
    // Both the archive and this function hold the source now; ours outlives zip_close.
    zip_source_keep(target.get());

    for (const auto& [index, contents] : changes) {
        if (!contents) {
            if (zip_delete(archive.get(), index) != 0) {
                return fail(archiveError(archive.get()));
            }
            continue;
        }
        // The contents outlive zip_close, which reads them.
        SourcePtr data(
            zip_source_buffer(archive.get(), contents->constData(), zip_uint64_t(contents->size()), 0));
        if (!data) {
            return fail(archiveError(archive.get()));
        }
        if (zip_file_replace(archive.get(), index, data.get(), 0) != 0) {
            return fail(archiveError(archive.get()));
        }
        (void)data.release();
        // libzip deflates at the highest level by default; zlib's usual level is several times
        // faster on worksheet XML and costs only a few percent in size. The level is given with
        // the default method because libzip 1.7 ignores it when the method equals the entry's
        // old one.
        if (zip_set_file_compression(archive.get(), index, ZIP_CM_DEFAULT, DeflateLevel) != 0) {
            return fail(archiveError(archive.get()));
        }
    }
    if (zip_close(archive.get()) != 0) {
        return fail(archiveError(archive.get()));
    }
    (void)archive.release();

    auto sourceError = [&target] {
        return QString::fromUtf8(zip_error_strerror(zip_source_error(target.get())));
    };
    if (zip_source_open(target.get()) != 0) {
        return fail(sourceError());
    }
    const std::unique_ptr<zip_source_t, SourceClose> opened(target.get());
    QByteArray package;
    zip_stat_t written;
    zip_stat_init(&written);
    if (zip_source_stat(target.get(), &written) == 0 && (written.valid & ZIP_STAT_SIZE)) {
        package.reserve(qsizetype(written.size));
    }
    char chunk[65536];
    for (;;) {
        const zip_int64_t got = zip_source_read(target.get(), chunk, sizeof chunk);
        if (got < 0) {
            return fail(sourceError());
        }
        if (got == 0) {
            break;
        }
        package.append(chunk, qsizetype(got));
    }
    return package;
}
