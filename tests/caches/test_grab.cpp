// reelcase-grab: its listing, JSON, export, and how it names the files it writes.
#include "grab_output.h"
#include "support/browser_cache_fixtures.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace reelcase;
using reelcase::test::installCacheFixture;
using reelcase::test::recordedMovies;

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

// Runs the tool as a user with home as HOME and nothing else configured.
Run grab(const QString& home, const QStringList& args, const QString& configured = {}) {
    QProcessEnvironment environment;
    environment.insert("HOME", home);
    environment.insert("WINEPREFIX", home + "/no-wine");
    environment.insert("LC_ALL", "C.UTF-8");
    if (!configured.isEmpty())
        environment.insert("REELCASE_CACHE", configured);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(REELCASE_GRAB_PATH), args);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError())};
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray sha256Of(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// A home whose Chromium and Firefox both cached the recorded movies.
bool browserHome(const QString& home) {
    return installCacheFixture("chromium-simple",
                               home + "/.cache/chromium/Default/Cache/Cache_Data") &&
           installCacheFixture("firefox-cache2",
                               home + "/.cache/mozilla/firefox/p.default/cache2/entries");
}

} // namespace

class GrabTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void jsonListsEachMovieOnceWithItsOrigin() {
        QTemporaryDir home;
        QVERIFY(browserHome(home.path()));
        const Run run = grab(home.path(), {"--all", "--json"});
        QCOMPARE(run.exitCode, 0);
        const QJsonArray movies = QJsonDocument::fromJson(run.out).array();
        const auto recorded = recordedMovies();
        QSet<QString> names;
        const QRegularExpression iso(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d$)");
        for (const QJsonValue& value : movies) {
            const QJsonObject movie = value.toObject();
            const QString name = movie["url"].toString().section('/', -1);
            QVERIFY2(!names.contains(name), qPrintable(name + " listed twice"));
            names.insert(name);
            QVERIFY(movie["url"].toString().startsWith("http://127.0.0.1:"));
            QCOMPARE(movie["browser"].toString(), QString("Firefox")); // the newer copies
            QVERIFY2(iso.match(movie["cached"].toString()).hasMatch(),
                     qPrintable(movie["cached"].toString()));
            QVERIFY(QFileInfo(movie["source"].toString()).isFile());
            QCOMPARE(movie["complete"].toBool(), recorded[name].whole);
            if (recorded[name].whole) {
                QCOMPARE(movie["sha256"].toString().toLatin1(), recorded[name].sha256);
                QCOMPARE(movie["size"].toInteger(), recorded[name].size);
            }
        }
        QVERIFY(names.contains("gzip.swf"));
        QVERIFY(names.contains("cut.swf"));
        QVERIFY(!names.contains("range.swf"));
    }

    // The size and age rules by default; an Internet Explorer cache configured as before.
    void listingFollowsTheSearchRules() {
        QTemporaryDir home;
        const QString ie = home.filePath("ie/Content.IE5/A1B2C3D4");
        QVERIFY(QDir().mkpath(ie));
        const QDateTime now = QDateTime::currentDateTime();
        for (const auto& [name, size, age] :
             {std::tuple{"recent.swf", 60000, 600}, std::tuple{"old.swf", 60000, 3 * 3600},
              std::tuple{"small.swf", 1000, 600}}) {
            QFile file(ie + "/" + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.write("FWS\x08" + QByteArray(size - 4, 'x')) == size);
            QVERIFY(file.setFileTime(now.addSecs(-age), QFileDevice::FileModificationTime));
        }
        const Run run = grab(home.path(), {}, home.filePath("ie"));
        QCOMPARE(run.exitCode, 0);
        const QStringList lines = QString::fromUtf8(run.out).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1);
        const QStringList fields = lines[0].split('\t');
        QCOMPARE(fields.size(), 4);
        QCOMPARE(fields[0], now.addSecs(-600).toString("yyyy-MM-dd HH:mm:ss"));
        QCOMPARE(fields[1], QString("60000"));
        QCOMPARE(fields[2], QString("Internet Explorer"));
        QCOMPARE(fields[3], ie + "/recent.swf"); // no index.dat: the file stands for the URL
        QCOMPARE(grab(home.path(), {"--all"}, home.filePath("ie")).out.count('\n'), 3);
    }

    void exportWritesEachBodyOnceWithAManifest() {
        QTemporaryDir home;
        QVERIFY(browserHome(home.path()));
        const QString out = home.filePath("export");
        QVERIFY(QDir().mkpath(out));
        QFile taken(out + "/gzip.swf");
        QVERIFY(taken.open(QIODevice::WriteOnly) && taken.write("mine") == 4);
        taken.close();

        const Run run = grab(home.path(), {"--all", "--export", out});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(readFile(out + "/gzip.swf"), QByteArray("mine")); // never replaced
        const QJsonArray manifest =
            QJsonDocument::fromJson(readFile(out + "/manifest.json")).array();
        QVERIFY(!manifest.isEmpty());
        QSet<QString> files;
        for (const QJsonValue& value : manifest) {
            const QJsonObject movie = value.toObject();
            const QString file = movie["file"].toString();
            const QString name = movie["url"].toString().section('/', -1);
            QCOMPARE(file, name == "gzip.swf" ? QString("gzip-2.swf") : name);
            QCOMPARE(sha256Of(readFile(out + "/" + file)), movie["sha256"].toString().toLatin1());
            files.insert(file);
        }
        QCOMPARE(files.size(), manifest.size());
        QStringList written = QDir(out).entryList(QDir::Files);
        written.removeAll("manifest.json");
        QCOMPARE(written.size(), manifest.size() + 1); // and the file that was there
    }

    void unreadableCacheIsNotedAndTheRunSucceeds() {
        QTemporaryDir home;
        const Run run = grab(home.path(), {"--json"}, "/nonexistent/cache");
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.err.contains("/nonexistent/cache"));
        QCOMPARE(QJsonDocument::fromJson(run.out).array().size(), 0);
        QCOMPARE(grab(home.path(), {"--bogus"}).exitCode, 2);
    }

    void exportNames_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("name");
        QTest::newRow("last segment") << "http://a.test/games/Tank%20War.swf?v=3"
                                      << "/c/x"
                                      << "Tank War.swf";
        QTest::newRow(".swf added") << "http://a.test/play?id=7"
                                    << "/c/x"
                                    << "play.swf";
        QTest::newRow("no segment: the entry file") << "http://a.test/"
                                                    << "/c/0a1b_0"
                                                    << "0a1b_0.swf";
        QTest::newRow("no leading dot") << "http://a.test/..swf"
                                        << "/c/x"
                                        << "swf.swf";
        QTest::newRow("no separators") << "http://a.test/x/..%2F..%2Fetc%2Fpasswd"
                                       << "/c/x"
                                       << "passwd.swf";
        QTest::newRow("nothing usable") << ""
                                        << ""
                                        << "movie.swf";
        QTest::newRow("long names cut") << "http://a.test/" + QString(300, 'n') + ".swf"
                                        << "/c/x" << QString(120, 'n') + ".swf";
    }
    void exportNames() {
        QFETCH(QString, url);
        QFETCH(QString, source);
        QFETCH(QString, name);
        FoundMovie movie;
        movie.url = url;
        movie.source = source;
        const QString exported = exportName(movie);
        QVERIFY(!exported.contains('/'));
        QVERIFY(!exported.startsWith('.'));
        QCOMPARE(exported, name);
    }
};

QTEST_GUILESS_MAIN(GrabTest)
#include "test_grab.moc"
