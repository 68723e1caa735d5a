// The entry parsers on caches recorded from real browsers, and on damaged and hostile ones.
#include "caches/cache_reader.h"
#include "caches/cache_source.h"
#include "caches/chromium_simple_cache.h"
#include "support/browser_cache_fixtures.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/stat.h>
#include <unistd.h>

using namespace reelcase;
using reelcase::test::installCacheFixture;
using reelcase::test::recordedMovies;

Q_DECLARE_METATYPE(reelcase::CacheSource::Format)

namespace {

using Format = CacheSource::Format;

QHash<QString, CachedMovie> moviesByName(const CacheSource& source) {
    QHash<QString, CachedMovie> movies;
    readBrowserCacheMovies(source, [&](CachedMovie&& movie) {
        movies.insert(movie.url.section(QLatin1Char('/'), -1), std::move(movie));
    });
    return movies;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// The largest file of folder: the entry (or block file) that holds a movie.
QString largestFile(const QString& folder, const QString& pattern) {
    QString largest;
    qint64 size = -1;
    QDirIterator it(folder, {pattern}, QDir::Files);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        if (info.size() > size) {
            size = info.size();
            largest = info.filePath();
        }
    }
    return largest;
}

const char* const kFixtures[] = {"chromium-simple", "chromium-blockfile", "firefox-cache2"};

} // namespace

class CacheEntriesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void recordedCachesYieldTheirMovies_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<Format>("format");
        QTest::addColumn<QString>("browser");
        QTest::newRow("chromium simple")
            << "chromium-simple" << Format::ChromiumSimple << "Chromium";
        QTest::newRow("chromium block-file")
            << "chromium-blockfile" << Format::ChromiumBlockfile << "Chromium";
        QTest::newRow("firefox cache2") << "firefox-cache2" << Format::FirefoxCache2 << "Firefox";
    }
    void recordedCachesYieldTheirMovies() {
        QFETCH(QString, fixture);
        QFETCH(Format, format);
        QFETCH(QString, browser);
        QTemporaryDir dir;
        // Named like no browser's folder: the format comes from the files.
        const QString folder = dir.filePath("some folder");
        QVERIFY(installCacheFixture(fixture, folder));
        const auto source = identifyBrowserCache(folder);
        QVERIFY(source);
        QCOMPARE(source->format, format);
        QCOMPARE(source->browser, browser);

        const QHash<QString, CachedMovie> movies = moviesByName(*source);
        const auto recorded = recordedMovies();
        QVERIFY(!recorded.isEmpty());
        const QDateTime after = test::shortlyAfterRecording();
        for (auto it = recorded.begin(); it != recorded.end(); ++it) {
            const QString& name = it.key();
            if (name == QLatin1String("range.swf")) {
                QVERIFY2(!movies.contains(name), "a range answer holds no movie");
                continue;
            }
            QVERIFY2(movies.contains(name), qPrintable(name));
            const CachedMovie& movie = movies[name];
            QCOMPARE(movie.complete, it->whole);
            if (it->whole) {
                QCOMPARE(movie.sha256, it->sha256);
                QCOMPARE(movie.body.size(), it->size);
            }
            QVERIFY(movie.url.startsWith(QLatin1String("http://127.0.0.1:")));
            QCOMPARE(movie.browser, browser);
            QVERIFY(movie.source.startsWith(folder + QLatin1Char('/')));
            QVERIFY(QFileInfo(movie.source).isFile());
            QVERIFY(movie.cached <= after && movie.cached > after.addSecs(-3600));
        }
        QCOMPARE(movies.size(), recorded.size() - 1); // nothing else: pages, pictures
    }

    // A profile's cache folder may be given instead of the entries' folder.
    void formatIsFoundInTheUsualSubfolders() {
        QTemporaryDir dir;
        QVERIFY(installCacheFixture("chromium-simple", dir.filePath("Profile/Cache/Cache_Data")));
        QVERIFY(installCacheFixture("firefox-cache2", dir.filePath("ffprofile/cache2/entries")));
        QDir().mkpath(dir.filePath("ie/Content.IE5/ABCDEFGH"));
        QCOMPARE(identifyBrowserCache(dir.filePath("Profile"))->folder,
                 dir.filePath("Profile/Cache/Cache_Data"));
        QCOMPARE(identifyBrowserCache(dir.filePath("ffprofile"))->format, Format::FirefoxCache2);
        QVERIFY(!identifyBrowserCache(dir.filePath("ie")));
        QVERIFY(!identifyBrowserCache(dir.filePath("missing")));
        QVERIFY(!identifyBrowserCache(QString()));
    }

    // A browser may be writing while we read: any prefix of an entry (or of a block file)
    // gives no movie that claims to be whole, and no crash.
    void entriesCutAnywhereNeverPassAsWhole() {
        for (const char* fixture : kFixtures) {
            QTemporaryDir dir;
            QVERIFY(installCacheFixture(fixture, dir.path()));
            const auto source = identifyBrowserCache(dir.path());
            QVERIFY(source);
            const auto before = moviesByName(*source);
            // The file that holds the largest whole movie's body.
            QString victim;
            qsizetype largest = 0;
            for (const CachedMovie& movie : before)
                if (movie.complete && movie.body.size() > largest) {
                    largest = movie.body.size();
                    victim = movie.source;
                }
            const QByteArray whole = readFile(victim);
            // Every cut in the headers and records at either end, fifty between.
            const qsizetype step = std::max<qsizetype>(1, whole.size() / 50);
            for (qsizetype cut = 0; cut < whole.size();
                 cut += (cut < 64 || cut > whole.size() - 64) ? 1 : step) {
                QVERIFY(writeFile(victim, whole.first(cut)));
                for (const CachedMovie& movie : moviesByName(*source)) {
                    const QString name = movie.url.section(QLatin1Char('/'), -1);
                    // Entries left alone still read as before; the cut one never whole.
                    if (movie.source != victim)
                        QCOMPARE(movie.sha256, before.value(name).sha256);
                    else
                        QVERIFY2(!movie.complete || movie.sha256 == before.value(name).sha256,
                                 qPrintable(QStringLiteral("%1 cut at %2").arg(name).arg(cut)));
                }
            }
        }
    }

    void lyingSimpleCacheLengths() {
        QTemporaryDir dir;
        QVERIFY(installCacheFixture("chromium-simple", dir.path()));
        const QString entry = largestFile(dir.path(), QStringLiteral("*_0"));
        const QByteArray whole = readFile(entry);
        for (const auto& [offset, value] : std::initializer_list<std::pair<qsizetype, quint32>>{
                 {12, 0xFFFFFFFFu},                          // key longer than anything
                 {12, quint32(whole.size())},                // key over the whole file
                 {qsizetype(whole.size() - 8), 0xFFFFFF00u}, // stream 0 bigger than the file
                 {qsizetype(whole.size() - 8), quint32(whole.size() - 30)}}) {
            QByteArray lying = whole;
            qToLittleEndian<quint32>(value, lying.data() + offset);
            QVERIFY(writeFile(entry, lying));
            auto file = ReadOnlyFile::open(entry);
            QVERIFY(file);
            QVERIFY(!parseSimpleCacheEntry(std::make_shared<const ReadOnlyFile>(std::move(*file))));
        }
    }

    void lyingCache2MetadataOffset() {
        QTemporaryDir dir;
        QVERIFY(installCacheFixture("firefox-cache2", dir.path()));
        const QString entry = largestFile(dir.path(), QStringLiteral("*"));
        const QByteArray whole = readFile(entry);
        const auto before = moviesByName(*identifyBrowserCache(dir.path()));
        for (quint32 offset : {0xFFFFFFF0u, quint32(whole.size()), 0u, 5u}) {
            QByteArray lying = whole;
            qToBigEndian<quint32>(offset, lying.data() + lying.size() - 4);
            QVERIFY(writeFile(entry, lying));
            const auto after = moviesByName(*identifyBrowserCache(dir.path()));
            QVERIFY(after.size() < before.size());
        }
    }

    // A chain that leads back to itself, and cells that point past the block files.
    void blockfileLoopsAndStrayAddressesEnd() {
        QTemporaryDir dir;
        QVERIFY(installCacheFixture("chromium-blockfile", dir.path()));
        const CacheSource source = *identifyBrowserCache(dir.path());
        const auto before = moviesByName(source);
        QByteArray index = readFile(dir.filePath("index"));
        QByteArray data1 = readFile(dir.filePath("data_1"));
        constexpr qsizetype kTable = 368;
        int looped = 0;
        for (qsizetype at = kTable; at + 4 <= index.size(); at += 4) {
            const quint32 cell = qFromLittleEndian<quint32>(index.constData() + at);
            if (cell == 0)
                continue;
            // Each entry's "next" points at itself.
            const qsizetype entryAt = 8192 + qsizetype(cell & 0xFFFF) * 256;
            qToLittleEndian<quint32>(cell, data1.data() + entryAt + 4);
            ++looped;
        }
        QVERIFY(looped > 0);
        QVERIFY(writeFile(dir.filePath("data_1"), data1));
        QCOMPARE(moviesByName(source).size(), before.size());

        // Every empty cell now names the last block of a file with a single block.
        for (qsizetype at = kTable; at + 4 <= index.size(); at += 4)
            if (qFromLittleEndian<quint32>(index.constData() + at) == 0)
                qToLittleEndian<quint32>(0xA001FFFFu, index.data() + at);
        QVERIFY(writeFile(dir.filePath("index"), index));
        QCOMPARE(moviesByName(source).size(), before.size());

        // An index cut short loses the entries of the cells it no longer holds.
        for (qsizetype cut : {qsizetype(0), qsizetype(100), kTable, kTable + 6, index.size() / 2}) {
            QVERIFY(writeFile(dir.filePath("index"), index.first(cut)));
            QVERIFY(moviesByName(source).size() <= before.size());
        }
    }

    // A FIFO named like an entry would block a plain open forever; a symlink named like
    // one may point anywhere or at itself. All are passed over.
    void fifosAndSymlinksAmongEntries() {
        for (const char* fixture : {"chromium-simple", "firefox-cache2"}) {
            QTemporaryDir dir;
            QVERIFY(installCacheFixture(fixture, dir.path()));
            const auto source = identifyBrowserCache(dir.path());
            const auto before = moviesByName(*source);
            const bool simple = source->format == Format::ChromiumSimple;
            const QString fifo = dir.filePath(simple ? "0123456789abcdef_0"
                                                     : "0123456789ABCDEF0123456789ABCDEF01234567");
            QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
            const QString loop = dir.filePath(simple ? "fedcba9876543210_0"
                                                     : "FEDCBA9876543210FEDCBA9876543210FEDCBA98");
            QVERIFY(QFile::link(loop, loop));
            const QString zero = dir.filePath(simple ? "00000000000000aa_0"
                                                     : "00000000000000000000000000000000000000AA");
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), zero));
            const QString elsewhere = dir.filePath(
                simple ? "00000000000000bb_0" : "00000000000000000000000000000000000000BB");
            QVERIFY(QFile::link(largestFile(dir.path(), QStringLiteral("*")), elsewhere));
            QCOMPARE(moviesByName(*source).keys().size(), before.size());
        }
    }

    void unreadableCacheReportsFailure() {
        CacheSource missing{Format::ChromiumSimple, QStringLiteral("/nonexistent/cache"), {}};
        QVERIFY(!readBrowserCacheMovies(missing, [](CachedMovie&&) {}));
        missing.format = Format::ChromiumBlockfile;
        QVERIFY(!readBrowserCacheMovies(missing, [](CachedMovie&&) {}));
        if (geteuid() == 0)
            QSKIP("root reads every folder");
        QTemporaryDir dir;
        QVERIFY(installCacheFixture("firefox-cache2", dir.filePath("c")));
        QVERIFY(QFile::setPermissions(dir.filePath("c"), QFileDevice::Permissions()));
        const bool read = readBrowserCacheMovies({Format::FirefoxCache2, dir.filePath("c"), {}},
                                                 [](CachedMovie&&) {});
        QFile::setPermissions(dir.filePath("c"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                     QFileDevice::ExeOwner);
        QVERIFY(!read);
    }
};

QTEST_GUILESS_MAIN(CacheEntriesTest)
#include "test_cache_entries.moc"
