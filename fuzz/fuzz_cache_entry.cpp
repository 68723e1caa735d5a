// libFuzzer entry: any bytes through the browser-cache parsers and body decoding. The
// first byte chooses what the rest is: 0 a Chromium simple-cache entry, 1 a Firefox cache2
// entry, 2 an Internet Explorer index.dat, 3 a Chromium response info, 4 a stored body
// with a response head, 5 a Chromium block-file cache (index, data_1 and f_000001, their
// lengths in the two 16-bit numbers that follow).
#include "caches/cache_reader.h"
#include "caches/chromium_blockfile_cache.h"
#include "caches/chromium_response_info.h"
#include "caches/chromium_simple_cache.h"
#include "caches/content_decoding.h"
#include "caches/firefox_cache2.h"
#include "caches/ie_url_index.h"
#include "caches/swf_signature.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstddef>
#include <cstdint>

using namespace reelcase;

namespace {

QTemporaryDir* scratch() {
    static QTemporaryDir dir;
    return &dir;
}

bool put(const QString& name, QByteArrayView bytes) {
    QFile file(scratch()->filePath(name));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes.data(), bytes.size()) == bytes.size();
}

void movieOf(const std::optional<ParsedEntry>& entry) {
    if (entry)
        extractMovie(*entry);
}

std::shared_ptr<const ReadOnlyFile> entryFile(QByteArrayView bytes) {
    if (!put(QStringLiteral("entry"), bytes))
        return nullptr;
    auto file = ReadOnlyFile::open(scratch()->filePath(QStringLiteral("entry")));
    return file ? std::make_shared<const ReadOnlyFile>(std::move(*file)) : nullptr;
}

void blockfileCache(QByteArrayView bytes) {
    if (bytes.size() < 4)
        return;
    const qsizetype indexLength =
        std::min<qsizetype>(qFromLittleEndian<quint16>(bytes.data()), bytes.size() - 4);
    const QByteArrayView rest = bytes.sliced(4 + indexLength);
    const qsizetype dataLength =
        std::min<qsizetype>(qFromLittleEndian<quint16>(bytes.data() + 2), rest.size());
    const QString folder = scratch()->filePath(QStringLiteral("blockfile"));
    QDir().mkpath(folder);
    QFile::remove(folder + QStringLiteral("/f_000001"));
    if (!put(QStringLiteral("blockfile/index"), bytes.sliced(4, indexLength)) ||
        !put(QStringLiteral("blockfile/data_1"), rest.first(dataLength)) ||
        !put(QStringLiteral("blockfile/f_000001"), rest.sliced(dataLength)))
        return;
    readBlockfileCache(folder, [](ParsedEntry&& entry) { extractMovie(entry); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    switch (data[0] % 6) {
    case 0:
        if (auto file = entryFile(bytes))
            movieOf(parseSimpleCacheEntry(file));
        break;
    case 1:
        if (auto file = entryFile(bytes))
            movieOf(parseCache2Entry(file));
        break;
    case 2:
        readIeUrlIndex(bytes);
        break;
    case 3:
        parseChromiumResponseInfo(bytes);
        break;
    case 4: {
        const qsizetype split = std::min<qsizetype>(bytes.indexOf('\n', 0) + 1, bytes.size());
        const auto head = parseResponseHead(bytes.first(split));
        const auto codings =
            parseContentEncoding(head ? head->value("Content-Encoding") : QByteArray("gzip"));
        const DecodedBody body =
            decodeBody(bytes.sliced(split), codings.value_or(QList<ContentCoding>()), 1 << 20);
        if (const auto header = readSwfHeader(body.bytes))
            isWholeSwf(body.bytes, *header);
        break;
    }
    case 5:
        blockfileCache(bytes);
        break;
    }
    return 0;
}
