#include "swfhost/local_movie_host.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using reelcase::swfhost::LocalMovieHost;

namespace {

void writeFile(const QString& path, const QByteArray& content) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

} // namespace

// A movie's loads are served from its own folder and from nowhere else.
class TestLocalMovieHost : public QObject {
    Q_OBJECT
    QTemporaryDir m_root;
    QString m_movieFolder;
    static constexpr qint64 kCap = 1024;

    std::optional<QByteArray> load(const QString& relative) {
        LocalMovieHost host(m_movieFolder + QStringLiteral("/test.swf"), kCap);
        return host.loadFile(relative);
    }

private Q_SLOTS:
    void initTestCase() {
        // root/outside.txt, root/movie/{test.swf, data.txt, sub/inner.txt, links, fifo, ...}
        QDir root(m_root.path());
        QVERIFY(root.mkpath(QStringLiteral("movie/sub")));
        QVERIFY(root.mkpath(QStringLiteral("movie/folder")));
        m_movieFolder = root.filePath(QStringLiteral("movie"));
        writeFile(root.filePath(QStringLiteral("outside.txt")), "secret");
        writeFile(m_movieFolder + QStringLiteral("/test.swf"), "FWS");
        writeFile(m_movieFolder + QStringLiteral("/data.txt"), "a=1");
        writeFile(m_movieFolder + QStringLiteral("/name with space.txt"), "spaced");
        writeFile(m_movieFolder + QStringLiteral("/sub/inner.txt"), "inner");
        writeFile(m_movieFolder + QStringLiteral("/full.bin"), QByteArray(kCap, 'x'));
        writeFile(m_movieFolder + QStringLiteral("/over.bin"), QByteArray(kCap + 1, 'x'));
        QVERIFY(QFile::link(root.filePath(QStringLiteral("outside.txt")),
                            m_movieFolder + QStringLiteral("/escape.txt")));
        QVERIFY(QFile::link(root.path(), m_movieFolder + QStringLiteral("/up")));
        QVERIFY(QFile::link(m_movieFolder + QStringLiteral("/data.txt"),
                            m_movieFolder + QStringLiteral("/alias.txt")));
        QCOMPARE(
            ::mkfifo(QFile::encodeName(m_movieFolder + QStringLiteral("/pipe")).constData(), 0600),
            0);
    }

    void servesFilesInTheFolder_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("beside") << "data.txt" << QByteArray("a=1");
        QTest::newRow("dot") << "./data.txt" << QByteArray("a=1");
        QTest::newRow("below") << "sub/inner.txt" << QByteArray("inner");
        QTest::newRow("backslash") << "sub\\inner.txt" << QByteArray("inner");
        QTest::newRow("doubled slash") << "sub//inner.txt" << QByteArray("inner");
        QTest::newRow("space") << "name with space.txt" << QByteArray("spaced");
        QTest::newRow("link inside") << "alias.txt" << QByteArray("a=1");
        QTest::newRow("at the cap") << "full.bin" << QByteArray(kCap, 'x');
    }
    void servesFilesInTheFolder() {
        QFETCH(QString, path);
        QFETCH(QByteArray, content);
        const auto bytes = load(path);
        QVERIFY(bytes.has_value());
        QCOMPARE(*bytes, content);
    }

    void refusesEverythingElse_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("parent") << "../outside.txt";
        QTest::newRow("parent, deeper") << "sub/../../outside.txt";
        QTest::newRow("absolute") << QDir(m_root.path()).filePath("outside.txt");
        QTest::newRow("web") << "http://example.com/data.txt";
        QTest::newRow("file url") << "file:///etc/passwd";
        QTest::newRow("drive") << "C:\\data.txt";
        QTest::newRow("empty") << "";
        QTest::newRow("link to a file outside") << "escape.txt";
        QTest::newRow("link to a folder outside") << "up/outside.txt";
        QTest::newRow("fifo") << "pipe";
        QTest::newRow("folder") << "folder";
        QTest::newRow("missing") << "missing.txt";
        QTest::newRow("over the cap") << "over.bin";
        QTest::newRow("nul") << QString::fromUtf8("data.txt\0x", 10);
    }
    void refusesEverythingElse() {
        QFETCH(QString, path);
        LocalMovieHost host(m_movieFolder + QStringLiteral("/test.swf"), kCap);
        QVERIFY(!host.loadFile(path).has_value());
        QVERIFY(!host.lastLoadError().isEmpty());
    }

    void passesRequestsOn() {
        LocalMovieHost host(m_movieFolder + QStringLiteral("/test.swf"));
        QStringList lines;
        host.trace(QStringLiteral("before a handler")); // goes nowhere
        host.setTraceHandler([&](const QString& line) { lines << line; });
        host.trace(QStringLiteral("hello"));
        host.openUrl(QStringLiteral("http://example.com/"), QStringLiteral("_blank"), true);
        host.fsCommand(QStringLiteral("quit"), QString());
        QCOMPARE(lines, QStringList{"hello"});
        QCOMPARE(host.urlRequests().size(), 1);
        QCOMPARE(host.urlRequests()[0].url, QStringLiteral("http://example.com/"));
        QVERIFY(host.urlRequests()[0].userInitiated);
        QCOMPARE(host.fsCommands().size(), 1);
        QCOMPARE(host.fsCommands()[0].command, QStringLiteral("quit"));
    }

    // Stored objects live in a folder per movie below the one given, by name; names that
    // climb out are refused, as are objects over the cap; without a folder nothing is kept.
    void keepsStoredObjectsPerMovie() {
        QTemporaryDir store;
        LocalMovieHost none(m_movieFolder + QStringLiteral("/test.swf"));
        QVERIFY(!none.writeStoredObject(QStringLiteral("/game"), "x"));
        QVERIFY(!none.readStoredObject(QStringLiteral("/game")));

        LocalMovieHost first(m_movieFolder + QStringLiteral("/test.swf"));
        first.setStoredObjectFolder(store.path());
        QVERIFY(first.writeStoredObject(QStringLiteral("/game"), "one"));
        QVERIFY(first.writeStoredObject(QStringLiteral("levels/map"), "two"));
        QCOMPARE(first.readStoredObject(QStringLiteral("/game")), QByteArray("one"));
        QCOMPARE(first.readStoredObject(QStringLiteral("levels/map")), QByteArray("two"));
        QVERIFY(!first.writeStoredObject(QStringLiteral("../../escape"), "x"));
        QVERIFY(!first.writeStoredObject(
            QStringLiteral("/big"), QByteArray(LocalMovieHost::kMaxStoredObjectBytes + 1, 'x')));
        QVERIFY(!first.readStoredObject(QStringLiteral("/missing")));

        LocalMovieHost again(m_movieFolder + QStringLiteral("/test.swf"));
        again.setStoredObjectFolder(store.path());
        QCOMPARE(again.readStoredObject(QStringLiteral("/game")), QByteArray("one"));
        LocalMovieHost other(m_movieFolder + QStringLiteral("/other.swf"));
        other.setStoredObjectFolder(store.path());
        QVERIFY(!other.readStoredObject(QStringLiteral("/game")));
    }
};

QTEST_GUILESS_MAIN(TestLocalMovieHost)
#include "test_local_movie_host.moc"
