#include "swf/format/container.h"

#include "swf/format/limits.h"

#include <lzma.h>
#include <zlib.h>

#include <algorithm>

namespace reelcase::swf {
namespace {

constexpr qint64 headerSize = 8;
constexpr qint64 chunk = 64 * 1024;

bool setError(LoadError* error, const QString& reason, qint64 offset) {
    if (error)
        *error = {reason, offset};
    return false;
}

quint32 le32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return u[0] | (u[1] << 8) | (u[2] << 16) | (quint32(u[3]) << 24);
}

// Inflates a zlib stream into out (at most limit bytes).
bool inflateBody(const char* in, qint64 inSize, qint64 limit, Container& c, LoadError* error) {
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        return setError(error, QStringLiteral("zlib could not start"), 0);
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in));
    zs.avail_in = static_cast<uInt>(std::min<qint64>(inSize, 0x7fffffff));
    int rc = Z_OK;
    while (c.body.size() < limit) {
        const qint64 old = c.body.size();
        const qint64 grow = std::min<qint64>(chunk, limit - old);
        c.body.resize(old + grow);
        zs.next_out = reinterpret_cast<Bytef*>(c.body.data() + old);
        zs.avail_out = static_cast<uInt>(grow);
        rc = inflate(&zs, Z_NO_FLUSH);
        c.body.resize(old + grow - zs.avail_out);
        if (rc == Z_STREAM_END)
            break;
        if (rc == Z_DATA_ERROR || rc == Z_MEM_ERROR || rc == Z_NEED_DICT) {
            inflateEnd(&zs);
            return setError(error, QStringLiteral("corrupt zlib stream"), c.body.size());
        }
        if (rc == Z_BUF_ERROR && zs.avail_in == 0)
            break; // the input ended early
    }
    inflateEnd(&zs);
    c.truncated = rc != Z_STREAM_END && c.body.size() < limit;
    return true;
}

// The ZWS layout: after the 8-byte header a 32-bit compressed length, then the five
// LZMA property bytes and the raw stream. liblzma's "alone" decoder wants the properties
// followed by a 64-bit uncompressed size, so that header is put together here.
bool unlzmaBody(const char* in, qint64 inSize, qint64 limit, Container& c, LoadError* error) {
    if (inSize < 9)
        return setError(error, QStringLiteral("LZMA header is truncated"), 0);
    unsigned char alone[13];
    std::copy(in + 4, in + 9, reinterpret_cast<char*>(alone));
    quint64 size = static_cast<quint64>(limit);
    for (int i = 0; i < 8; ++i)
        alone[5 + i] = static_cast<unsigned char>(size >> (8 * i));
    lzma_stream ls = LZMA_STREAM_INIT;
    if (lzma_alone_decoder(&ls, 128ull * 1024 * 1024) != LZMA_OK)
        return setError(error, QStringLiteral("LZMA could not start"), 0);
    ls.next_in = alone;
    ls.avail_in = sizeof alone;
    lzma_ret rc = LZMA_OK;
    const auto* data = reinterpret_cast<const uint8_t*>(in + 9);
    const qint64 dataSize = inSize - 9;
    bool fedData = false;
    while (c.body.size() < limit) {
        if (ls.avail_in == 0 && !fedData) {
            ls.next_in = data;
            ls.avail_in = static_cast<size_t>(dataSize);
            fedData = true;
        }
        const qint64 old = c.body.size();
        const qint64 grow = std::min<qint64>(chunk, limit - old);
        c.body.resize(old + grow);
        ls.next_out = reinterpret_cast<uint8_t*>(c.body.data() + old);
        ls.avail_out = static_cast<size_t>(grow);
        rc = lzma_code(&ls, fedData ? LZMA_FINISH : LZMA_RUN);
        c.body.resize(old + grow - static_cast<qint64>(ls.avail_out));
        if (rc == LZMA_STREAM_END)
            break;
        if (rc == LZMA_BUF_ERROR && fedData)
            break; // the input ended early
        if (rc != LZMA_OK) {
            lzma_end(&ls);
            return setError(error, QStringLiteral("corrupt LZMA stream"), c.body.size());
        }
        if (fedData && ls.avail_in == 0 && ls.avail_out != 0)
            break;
    }
    lzma_end(&ls);
    c.truncated = c.body.size() < limit;
    return true;
}

} // namespace

std::optional<Container> readContainer(const QByteArray& file, LoadError* error, qint64 maxBody) {
    if (maxBody < 0)
        maxBody = limits::maxBodyBytes;
    if (file.size() < headerSize) {
        setError(error, QStringLiteral("file is too short to be a SWF file"), file.size());
        return std::nullopt;
    }
    Container c;
    const char* p = file.constData();
    const QByteArray sig = file.left(3);
    if (sig == "FWS")
        c.compression = Compression::None;
    else if (sig == "CWS")
        c.compression = Compression::Zlib;
    else if (sig == "ZWS")
        c.compression = Compression::Lzma;
    else {
        setError(error, QStringLiteral("not a SWF file (unknown signature)"), 0);
        return std::nullopt;
    }
    c.version = static_cast<unsigned char>(p[3]);
    c.declaredLength = le32(p + 4);
    if (c.declaredLength < headerSize) {
        setError(error, QStringLiteral("declared file length is smaller than the header"), 4);
        return std::nullopt;
    }
    const qint64 declaredBody = qint64(c.declaredLength) - headerSize;
    if (declaredBody > maxBody) {
        setError(error,
                 QStringLiteral("declared length %1 exceeds the limit").arg(c.declaredLength), 4);
        return std::nullopt;
    }
    const char* in = p + headerSize;
    const qint64 inSize = file.size() - headerSize;
    switch (c.compression) {
    case Compression::None:
        c.body = QByteArray(in, std::min(inSize, declaredBody));
        c.truncated = inSize < declaredBody;
        break;
    case Compression::Zlib:
        if (!inflateBody(in, inSize, declaredBody, c, error))
            return std::nullopt;
        break;
    case Compression::Lzma:
        if (!unlzmaBody(in, inSize, declaredBody, c, error))
            return std::nullopt;
        break;
    }
    return c;
}

} // namespace reelcase::swf
