#include "base/delivery/AppendableDeflate.h"

#include "base/delivery/BackgroundWork.h"

#include <zlib.h>

namespace {

// zlib's fastest level: a worksheet's rows are repetitive markup, and level 1 keeps most of
// the gain of the usual level 6 at a fraction of its time.
constexpr int Level = 1;
constexpr int RawWindowBits = -15;
constexpr int MemoryLevel = 8;
// Below this a second thread costs more than it saves.
constexpr qsizetype CompressInHalvesFrom = 256 * 1024;

// Feeds text to stream and appends what comes out to out, ending with flush.
bool feed(z_stream& stream, QByteArrayView text, int flush, QByteArray& out) {
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = uInt(text.size());
    for (;;) {
        const qsizetype before = out.size();
        const uInt room = uInt(deflateBound(&stream, stream.avail_in) + 64);
        out.resize(before + qsizetype(room));
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + before);
        stream.avail_out = room;
        const int status = deflate(&stream, flush);
        out.resize(before + qsizetype(room - stream.avail_out));
        if (status == Z_STREAM_ERROR) {
            return false;
        }
        // Done when all input is taken and zlib left room unused, which it does only when it
        // has nothing more to write for this flush.
        if (stream.avail_in == 0 && stream.avail_out != 0) {
            return flush != Z_FINISH || status == Z_STREAM_END;
        }
    }
}

std::uint32_t crcOf(std::uint32_t crc, QByteArrayView text) {
    return std::uint32_t(crc32_z(crc, reinterpret_cast<const Bytef*>(text.data()), std::size_t(text.size())));
}

} // namespace

// A raw deflate stream that lives between appends, so the body's new bytes can refer back to
// the rows before them.
struct AppendableDeflate::Stream {
    z_stream stream{};
    bool ready = false;

    Stream() {
        ready =
            deflateInit2(&stream, Level, Z_DEFLATED, RawWindowBits, MemoryLevel, Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~Stream() {
        if (ready) {
            deflateEnd(&stream);
        }
    }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;
};

AppendableDeflate::AppendableDeflate() = default;
AppendableDeflate::~AppendableDeflate() = default;

bool AppendableDeflate::compress(QByteArrayView text, bool last, Piece& piece) {
    Stream stream;
    piece = {};
    if (!stream.ready || !feed(stream.stream, text, last ? Z_FINISH : Z_SYNC_FLUSH, piece.data)) {
        return false;
    }
    piece.crc = crcOf(std::uint32_t(crc32(0, nullptr, 0)), text);
    piece.size = std::uint64_t(text.size());
    return true;
}

bool AppendableDeflate::start(QByteArrayView head, QByteArrayView piece, QByteArrayView body,
                              QByteArrayView tail) {
    m_bodyStream = std::make_unique<Stream>();
    m_body = {};
    m_body.crc = std::uint32_t(crc32(0, nullptr, 0));
    // A long body is compressed in two halves at once: the first as a stream of its own, ended
    // on a byte boundary, the second by the stream that later appends continue. Losing the
    // history at the cut costs a few bytes.
    const qsizetype cut = body.size() >= CompressInHalvesFrom ? body.size() / 2 : 0;
    Piece firstHalf;
    bool firstHalfDone = cut == 0;
    std::optional<std::jthread> helper;
    if (cut > 0) {
        helper = startInBackground([&] { firstHalfDone = compress(body.first(cut), false, firstHalf); });
    }
    const bool rest = m_bodyStream->ready && compress(head, false, m_head) && compress(tail, true, m_tail) &&
                      append(piece, body.sliced(cut));
    helper.reset();
    if (!rest || !firstHalfDone) {
        m_bodyStream.reset();
        return false;
    }
    if (cut > 0) {
        m_body.data.prepend(firstHalf.data);
        m_body.crc = std::uint32_t(crc32_combine(firstHalf.crc, m_body.crc, z_off_t(m_body.size)));
        m_body.size += firstHalf.size;
    }
    return true;
}

bool AppendableDeflate::append(QByteArrayView piece, QByteArrayView bodyAddition) {
    // A sync flush ends the body's output on a byte boundary without ending the stream.
    if (!m_bodyStream || !compress(piece, false, m_piece) ||
        !feed(m_bodyStream->stream, bodyAddition, Z_SYNC_FLUSH, m_body.data)) {
        m_bodyStream.reset();
        return false;
    }
    m_body.crc = crcOf(m_body.crc, bodyAddition);
    m_body.size += std::uint64_t(bodyAddition.size());
    return true;
}

bool AppendableDeflate::isStarted() const {
    return bool(m_bodyStream);
}

void AppendableDeflate::reset() {
    m_bodyStream.reset();
}

ZipPackage::Deflated AppendableDeflate::deflated() const {
    ZipPackage::Deflated result;
    result.data.reserve(m_head.data.size() + m_piece.data.size() + m_body.data.size() + m_tail.data.size());
    result.crc = m_head.crc;
    for (const Piece* piece : {&m_head, &m_piece, &m_body, &m_tail}) {
        result.data.append(piece->data);
        if (piece != &m_head) {
            result.crc = std::uint32_t(crc32_combine(result.crc, piece->crc, z_off_t(piece->size)));
        }
        result.size += piece->size;
    }
    return result;
}
