// Times reading a browser cache of 20,000 entries (Chromium's simple cache, then Firefox's
// cache2) against the least any reader that looks inside entries must do, measured in the
// same run: open each entry file and read its first 4 KiB and last 16 KiB.
// Usage: bench_browser_cache [ENTRIES]  (default 20000)
#include "caches/cache_reader.h"
#include "caches/folder_listing.h"
#include "caches/ie_cache.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>

#include <zlib.h>

#include <algorithm>
#include <cstdio>

using namespace reelcase;

namespace {

template <typename T> void appendLe(QByteArray& out, T value) {
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

template <typename T> void appendBe(QByteArray& out, T value) {
    char bytes[sizeof(T)];
    qToBigEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

QByteArray gzip(const QByteArray& in) {
    z_stream stream{};
    deflateInit2(&stream, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&stream, uLong(in.size()))) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    stream.avail_in = uInt(in.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.truncate(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

struct Body {
    QByteArray stored;
    QByteArray headLines; // "Name: value" lines after the status line
};

// Mostly pages, scripts and pictures of a few kilobytes; every 500th entry a movie of
// 60 to 120 KiB, half of them gzip-encoded; some text gzip-encoded too.
Body makeBody(int i, QRandomGenerator& random) {
    if (i % 500 == 0) {
        const quint32 length = 60000 + random.bounded(60000);
        QByteArray movie = "FWS\x0a" + QByteArray(4, '\0');
        qToLittleEndian<quint32>(length, movie.data() + 4);
        movie += QByteArray(length - 8, char(i));
        const bool coded = (i / 500) % 2 == 1;
        return {coded ? gzip(movie) : movie,
                QByteArray("Content-Type: application/x-shockwave-flash\n") +
                    (coded ? "Content-Encoding: gzip\n" : "")};
    }
    const int kind = random.bounded(10);
    const int size = kind < 6   ? 500 + random.bounded(1500)
                     : kind < 9 ? 5000 + random.bounded(5000)
                                : 20000 + random.bounded(20000);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes)
        c = char('a' + random.bounded(26));
    if (kind == 3)
        return {gzip(bytes), "Content-Type: text/javascript\nContent-Encoding: gzip\n"};
    return {bytes, kind < 6 ? "Content-Type: text/html\n" : "Content-Type: image/png\n"};
}

QByteArray simpleCacheEntry(const QByteArray& url, const Body& body, qint64 nowUs) {
    constexpr quint64 kInitial = 0xfcfb6d1ba7725c30ULL;
    constexpr quint64 kFinal = 0xf4fa6f45970d41d8ULL;
    const QByteArray key = "1/0/_dk_http://bench.test http://bench.test " + url;
    QByteArray entry;
    appendLe<quint64>(entry, kInitial);
    appendLe<quint32>(entry, 5);
    appendLe<quint32>(entry, quint32(key.size()));
    appendLe<quint32>(entry, 0);
    appendLe<quint32>(entry, 0);
    entry += key + body.stored;
    appendLe<quint64>(entry, kFinal);
    appendLe<quint32>(entry, 0);
    appendLe<quint32>(entry, 0);
    appendLe<quint32>(entry, 0);
    appendLe<quint32>(entry, 0);
    QByteArray headers = "HTTP/1.1 200 OK\n" + body.headLines +
                         "Content-Length: " + QByteArray::number(body.stored.size()) + "\n";
    headers.replace('\n', '\0');
    headers += '\0';
    QByteArray pickle;
    appendLe<quint32>(pickle, 3); // flags: version 3
    appendLe<qint64>(pickle, nowUs);
    appendLe<qint64>(pickle, nowUs);
    appendLe<quint32>(pickle, quint32(headers.size()));
    pickle += headers + QByteArray((4 - headers.size() % 4) % 4, '\0');
    QByteArray stream0;
    appendLe<quint32>(stream0, quint32(pickle.size()));
    stream0 += pickle;
    entry += stream0;
    appendLe<quint64>(entry, kFinal);
    appendLe<quint32>(entry, 0);
    appendLe<quint32>(entry, 0);
    appendLe<quint32>(entry, quint32(stream0.size()));
    appendLe<quint32>(entry, 0);
    return entry;
}

QByteArray cache2Entry(const QByteArray& url, const Body& body, quint32 nowSecs) {
    QByteArray entry = body.stored;
    const quint32 chunks = quint32((body.stored.size() + 262143) / 262144);
    appendBe<quint32>(entry, 0); // metadata hash, not checked by readers of ours
    for (quint32 i = 0; i < chunks; ++i)
        appendBe<quint16>(entry, 0);
    const QByteArray key = "O^partitionKey=%28http%2Cbench.test%29,:" + url;
    for (quint32 field : {3u, 1u, nowSecs, nowSecs, 0u, nowSecs + 3600, quint32(key.size()), 0u})
        appendBe<quint32>(entry, field);
    QByteArray head = "HTTP/1.1 200 OK\n" + body.headLines +
                      "Content-Length: " + QByteArray::number(body.stored.size()) + "\n";
    head.replace("\n", "\r\n");
    entry +=
        key + '\0' + "request-method" + '\0' + "GET" + '\0' + "response-head" + '\0' + head + '\0';
    appendBe<quint32>(entry, quint32(body.stored.size()));
    return entry;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The floor: open every entry and read both ends of it.
int readEnds(const QString& folder) {
    const OpenFolder dir(folder);
    int files = 0;
    for (const FolderEntry& entry : dir.list(1000000)) {
        const auto file = ReadOnlyFile::openAt(dir.fd(), entry.name.constData());
        if (!file)
            continue;
        file->read(0, 4096);
        file->read(std::max<qint64>(0, file->size() - 16384), 16384);
        ++files;
    }
    return files;
}

int readMovies(const CacheSource& source, const QDateTime& now) {
    int found = 0;
    readBrowserCacheMovies(source, [&](CachedMovie&& movie) {
        found += movie.complete && qualifies(movie.body.size(), movie.cached, now);
    });
    return found;
}

template <typename Run> std::pair<double, int> best(Run run, int rounds) {
    double bestMs = 1e300;
    int result = 0;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer timer;
        timer.start();
        result = run();
        bestMs = std::min(bestMs, timer.nsecsElapsed() / 1e6);
    }
    return {bestMs, result};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int entries = args.size() > 1 ? std::max(1, args[1].toInt()) : 20000;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const qint64 nowUs = (now.toMSecsSinceEpoch() - 60000) * 1000 + 11644473600LL * 1000000;
    const quint32 nowSecs = quint32(now.toSecsSinceEpoch() - 60);

    QTemporaryDir root;
    const QString simple = root.filePath("Cache_Data");
    const QString firefox = root.filePath("entries");
    QDir().mkpath(simple);
    QDir().mkpath(firefox);
    std::printf("browsercache: writing %d entries in each of two caches in %s ...\n", entries,
                qPrintable(root.path()));
    std::fflush(stdout);
    QRandomGenerator random(20000);
    int movies = 0;
    for (int i = 0; i < entries; ++i) {
        const Body body = makeBody(i, random);
        movies += i % 500 == 0;
        const QByteArray url = "http://bench.test/item" + QByteArray::number(i);
        const QString simpleName = QStringLiteral("%1_0").arg(quint64(i) * 0x9e3779b97f4a7c15ULL,
                                                              16, 16, QLatin1Char('0'));
        const QString firefoxName = QStringLiteral("%1").arg(i, 40, 16, QLatin1Char('0')).toUpper();
        if (!writeFile(simple + QLatin1Char('/') + simpleName,
                       simpleCacheEntry(url, body, nowUs)) ||
            !writeFile(firefox + QLatin1Char('/') + firefoxName, cache2Entry(url, body, nowSecs))) {
            std::printf("browsercache: could not write the caches; nothing measured\n");
            return 0;
        }
    }

    constexpr int kRounds = 3;
    for (const CacheSource& source :
         {CacheSource{CacheSource::Format::ChromiumSimple, simple, "Chromium"},
          CacheSource{CacheSource::Format::FirefoxCache2, firefox, "Firefox"}}) {
        readMovies(source, now.toLocalTime()); // warm the file-system cache
        readEnds(source.folder);
        const auto [scanMs, found] =
            best([&] { return readMovies(source, now.toLocalTime()); }, kRounds);
        const auto [floorMs, files] = best([&] { return readEnds(source.folder); }, kRounds);
        std::printf("browsercache: %-8s read    %8.1f ms  (%d of %d movies, best of %d)\n",
                    qPrintable(source.browser), scanMs, found, movies, kRounds);
        std::printf(
            "browsercache: %-8s ends    %8.1f ms  (%d files: open, first 4 KiB, last 16 KiB)\n",
            qPrintable(source.browser), floorMs, files);
        std::printf("browsercache: %-8s ratio read/ends = %.2f\n", qPrintable(source.browser),
                    floorMs > 0 ? scanMs / floorMs : 0.0);
    }
    return 0;
}
