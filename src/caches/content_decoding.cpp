#include "caches/content_decoding.h"

#include <brotli/decode.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <memory>

namespace reelcase {

namespace {

using Status = DecodedBody::Status;

constexpr size_t kChunk = 64 * 1024;
// zlib counts input in 32-bit units; stored bodies are capped far below this.
constexpr qsizetype kMaxCodedInput = qsizetype(1) << 31;

// Appends what a decoder produced, up to limit; false when the limit cut it.
bool appendLimited(QByteArray& out, const char* data, size_t length, qsizetype limit) {
    const qsizetype room = limit - out.size();
    if (qsizetype(length) > room) {
        out.append(data, room);
        return false;
    }
    out.append(data, qsizetype(length));
    return true;
}

DecodedBody inflateBody(QByteArrayView in, int windowBits, qsizetype limit) {
    z_stream stream{};
    if (in.size() > kMaxCodedInput || inflateInit2(&stream, windowBits) != Z_OK)
        return {Status::Corrupt, {}};
    std::unique_ptr<z_stream, int (*)(z_stream*)> guard(&stream, inflateEnd);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    stream.avail_in = uInt(in.size());
    DecodedBody result;
    std::array<char, kChunk> chunk;
    for (;;) {
        stream.next_out = reinterpret_cast<Bytef*>(chunk.data());
        stream.avail_out = uInt(chunk.size());
        const int rc = inflate(&stream, Z_NO_FLUSH);
        if (!appendLimited(result.bytes, chunk.data(), chunk.size() - stream.avail_out, limit)) {
            result.status = Status::Oversized;
            return result;
        }
        if (rc == Z_STREAM_END) {
            result.status = Status::Complete;
            return result;
        }
        if (rc == Z_BUF_ERROR && stream.avail_in == 0) {
            result.status = Status::CutShort;
            return result;
        }
        if (rc != Z_OK) {
            result.status = Status::Corrupt;
            return result;
        }
    }
}

// HTTP's "deflate" is meant to be zlib-wrapped, but servers also send bare deflate data.
bool hasZlibHeader(QByteArrayView in) {
    if (in.size() < 2)
        return false;
    const auto cmf = uchar(in[0]);
    const auto flg = uchar(in[1]);
    return (cmf & 0x0F) == Z_DEFLATED && (cmf >> 4) <= 7 && (cmf * 256 + flg) % 31 == 0;
}

DecodedBody unbrotli(QByteArrayView in, qsizetype limit) {
    std::unique_ptr<BrotliDecoderState, void (*)(BrotliDecoderState*)> state(
        BrotliDecoderCreateInstance(nullptr, nullptr, nullptr), BrotliDecoderDestroyInstance);
    if (!state)
        return {Status::Corrupt, {}};
    size_t availIn = size_t(in.size());
    auto nextIn = reinterpret_cast<const uint8_t*>(in.data());
    DecodedBody result;
    std::array<char, kChunk> chunk;
    for (;;) {
        size_t availOut = chunk.size();
        auto nextOut = reinterpret_cast<uint8_t*>(chunk.data());
        const BrotliDecoderResult rc = BrotliDecoderDecompressStream(state.get(), &availIn, &nextIn,
                                                                     &availOut, &nextOut, nullptr);
        if (!appendLimited(result.bytes, chunk.data(), chunk.size() - availOut, limit)) {
            result.status = Status::Oversized;
            return result;
        }
        switch (rc) {
        case BROTLI_DECODER_RESULT_SUCCESS:
            result.status = Status::Complete;
            return result;
        case BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT:
            continue;
        case BROTLI_DECODER_RESULT_NEEDS_MORE_INPUT:
            result.status = Status::CutShort;
            return result;
        default:
            result.status = Status::Corrupt;
            return result;
        }
    }
}

DecodedBody decodeOne(QByteArrayView in, ContentCoding coding, qsizetype limit) {
    switch (coding) {
    case ContentCoding::Gzip:
        return inflateBody(in, 16 + MAX_WBITS, limit);
    case ContentCoding::Deflate:
        return inflateBody(in, hasZlibHeader(in) ? MAX_WBITS : -MAX_WBITS, limit);
    case ContentCoding::Brotli:
        return unbrotli(in, limit);
    }
    return {Status::Corrupt, {}};
}

// The worse of two outcomes, for a chain of codings.
Status worse(Status a, Status b) {
    const auto rank = [](Status s) {
        switch (s) {
        case Status::Complete:
            return 0;
        case Status::CutShort:
            return 1;
        case Status::Oversized:
            return 2;
        case Status::Corrupt:
            return 3;
        }
        return 3;
    };
    return rank(a) >= rank(b) ? a : b;
}

} // namespace

std::optional<QList<ContentCoding>> parseContentEncoding(QByteArrayView value) {
    QList<ContentCoding> codings;
    // More layers than this is no server's doing; refuse rather than decode in circles.
    constexpr qsizetype kMaxLayers = 4;
    for (QByteArrayView part : QByteArray(value.toByteArray()).split(',')) {
        const QByteArray name = part.trimmed().toByteArray().toLower();
        if (name.isEmpty() || name == "identity")
            continue;
        if (name == "gzip" || name == "x-gzip")
            codings.append(ContentCoding::Gzip);
        else if (name == "deflate")
            codings.append(ContentCoding::Deflate);
        else if (name == "br")
            codings.append(ContentCoding::Brotli);
        else
            return std::nullopt;
        if (codings.size() > kMaxLayers)
            return std::nullopt;
    }
    return codings;
}

DecodedBody decodeBody(QByteArrayView stored, const QList<ContentCoding>& codings,
                       qsizetype limit) {
    limit = std::max<qsizetype>(limit, 0);
    DecodedBody result{Status::Complete, {}};
    if (codings.isEmpty()) {
        result.bytes = stored.first(std::min(stored.size(), limit)).toByteArray();
        result.status = stored.size() > limit ? Status::Oversized : Status::Complete;
        return result;
    }
    QByteArray current;
    QByteArrayView input = stored;
    for (auto it = codings.crbegin(); it != codings.crend(); ++it) {
        DecodedBody layer = decodeOne(input, *it, limit);
        result.status = worse(result.status, layer.status);
        current = std::move(layer.bytes);
        input = current;
        if (result.status == Status::Corrupt)
            break;
    }
    result.bytes = std::move(current);
    return result;
}

} // namespace reelcase
