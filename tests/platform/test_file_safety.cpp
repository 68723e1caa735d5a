// Reads and copies of files the program does not control: links, pipes, devices, caps.
#include "platform/browser_cache_locator.h"
#include "platform/regular_file.h"
#include "platform/safe_file_copy.h"
#include "support/file_contents.h"
#include "support/hang_guard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace reelcase;
using reelcase::test::endsWithoutHelp;
using reelcase::test::makeFifo;
using reelcase::test::readFile;
using reelcase::test::writeFile;

namespace {

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

// What a source file suffers halfway through being copied.
enum class Change { Shrinks, Grows, RewrittenInPlace, None };

// Changes path the second time the copy asks whether to stop, that is after its first chunk.
std::function<bool()> changeAfterFirstChunk(const QString& path, Change change) {
    return [path, change, polls = 0]() mutable {
        if (++polls != 2)
            return false;
        QFile file(path);
        switch (change) {
        case Change::Shrinks:
            file.resize(file.size() / 2);
            break;
        case Change::Grows:
            if (file.open(QIODevice::Append))
                file.write("more");
            break;
        case Change::RewrittenInPlace:
            if (file.open(QIODevice::ReadWrite)) {
                file.write("changed");
                // Within one tick of the file system's clock a write may leave the times as
                // they were; a writer a moment later would not.
                file.setFileTime(file.fileTime(QFileDevice::FileModificationTime).addSecs(1),
                                 QFileDevice::FileModificationTime);
            }
            break;
        case Change::None:
            break;
        }
        return false;
    };
}

} // namespace

Q_DECLARE_METATYPE(Change)

class FileSafetyTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void copyReplacesALinkAtTheDestinationNeverItsTarget_data() {
        QTest::addColumn<bool>("targetExists");
        QTest::addColumn<bool>("fromMemory"); // writeFileSafely rather than a copy
        QTest::newRow("link to a file elsewhere") << true << false;
        QTest::newRow("broken link") << false << false;
        QTest::newRow("bytes over a link to a file elsewhere") << true << true;
        QTest::newRow("bytes over a broken link") << false << true;
    }
    void copyReplacesALinkAtTheDestinationNeverItsTarget() {
        QFETCH(bool, targetExists);
        QFETCH(bool, fromMemory);
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath("favorites"));
        QDir().mkpath(dir.filePath("elsewhere"));
        const QString target = dir.filePath("elsewhere/precious.txt");
        if (targetExists)
            writeFile(target, "precious");
        writeFile(dir.filePath("movie.swf"), "FWS movie");
        const QString destination = dir.filePath("favorites/x.swf");
        QVERIFY(QFile::link(target, destination));

        const CopyResult result = fromMemory
                                      ? writeFileSafely("FWS movie", destination)
                                      : copyFileSafely(dir.filePath("movie.swf"), destination);
        QVERIFY2(result.ok, qPrintable(result.error));
        QVERIFY(!QFileInfo(destination).isSymLink());
        QCOMPARE(readFile(destination), QByteArray("FWS movie"));
        QCOMPARE(entries(dir.filePath("favorites")), QStringList{"x.swf"});
        if (targetExists)
            QCOMPARE(readFile(target), QByteArray("precious"));
        else
            QVERIFY(!QFileInfo::exists(target));
    }

    void copyRefusesWhatIsNotARegularFile_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("device") << "device";
        QTest::newRow("pipe") << "pipe";
        QTest::newRow("link to a pipe") << "link to pipe";
        QTest::newRow("folder") << "folder";
    }
    void copyRefusesWhatIsNotARegularFile() {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString fifo = dir.filePath("pipe.swf");
        QVERIFY(makeFifo(fifo));
        QVERIFY(QFile::link(fifo, dir.filePath("link.swf")));
        QVERIFY(QDir().mkpath(dir.filePath("folder.swf")));
        QVERIFY(QDir().mkpath(dir.filePath("out")));
        const QString source = kind == "device"         ? QStringLiteral("/dev/zero")
                               : kind == "pipe"         ? fifo
                               : kind == "link to pipe" ? dir.filePath("link.swf")
                                                        : dir.filePath("folder.swf");
        CopyResult result;
        QVERIFY(endsWithoutHelp(
            [&] { result = copyFileSafely(source, dir.filePath("out/copy.swf")); }, fifo));
        QVERIFY(!result.ok);
        QVERIFY(!result.error.isEmpty());
        QVERIFY(entries(dir.filePath("out")).isEmpty());
    }

    void readStopsAtTheCapOrWhenCancelled() {
        QTemporaryDir dir;
        const QString path = dir.filePath("movie.swf");
        writeFile(path, QByteArray(3000, 'a'));
        FileLimits limits;
        limits.maxBytes = 3000;
        const ReadResult whole = readRegularFile(path, limits);
        QVERIFY2(whole.ok, qPrintable(whole.error));
        QCOMPARE(whole.bytes, QByteArray(3000, 'a'));

        limits.maxBytes = 2999;
        const ReadResult tooLarge = readRegularFile(path, limits);
        QVERIFY(!tooLarge.ok);
        QVERIFY(tooLarge.bytes.isEmpty());
        QVERIFY(!tooLarge.error.isEmpty());

        limits.maxBytes = kMaxFileBytes;
        limits.cancelled = [] { return true; };
        QVERIFY(!readRegularFile(path, limits).ok);
        QVERIFY(!readRegularFile(dir.filePath("missing.swf")).ok);
    }

    void copyThatStopsLeavesTheDestinationAsItWas_data() {
        QTest::addColumn<qint64>("cap");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("over the cap") << qint64(3 << 20) - 1 << false;
        QTest::newRow("cancelled") << kMaxFileBytes << true;
    }
    void copyThatStopsLeavesTheDestinationAsItWas() {
        QFETCH(qint64, cap);
        QFETCH(bool, cancel);
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath("out"));
        writeFile(dir.filePath("movie.swf"), QByteArray(3 << 20, 'a'));
        writeFile(dir.filePath("out/copy.swf"), "old");
        FileLimits limits;
        limits.maxBytes = cap;
        // Stops once the first chunk has been written.
        if (cancel)
            limits.cancelled = [polls = 0]() mutable { return ++polls > 1; };
        const CopyResult result =
            copyFileSafely(dir.filePath("movie.swf"), dir.filePath("out/copy.swf"), limits);
        QVERIFY(!result.ok);
        QVERIFY(!result.error.isEmpty());
        QCOMPARE(readFile(dir.filePath("out/copy.swf")), QByteArray("old"));
        QCOMPARE(entries(dir.filePath("out")), QStringList{"copy.swf"});
    }

    void sourceThatChangesDuringACopyIsNotCopied_data() {
        QTest::addColumn<Change>("change");
        QTest::newRow("shrinks") << Change::Shrinks;
        QTest::newRow("grows") << Change::Grows;
        QTest::newRow("rewritten in place") << Change::RewrittenInPlace;
    }
    void sourceThatChangesDuringACopyIsNotCopied() {
        QFETCH(Change, change);
        QTemporaryDir dir;
        const QString source = dir.filePath("movie.swf");
        writeFile(source, QByteArray(3 << 20, 'a'));
        FileLimits limits;
        limits.cancelled = changeAfterFirstChunk(source, change);
        const CopyResult result = copyFileSafely(source, dir.filePath("copy.swf"), limits);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains("改动"), qPrintable(result.error));
        QVERIFY(!QFileInfo::exists(dir.filePath("copy.swf")));

        // Left alone, the same copy goes through.
        writeFile(source, QByteArray(3 << 20, 'b'));
        limits.cancelled = changeAfterFirstChunk(source, Change::None);
        QVERIFY(copyFileSafely(source, dir.filePath("copy.swf"), limits).ok);
        QCOMPARE(readFile(dir.filePath("copy.swf")), QByteArray(3 << 20, 'b'));
    }

    void replacedFileKeepsItsPermissions() {
        QTemporaryDir dir;
        writeFile(dir.filePath("movie.swf"), "FWS new");
        const QString kept = dir.filePath("private.swf");
        writeFile(kept, "old");
        QVERIFY(QFile::setPermissions(kept, QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(copyFileSafely(dir.filePath("movie.swf"), kept).ok);
        QCOMPARE(readFile(kept), QByteArray("FWS new"));
        struct stat status {};
        QCOMPARE(::stat(QFile::encodeName(kept).constData(), &status), 0);
        QCOMPARE(status.st_mode & 07777, mode_t(0600));
    }

    void registryThatIsNotAFileIsPassedOver_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("link to a device") << "device";
        QTest::newRow("pipe") << "pipe";
        QTest::newRow("link to a pipe") << "link to pipe";
    }
    void registryThatIsNotAFileIsPassedOver() {
        QFETCH(QString, kind);
        QTemporaryDir prefix;
        const QString userReg = prefix.filePath("user.reg");
        const QString fifo = kind == "link to pipe" ? prefix.filePath("pipe") : userReg;
        if (kind == "device") {
            QVERIFY(QFile::link("/dev/zero", userReg));
        } else {
            QVERIFY(makeFifo(fifo));
            if (fifo != userReg)
                QVERIFY(QFile::link(fifo, userReg));
        }
        QProcessEnvironment env;
        env.insert("WINEPREFIX", prefix.path());
        QString found = "unset";
        QVERIFY(endsWithoutHelp([&] { found = locateBrowserCache(env); }, fifo));
        QCOMPARE(found, QString());
    }
};

QTEST_GUILESS_MAIN(FileSafetyTest)
#include "test_file_safety.moc"
