// Decoding stored bodies and judging whether they hold a whole movie.
#include "caches/cached_movie.h"
#include "caches/content_decoding.h"
#include "caches/http_response_head.h"
#include "caches/swf_signature.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <brotli/encode.h>
#include <zlib.h>

using namespace reelcase;
using Status = DecodedBody::Status;

Q_DECLARE_METATYPE(QList<reelcase::ContentCoding>)

namespace {

QByteArray zlibCompress(const QByteArray& in, int windowBits) {
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, windowBits, 9, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&stream, uLong(in.size()))) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    stream.avail_in = uInt(in.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.truncate(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

QByteArray brotliCompress(const QByteArray& in) {
    size_t size = BrotliEncoderMaxCompressedSize(size_t(in.size())) + 1024;
    QByteArray out(qsizetype(size), '\0');
    BrotliEncoderCompress(5, BROTLI_DEFAULT_WINDOW, BROTLI_MODE_GENERIC, size_t(in.size()),
                          reinterpret_cast<const uint8_t*>(in.data()), &size,
                          reinterpret_cast<uint8_t*>(out.data()));
    out.truncate(qsizetype(size));
    return out;
}

QByteArray encode(const QByteArray& body, ContentCoding coding) {
    switch (coding) {
    case ContentCoding::Gzip:
        return zlibCompress(body, 16 + MAX_WBITS);
    case ContentCoding::Deflate:
        return zlibCompress(body, MAX_WBITS);
    case ContentCoding::Brotli:
        return brotliCompress(body);
    }
    return {};
}

// An uncompressed movie of length bytes (header and filler), its header truthful.
QByteArray fwsMovie(qint64 length, char filler = 'x') {
    QByteArray movie = "FWS\x08" + QByteArray(4, '\0') + QByteArray(length - 8, filler);
    qToLittleEndian<quint32>(quint32(length), movie.data() + 4);
    return movie;
}

QByteArray cwsMovie(qint64 length) {
    QByteArray movie =
        "CWS\x08" + QByteArray(4, '\0') + zlibCompress(QByteArray(length - 8, 'y'), MAX_WBITS);
    qToLittleEndian<quint32>(quint32(length), movie.data() + 4);
    return movie;
}

QByteArray zwsMovie(quint32 compressedLength, qint64 stored) {
    QByteArray movie = "ZWS\x0d" + QByteArray(8, '\0') + QByteArray(5 + stored, 'z');
    qToLittleEndian<quint32>(100000, movie.data() + 4);
    qToLittleEndian<quint32>(compressedLength, movie.data() + 8);
    return movie;
}

} // namespace

class BodyDecodingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void contentEncodingValues_data() {
        using C = ContentCoding;
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("decodable");
        QTest::addColumn<QList<ContentCoding>>("codings");
        QTest::newRow("none") << QByteArray() << true << QList<C>{};
        QTest::newRow("identity") << QByteArray("identity") << true << QList<C>{};
        QTest::newRow("gzip") << QByteArray("gzip") << true << QList<C>{C::Gzip};
        QTest::newRow("x-gzip, any case") << QByteArray(" X-GZip ") << true << QList<C>{C::Gzip};
        QTest::newRow("deflate") << QByteArray("deflate") << true << QList<C>{C::Deflate};
        QTest::newRow("br") << QByteArray("br") << true << QList<C>{C::Brotli};
        QTest::newRow("two layers, in applied order")
            << QByteArray("gzip, br") << true << QList<C>{C::Gzip, C::Brotli};
        QTest::newRow("unknown coding") << QByteArray("zstd") << false << QList<C>{};
        QTest::newRow("unknown among known") << QByteArray("gzip, compress") << false << QList<C>{};
        QTest::newRow("more layers than any server applies")
            << QByteArray("gzip,gzip,gzip,gzip,gzip") << false << QList<C>{};
    }
    void contentEncodingValues() {
        QFETCH(QByteArray, value);
        QFETCH(bool, decodable);
        QFETCH(QList<ContentCoding>, codings);
        const auto parsed = parseContentEncoding(value);
        QCOMPARE(parsed.has_value(), decodable);
        if (parsed)
            QCOMPARE(*parsed, codings);
    }

    void eachCodingRoundTrips_data() {
        QTest::addColumn<QList<ContentCoding>>("codings");
        QTest::newRow("gzip") << QList<ContentCoding>{ContentCoding::Gzip};
        QTest::newRow("deflate") << QList<ContentCoding>{ContentCoding::Deflate};
        QTest::newRow("br") << QList<ContentCoding>{ContentCoding::Brotli};
        QTest::newRow("gzip then br")
            << QList<ContentCoding>{ContentCoding::Gzip, ContentCoding::Brotli};
    }
    void eachCodingRoundTrips() {
        QFETCH(QList<ContentCoding>, codings);
        QByteArray body = fwsMovie(300000);
        for (int i = 0; i < body.size(); i += 7)
            body[i] = char(i * 31); // something for the coders to work on
        QByteArray stored = body;
        for (ContentCoding coding : codings)
            stored = encode(stored, coding);
        const DecodedBody decoded = decodeBody(stored, codings, 1 << 20);
        QCOMPARE(decoded.status, Status::Complete);
        QCOMPARE(decoded.bytes, body);

        // Cut short: what came out is the start of the body, and it says so.
        const DecodedBody cut = decodeBody(stored.first(stored.size() / 2), codings, 1 << 20);
        QCOMPARE(cut.status, Status::CutShort);
        QVERIFY(body.startsWith(cut.bytes));
    }

    void bareDeflateIsAcceptedToo() {
        const QByteArray body = fwsMovie(60000);
        const DecodedBody decoded =
            decodeBody(zlibCompress(body, -MAX_WBITS), {ContentCoding::Deflate}, 1 << 20);
        QCOMPARE(decoded.status, Status::Complete);
        QCOMPARE(decoded.bytes, body);
    }

    void garbageIsCorrupt() {
        const QByteArray garbage("this was never compressed by anyone at all");
        QCOMPARE(decodeBody(garbage, {ContentCoding::Gzip}, 1 << 20).status, Status::Corrupt);
        QCOMPARE(decodeBody(garbage, {ContentCoding::Brotli}, 1 << 20).status, Status::Corrupt);
    }

    // 64 MiB of zeros shrink to kilobytes; decoding stops at the limit, whatever the coding.
    void compressionBombsStopAtTheLimit() {
        const QByteArray zeros(64 << 20, '\0');
        for (ContentCoding coding : {ContentCoding::Gzip, ContentCoding::Brotli}) {
            const QByteArray bomb = encode(zeros, coding);
            QVERIFY(bomb.size() < (1 << 20));
            const DecodedBody decoded = decodeBody(bomb, {coding}, 100000);
            QCOMPARE(decoded.status, Status::Oversized);
            QCOMPARE(decoded.bytes.size(), 100000);
        }
        QCOMPARE(decodeBody(zeros, {}, 10).status, Status::Oversized);
    }

    void movieSignatures_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("movie");
        QTest::addColumn<bool>("whole");
        QTest::newRow("FWS as long as it says") << fwsMovie(1000) << true << true;
        QTest::newRow("FWS with bytes after it") << fwsMovie(1000) + "tail" << true << true;
        QTest::newRow("FWS cut short") << fwsMovie(1000).first(999) << true << false;
        QTest::newRow("CWS whole") << cwsMovie(80000) << true << true;
        QByteArray cws = cwsMovie(80000);
        QTest::newRow("CWS cut short") << cws.first(cws.size() - 20) << true << false;
        QTest::newRow("ZWS whole") << zwsMovie(200, 200) << true << true;
        QTest::newRow("ZWS cut short") << zwsMovie(200, 150) << true << false;
        QTest::newRow("a picture") << QByteArray("GIF89a\x01\x00\x01\x00") << false << false;
        QTest::newRow("version 0") << QByteArray("FWS\x00\x20\x00\x00\x00", 8) << false << false;
        QTest::newRow("shorter than a header")
            << QByteArray("FWS\x08\x04\x00\x00\x00", 8) << false << false;
        QTest::newRow("too few bytes to tell") << QByteArray("CWS") << false << false;
    }
    void movieSignatures() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, movie);
        QFETCH(bool, whole);
        const auto header = readSwfHeader(bytes);
        QCOMPARE(header.has_value(), movie);
        if (header)
            QCOMPARE(isWholeSwf(bytes, *header), whole);
    }

    void responseHeads() {
        static constexpr char head[] = "HTTP/1.1 200 OK\0Content-Encoding: gzip\0"
                                       "Content-Length: 123\0\0ignored: yes\0";
        const auto chromium = parseResponseHead(QByteArray(head, sizeof head - 1));
        QVERIFY(chromium);
        QCOMPARE(chromium->status, 200);
        QCOMPARE(chromium->value("content-encoding"), QByteArray("gzip"));
        QCOMPARE(chromium->contentLength(), std::optional<qint64>(123));
        QVERIFY(chromium->value("ignored").isEmpty());

        const auto firefox = parseResponseHead("HTTP/2 206 Partial Content\r\n"
                                               "Content-Range: bytes 0-9/100\r\n"
                                               "Content-Length: -4\r\n");
        QVERIFY(firefox);
        QCOMPARE(firefox->status, 206);
        QCOMPARE(firefox->value("Content-Range"), QByteArray("bytes 0-9/100"));
        QVERIFY(!firefox->contentLength());

        QVERIFY(!parseResponseHead("Content-Type: text/html\r\n"));
        QVERIFY(!parseResponseHead("HTTP/1.1 abc\r\n"));
        QVERIFY(!parseResponseHead({}));
    }

    // What the response and the stored bytes say about one movie entry.
    void entryVerdicts_data() {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("truncatedMark");
        QTest::addColumn<int>("verdict"); // 0 not listed, 1 cut short, 2 whole
        const QByteArray movie = fwsMovie(70000);
        const QByteArray length = QByteArray::number(movie.size());
        QTest::newRow("plain") << "HTTP/1.1 200 OK\nContent-Length: " + length << movie << false
                               << 2;
        QTest::newRow("gzip") << QByteArray("HTTP/1.1 200 OK\nContent-Encoding: gzip")
                              << encode(movie, ContentCoding::Gzip) << false << 2;
        QTest::newRow("fewer bytes than Content-Length")
            << "HTTP/1.1 200 OK\nContent-Length: " + QByteArray::number(movie.size() + 1) << movie
            << false << 1;
        QTest::newRow("marked truncated by the browser")
            << QByteArray("HTTP/1.1 200 OK") << movie << true << 1;
        QTest::newRow("range answer")
            << QByteArray("HTTP/1.1 206 Partial Content") << movie << false << 1;
        QTest::newRow("gzip stream cut")
            << QByteArray("HTTP/1.1 200 OK\nContent-Encoding: gzip")
            << encode(movie, ContentCoding::Gzip).chopped(30) << false << 1;
        QTest::newRow("not found page")
            << QByteArray("HTTP/1.1 404 Not Found") << movie << false << 0;
        QTest::newRow("unknown coding")
            << QByteArray("HTTP/1.1 200 OK\nContent-Encoding: zstd") << movie << false << 0;
        QTest::newRow("a page") << QByteArray("HTTP/1.1 200 OK") << QByteArray(70000, '<') << false
                                << 0;
        // A small announced movie that inflates to gigabytes is dropped, not decoded.
        QTest::newRow("bomb behind a movie header")
            << QByteArray("HTTP/1.1 200 OK\nContent-Encoding: gzip")
            << encode(fwsMovie(100) + QByteArray(64 << 20, '\0'), ContentCoding::Gzip) << false
            << 0;
    }
    void entryVerdicts() {
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, stored);
        QFETCH(bool, truncatedMark);
        QFETCH(int, verdict);
        QTemporaryDir dir;
        QFile out(dir.filePath("entry"));
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write("lead" + stored) == stored.size() + 4);
        out.close();
        ParsedEntry entry;
        entry.url = QStringLiteral("http://example.test/movie.swf");
        entry.head = parseResponseHead(head);
        entry.markedTruncated = truncatedMark;
        entry.body.file = std::make_shared<const ReadOnlyFile>(*ReadOnlyFile::open(out.fileName()));
        entry.body.offset = 4;
        entry.body.length = stored.size();
        const auto movie = extractMovie(entry);
        QCOMPARE(movie.has_value(), verdict > 0);
        if (!movie)
            return;
        QCOMPARE(movie->complete, verdict == 2);
        QCOMPARE(movie->url, entry.url);
        QVERIFY(movie->body.startsWith("FWS"));
        QCOMPARE(movie->sha256,
                 QCryptographicHash::hash(movie->body, QCryptographicHash::Sha256).toHex());
    }
};

QTEST_GUILESS_MAIN(BodyDecodingTest)
#include "test_body_decoding.moc"
