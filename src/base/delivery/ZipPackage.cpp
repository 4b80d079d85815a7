#include "base/delivery/ZipPackage.h"

#include <zip.h>

#include <algorithm>
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

// A libzip source of data deflated already; libzip frees it with ZIP_SOURCE_FREE.
struct DeflatedSource {
    explicit DeflatedSource(const ZipPackage::Deflated& data) : deflated(data) { zip_error_init(&error); }

    ZipPackage::Deflated deflated;
    zip_uint64_t offset = 0;
    zip_error_t error;

    static zip_int64_t callback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
        auto* source = static_cast<DeflatedSource*>(state);
        switch (command) {
        case ZIP_SOURCE_OPEN:
            source->offset = 0;
            return 0;
        case ZIP_SOURCE_READ: {
            const zip_uint64_t left = zip_uint64_t(source->deflated.data.size()) - source->offset;
            const zip_uint64_t count = std::min(left, length);
            std::memcpy(data, source->deflated.data.constData() + source->offset, std::size_t(count));
            source->offset += count;
            return zip_int64_t(count);
        }
        case ZIP_SOURCE_CLOSE:
            return 0;
        case ZIP_SOURCE_STAT: {
            auto* stat = static_cast<zip_stat_t*>(data);
            zip_stat_init(stat);
            stat->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC;
            stat->size = source->deflated.size;
            stat->comp_size = zip_uint64_t(source->deflated.data.size());
            stat->comp_method = ZIP_CM_DEFLATE;
            stat->crc = source->deflated.crc;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&source->error, data, length);
        case ZIP_SOURCE_FREE:
            zip_error_fini(&source->error);
            // Owned by libzip since zip_source_function() took it.
            std::unique_ptr<DeflatedSource>{source}.reset();
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                                  ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            zip_error_set(&source->error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    }
};

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
    return rebuilt(changes, nullptr, 0, error);
}

std::optional<QByteArray> ZipPackage::withDeflatedEntry(std::uint64_t index, const Deflated& deflated,
                                                        QString* error) const {
    return rebuilt({}, &deflated, index, error);
}

std::optional<QByteArray> ZipPackage::rebuilt(const Changes& changes, const Deflated* deflated,
                                              std::uint64_t deflatedIndex, QString* error) const {
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
    if (deflated) {
        // The source says its data is deflated already, so libzip stores it without inflating
        // or compressing it again and takes its CRC from the source.
        auto state = std::make_unique<DeflatedSource>(*deflated);
        SourcePtr data(zip_source_function(archive.get(), &DeflatedSource::callback, state.get()));
        if (!data) {
            return fail(archiveError(archive.get()));
        }
        (void)state.release();
        if (zip_file_replace(archive.get(), deflatedIndex, data.get(), 0) != 0) {
            return fail(archiveError(archive.get()));
        }
        (void)data.release();
        if (zip_set_file_compression(archive.get(), deflatedIndex, ZIP_CM_DEFLATE, 0) != 0) {
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
