// Finding this user's browser caches, and what a search lists from them.
#include "caches/found_store.h"
#include "caches/ie_cache.h"
#include "caches/ie_url_index.h"
#include "caches/movie_search.h"
#include "support/browser_cache_fixtures.h"

#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace reelcase;
using reelcase::test::installCacheFixture;
using reelcase::test::recordedMovies;
using reelcase::test::shortlyAfterRecording;

namespace {

using Format = CacheSource::Format;

bool writeFile(const QString& path, const QByteArray& bytes, const QDateTime& when = {}) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return false;
    return !when.isValid() || file.setFileTime(when, QFileDevice::FileModificationTime);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// An index.dat with the given subfolders and (subfolder index, file name, URL) records.
QByteArray indexDat(const QStringList& folders,
                    const QList<std::tuple<int, QByteArray, QByteArray>>& records) {
    QByteArray bytes(0x4000 + records.size() * 256, '\0');
    bytes.replace(0, 28, QByteArray("Client UrlCache MMF Ver 5.2", 28));
    qToLittleEndian<quint32>(quint32(folders.size()), bytes.data() + 0x48);
    for (qsizetype i = 0; i < folders.size(); ++i)
        bytes.replace(0x4C + i * 12 + 4, 8, folders[i].toLatin1().leftJustified(8, '\0', true));
    qsizetype at = 0x4000;
    for (const auto& [folder, file, url] : records) {
        bytes.replace(at, 4, "URL ");
        qToLittleEndian<quint32>(2, bytes.data() + at + 4);
        qToLittleEndian<quint32>(0x68, bytes.data() + at + 0x34);
        bytes[at + 0x38] = char(folder);
        qToLittleEndian<quint32>(quint32(0x68 + url.size() + 1), bytes.data() + at + 0x3C);
        bytes.replace(at + 0x68, url.size(), url);
        bytes.replace(at + 0x68 + url.size() + 1, file.size(), file);
        at += 256;
    }
    return bytes;
}

QByteArray fwsMovie(qint64 length, char filler) {
    QByteArray movie = "FWS\x08" + QByteArray(4, '\0') + QByteArray(length - 8, filler);
    qToLittleEndian<quint32>(quint32(length), movie.data() + 4);
    return movie;
}

QStringList namesOf(const QList<FoundMovie>& movies) {
    QStringList names;
    for (const FoundMovie& movie : movies)
        names << movie.url.section(QLatin1Char('/'), -1);
    return names;
}

QList<FoundMovie> search(const MovieSearchRequest& request, QStringList* problems = nullptr) {
    QList<FoundMovie> found;
    searchMovies(
        request, [&](const FoundMovie& movie) { found << movie; },
        [&](const QString& problem) {
            if (problems)
                *problems << problem;
        });
    return found;
}

} // namespace

class MovieSearchTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Every profile of every family, in the cache folder and in Flatpak and Snap homes;
    // what only looks like a cache, and a symlink loop, are passed over.
    void discoveryFindsEveryProfile() {
        QTemporaryDir home;
        const QString cache = home.filePath(".cache");
        const struct {
            const char* fixture;
            QString folder;
            const char* browser;
        } placed[] = {
            {"chromium-simple", cache + "/chromium/Default/Cache/Cache_Data", "Chromium"},
            {"chromium-simple", cache + "/chromium/Profile 1/Cache/Cache_Data", "Chromium"},
            {"chromium-simple", cache + "/BraveSoftware/Brave-Browser/Default/Cache/Cache_Data",
             "Brave"},
            {"chromium-blockfile", cache + "/google-chrome-beta/Default/Cache", "Google Chrome"},
            {"firefox-cache2", cache + "/mozilla/firefox/ab12.default-release/cache2/entries",
             "Firefox"},
            {"chromium-simple",
             home.filePath(
                 ".var/app/org.chromium.Chromium/cache/chromium/Default/Cache/Cache_Data"),
             "Chromium"},
            {"firefox-cache2",
             home.filePath("snap/firefox/common/.cache/mozilla/firefox/x.default/cache2/entries"),
             "Firefox"},
            {"chromium-simple", cache + "/SomeApp/Cache/Cache_Data", "SomeApp"},
        };
        for (const auto& cacheFolder : placed)
            QVERIFY(installCacheFixture(cacheFolder.fixture, cacheFolder.folder));
        // Chromium's script cache is a simple cache too, but no HTTP cache.
        QVERIFY(installCacheFixture("chromium-simple", cache + "/chromium/Default/Code Cache/js"));
        QVERIFY(QDir().mkpath(cache + "/other/Cache"));
        QVERIFY(QDir().mkpath(cache + "/deep/a/b/c/d/Cache"));
        QVERIFY(QFile::link(cache, cache + "/loop"));

        const CacheLocations locations{home.path(), cache};
        const QList<CacheSource> sources = discoverBrowserCaches(locations);
        QStringList found, expected;
        for (const CacheSource& source : sources)
            found << source.folder + " " + source.browser;
        for (const auto& cacheFolder : placed)
            expected << cacheFolder.folder + " " + cacheFolder.browser;
        found.sort();
        expected.sort();
        QCOMPARE(found, expected);
        QCOMPARE(foundFolderFor(locations), cache + "/reelcase/found");
    }

    void cacheLocationsFollowXdg() {
        QProcessEnvironment environment;
        environment.insert("HOME", "/home/ann");
        QCOMPARE(cacheLocationsFrom(environment).cacheHome, QString("/home/ann/.cache"));
        environment.insert("XDG_CACHE_HOME", "relative/is/ignored");
        QCOMPARE(cacheLocationsFrom(environment).cacheHome, QString("/home/ann/.cache"));
        environment.insert("XDG_CACHE_HOME", "/var/cache/ann");
        QCOMPARE(cacheLocationsFrom(environment).cacheHome, QString("/var/cache/ann"));
    }

    // The Internet Explorer files first, in scan order and each in its own right, with
    // their URLs from index.dat; then each browser movie once, the copy stored last,
    // newest first; only what is whole, large and recent enough.
    void searchListsEachMovieOnceInOrder() {
        QTemporaryDir root;
        const QDateTime now = shortlyAfterRecording();
        const QString ie = root.filePath("ie/Content.IE5");
        const QByteArray movie = fwsMovie(60000, 'i');
        QVERIFY(writeFile(ie + "/B2/second.swf", movie, now.addSecs(-300)));
        QVERIFY(writeFile(ie + "/A1/first.swf", movie, now.addSecs(-600)));
        QVERIFY(writeFile(ie + "/A1/old.swf", movie, now.addSecs(-3 * 3600)));
        QVERIFY(writeFile(ie + "/index.dat",
                          indexDat({"A1", "B2"}, {{0, "first.swf", "http://old.test/first.swf"},
                                                  {1, "second.swf", "http://old.test/2.swf"}})));
        QVERIFY(installCacheFixture("chromium-simple", root.filePath("chromium")));
        QVERIFY(installCacheFixture("firefox-cache2", root.filePath("firefox")));
        const FoundStore store(root.filePath("found"));

        MovieSearchRequest request;
        request.cacheFolder = root.filePath("ie");
        request.browsers = {{Format::ChromiumSimple, root.filePath("chromium"), "Chromium"},
                            {Format::FirefoxCache2, root.filePath("firefox"), "Firefox"}};
        request.now = now;
        request.store = &store;
        const QList<FoundMovie> found = search(request);

        QVERIFY(found.size() >= 2);
        QCOMPARE(found[0].path, ie + "/A1/first.swf");
        QCOMPARE(found[0].url, QString("http://old.test/first.swf"));
        QCOMPARE(found[0].browser, QString("Internet Explorer"));
        QCOMPARE(found[1].path, ie + "/B2/second.swf");
        QCOMPARE(found[1].url, QString("http://old.test/2.swf"));

        // Whole movies of more than 50 KiB: each once, from the cache that stored it last.
        const auto recorded = recordedMovies();
        QStringList expected;
        for (auto it = recorded.cbegin(); it != recorded.cend(); ++it)
            if (it->whole && it->size > kMinFlashBytes)
                expected << it.key();
        const QList<FoundMovie> browsers = found.mid(2);
        QStringList names = namesOf(browsers);
        names.sort();
        expected.sort();
        QCOMPARE(names, expected);
        for (qsizetype i = 0; i < browsers.size(); ++i) {
            const FoundMovie& movie = browsers[i];
            QCOMPARE(movie.browser, QString("Firefox")); // recorded after Chromium
            QVERIFY(i == 0 || browsers[i - 1].cached >= movie.cached);
            QCOMPARE(movie.sha256, recorded[movie.url.section('/', -1)].sha256);
            // A plain copy of the decoded movie, named by its content.
            QCOMPARE(movie.path, root.filePath("found/") + movie.sha256 + ".swf");
            QCOMPARE(
                QCryptographicHash::hash(readFile(movie.path), QCryptographicHash::Sha256).toHex(),
                movie.sha256);
        }

        // Three hours on, none of it is recent.
        request.now = now.addSecs(3 * 3600);
        QVERIFY(search(request).isEmpty());
        // Without the rules, small movies and bodies cut short are listed as well.
        request.applyRules = false;
        request.includeCutShort = true;
        const QStringList all = namesOf(search(request));
        QVERIFY(all.contains("small.swf"));
        QVERIFY(all.contains("cut.swf"));
    }

    // A configured cache of any format comes first, and is not read twice when discovery
    // finds it too.
    void configuredBrowserCacheComesFirstOnce() {
        QTemporaryDir root;
        QVERIFY(installCacheFixture("firefox-cache2", root.filePath("ff/cache2/entries")));
        QVERIFY(installCacheFixture("chromium-blockfile", root.filePath("old")));
        MovieSearchRequest request;
        request.cacheFolder = root.filePath("ff");
        request.browsers = {{Format::ChromiumBlockfile, root.filePath("old"), "Chromium"},
                            {Format::FirefoxCache2, root.filePath("ff/cache2/entries"), "Firefox"}};
        request.now = shortlyAfterRecording();
        QStringList problems;
        const QList<FoundMovie> found = search(request, &problems);
        QVERIFY(problems.isEmpty());
        QVERIFY(!found.isEmpty());
        // Firefox's copies are newer, and its cache was configured: all of them come from it.
        for (const FoundMovie& movie : found) {
            QCOMPARE(movie.browser, QString("Firefox"));
            QVERIFY(movie.path.isEmpty()); // no store given
        }
        const QStringList names = namesOf(found);
        QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), found.size());
    }

    void unreadableCachesAreNotedAndSkipped() {
        MovieSearchRequest request;
        request.cacheFolder = "/nonexistent/ie";
        request.browsers = {{Format::FirefoxCache2, "/nonexistent/ff", "Firefox"}};
        request.now = QDateTime::currentDateTime();
        QStringList problems;
        QVERIFY(search(request, &problems).isEmpty());
        QCOMPARE(problems.size(), 2);
        QVERIFY(problems[1].contains("/nonexistent/ff"));
    }

    void storePrunesTheLeastRecentlyUsed() {
        QTemporaryDir root;
        const FoundStore store(root.filePath("found"));
        QStringList paths;
        for (int i = 0; i < 4; ++i) {
            CachedMovie movie;
            movie.body = fwsMovie(1000, char('a' + i));
            movie.sha256 = QCryptographicHash::hash(movie.body, QCryptographicHash::Sha256).toHex();
            paths << store.store(movie);
            QVERIFY(!paths.last().isEmpty());
            QFile file(paths.last());
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(i * 60 - 600),
                                     QFileDevice::FileModificationTime));
            QCOMPARE(store.store(movie), paths.last()); // stored again: the same file
        }
        QVERIFY(writeFile(root.filePath("found/notes.txt"), QByteArray(5000, 'n')));
        // Room for two: the oldest goes, the one in use stays, foreign files are not ours.
        store.prune(2000, {paths[0]});
        QVERIFY(QFile::exists(paths[0]));
        QVERIFY(!QFile::exists(paths[1]));
        QVERIFY(!QFile::exists(paths[2]));
        QVERIFY(QFile::exists(paths[3]));
        QVERIFY(QFile::exists(root.filePath("found/notes.txt")));

        CachedMovie unnamed;
        unnamed.body = "FWS";
        unnamed.sha256 = "../../escape";
        QVERIFY(store.store(unnamed).isEmpty());
    }

    void indexDatRecordsAreBoundsChecked() {
        const QByteArray good = indexDat({"A1"}, {{0, "x.swf", "http://a.test/x.swf"}});
        QCOMPARE(readIeUrlIndex(good).value(ieUrlIndexKey("a1", "X.SWF")),
                 QString("http://a.test/x.swf"));
        // Offsets past the record, a folder index past the list, a record that claims to
        // be longer than the file.
        QByteArray bad = good;
        qToLittleEndian<quint32>(0xFFFF, bad.data() + 0x4000 + 0x34);
        QVERIFY(readIeUrlIndex(bad).isEmpty());
        bad = good;
        bad[0x4000 + 0x38] = 7;
        QVERIFY(readIeUrlIndex(bad).isEmpty());
        bad = good;
        qToLittleEndian<quint32>(0x7FFFFFFF, bad.data() + 0x4000 + 4);
        QVERIFY(readIeUrlIndex(bad).isEmpty());
        QVERIFY(readIeUrlIndex("Client UrlCache MMF Ver 5.2").isEmpty());
        QVERIFY(readIeUrlIndex(QByteArray(0x5000, 'x')).isEmpty());
    }
};

QTEST_GUILESS_MAIN(MovieSearchTest)
#include "test_movie_search.moc"
