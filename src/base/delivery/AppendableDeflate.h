#pragma once

#include "base/delivery/ZipPackage.h"

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <memory>

// The deflated form of a text that changes in two known places only: a short piece that is
// replaced (a worksheet's dimension) and a body that grows at its end (the rows). The text is
// held as four raw deflate streams, each ended on a byte boundary and only the last one final,
// so their concatenation is one valid deflate stream: head, replaced piece, body, tail (a long
// body's first half is a stream of its own, compressed on a second thread). An append then
// compresses the new bytes and the short piece only, whatever the size of the text.
class AppendableDeflate {
public:
    AppendableDeflate();
    ~AppendableDeflate();
    AppendableDeflate(const AppendableDeflate&) = delete;
    AppendableDeflate& operator=(const AppendableDeflate&) = delete;

    // Starts over with a text cut into its four pieces; false when zlib fails.
    bool start(QByteArrayView head, QByteArrayView piece, QByteArrayView body, QByteArrayView tail);

    // Replaces the piece and adds to the end of the body; false when zlib fails, after which
    // nothing but start() may be called.
    bool append(QByteArrayView piece, QByteArrayView bodyAddition);

    bool isStarted() const;
    // Forgets the text: append() fails until the next start().
    void reset();

    // The whole text, deflated.
    ZipPackage::Deflated deflated() const;

private:
    struct Stream;
    struct Piece {
        QByteArray data;
        std::uint32_t crc = 0;
        std::uint64_t size = 0;
    };
    static bool compress(QByteArrayView text, bool last, Piece& piece);

    Piece m_head;
    Piece m_piece;
    Piece m_body;
    Piece m_tail;
    std::unique_ptr<Stream> m_bodyStream;
};
