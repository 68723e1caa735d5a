#include "capture/flash_player_widget.h"
#include "support/busy_pool.h"
#include "support/hang_guard.h"

#include <QActionGroup>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <thread>

using namespace reelcase;

namespace {

QAction* findAction(QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions()) {
        if (action->text() == text)
            return action;
        if (action->menu())
            if (QAction* inner = findAction(*action->menu(), text))
                return inner;
    }
    return nullptr;
}

bool isAllWhite(const QImage& image) {
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            if (image.pixelColor(x, y) != QColor(Qt::white))
                return false;
    return true;
}

// Lets every outstanding load finish and deliver, so that nothing arrives later.
void settleLoads() {
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
}

// Bytes this process has asked the kernel to read so far; -1 where that is not told.
qint64 bytesReadByProcess() {
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    return -1;
}

// Swaps name between a link to a file and a link to a pipe as fast as it can, each swap
// one atomic rename, until stopped.
class LinkSwapper {
public:
    LinkSwapper(const QString& name, const QString& file, const QString& pipe)
        : m_thread([=, this] {
            const QByteArray to = QFile::encodeName(name);
            const QByteArray spare = to + ".next";
            const QByteArray targets[] = {QFile::encodeName(file), QFile::encodeName(pipe)};
            for (int i = 0; !m_stop.load(); i ^= 1) {
                ::unlink(spare.constData());
                if (::symlink(targets[i].constData(), spare.constData()) == 0)
                    ::rename(spare.constData(), to.constData());
            }
        }) {}
    ~LinkSwapper() {
        m_stop = true;
        m_thread.join();
    }

private:
    std::atomic_bool m_stop{false};
    std::thread m_thread;
};

} // namespace

class FlashPlayerWidgetTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void placedEmpty() {
        FlashPlayerWidget widget;
        widget.resize(200, 150);
        QCOMPARE(widget.objectName(), QStringLiteral("ShockwaveFlash1"));
        QVERIFY(!widget.player().hasMovie());
        QVERIFY(widget.isLooping());
        QCOMPARE(widget.quality(), swf::Quality::High);
        QCOMPARE(widget.zoom(), 1.0);
        QVERIFY(isAllWhite(widget.grab().toImage()));
        widget.stop(); // safe with no movie
        widget.play();
        widget.stop();
        QVERIFY(!widget.isPlaying());
    }

    void unusableFileLeavesItEmpty_data() {
        QTest::addColumn<QByteArray>("content"); // empty: the file does not exist
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("not a SWF") << QByteArray("<html>not a movie</html>");
        QTest::newRow("truncated header") << QByteArray("FWS\x09", 4);
    }
    void unusableFileLeavesItEmpty() {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath("broken.swf");
        if (!content.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        FlashPlayerWidget widget;
        widget.resize(160, 120);
        QSignalSpy loaded(&widget, &FlashPlayerWidget::movieLoaded);
        widget.setMovie(path);
        widget.play();
        QCOMPARE(widget.movie(), path);
        QVERIFY(loaded.wait());
        QCOMPARE(loaded.constFirst().at(0).toString(), path);
        QCOMPARE(loaded.constFirst().at(1).toBool(), false);
        QVERIFY(!widget.player().hasMovie());
        QVERIFY(!widget.isLoading());
        QVERIFY(isAllWhite(widget.grab().toImage()));
    }

    void folderIsNotAMovie() {
        QTemporaryDir dir;
        FlashPlayerWidget widget;
        QSignalSpy loaded(&widget, &FlashPlayerWidget::movieLoaded);
        widget.setMovie(dir.path());
        QVERIFY(loaded.wait());
        QCOMPARE(loaded.constFirst().at(1).toBool(), false);
    }

    void latestRequestWins() {
        FlashPlayerWidget widget;
        QSignalSpy loaded(&widget, &FlashPlayerWidget::movieLoaded);
        widget.setMovie(QStringLiteral("/nonexistent/first.swf"));
        widget.setMovie(QStringLiteral("/nonexistent/second.swf"));
        QVERIFY(loaded.wait());
        settleLoads();
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(loaded.constFirst().at(0).toString(), QStringLiteral("/nonexistent/second.swf"));
        QCOMPARE(widget.movie(), QStringLiteral("/nonexistent/second.swf"));
    }

    void nameSwappedForAPipeNeverBlocksALoad() {
        QTemporaryDir dir;
        const QString file = dir.filePath("movie.swf");
        QFile movie(file);
        QVERIFY(movie.open(QIODevice::WriteOnly));
        movie.write("not a movie, but a regular file");
        movie.close();
        const QString pipe = dir.filePath("pipe.swf");
        QVERIFY(test::makeFifo(pipe));
        const QString name = dir.filePath("swapped.swf");
        QVERIFY(QFile::link(file, name));

        FlashPlayerWidget widget;
        QSignalSpy loaded(&widget, &FlashPlayerWidget::movieLoaded);
        int settled = 0;
        constexpr int kLoads = 1000;
        {
            LinkSwapper swapper(name, file, pipe);
            for (; settled < kLoads; ++settled) {
                widget.setMovie(name);
                if (!loaded.wait(10000))
                    break;
            }
        }
        // A load stuck on the pipe would hold the pool for good; release it before failing.
        test::endsWithoutHelp([] { QThreadPool::globalInstance()->waitForDone(); }, pipe);
        QCOMPARE(settled, kLoads);
    }

    void supersededLoadsAreNotRead() {
        if (bytesReadByProcess() < 0)
            QSKIP("this system does not count the bytes a process reads");
        QTemporaryDir dir;
        const QString large = dir.filePath("large.swf");
        constexpr qint64 kLarge = qint64(32) << 20;
        QFile file(large);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(kLarge)); // sparse: costs no disk, reads in full all the same
        file.close();

        FlashPlayerWidget widget;
        QSignalSpy loaded(&widget, &FlashPlayerWidget::movieLoaded);
        const qint64 before = bytesReadByProcess();
        {
            test::BusyPool slowDisk;
            // Clicking through a list while the disk is slow.
            for (int i = 0; i < 8; ++i)
                widget.setMovie(large);
            widget.setMovie(dir.filePath("last.swf"));
        }
        QVERIFY(loaded.wait());
        settleLoads();
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(loaded.constFirst().at(0).toString(), dir.filePath("last.swf"));
        QCOMPARE_LT(bytesReadByProcess() - before, kLarge);
    }

    void stopWhileLoadingHoldsThePlay() {
        FlashPlayerWidget widget;
        widget.setMovie(QStringLiteral("/nonexistent/a.swf"));
        QVERIFY(widget.isLoading());
        QVERIFY(widget.isPlaying()); // playing on load
        widget.stop();
        QVERIFY(!widget.isPlaying());
        widget.play();
        QVERIFY(widget.isPlaying());
        settleLoads();
    }

    void contextMenuActionsToggleState() {
        FlashPlayerWidget widget;
        widget.resize(200, 150);
        std::unique_ptr<QMenu> menu = widget.createContextMenu(QPoint(10, 10));
        for (const char* text : {"播放", "循环", "倒带", "前进", "后退", "全部显示", "放大", "缩小",
                                 "品质", "低", "中", "高"})
            QVERIFY2(findAction(*menu, QString::fromUtf8(text)), text);
        QVERIFY(findAction(*menu, "播放")->isCheckable());
        QVERIFY(findAction(*menu, "循环")->isChecked());
        QVERIFY(findAction(*menu, "全部显示")->isChecked());
        QVERIFY(findAction(*menu, "高")->isChecked());
        QVERIFY(!findAction(*menu, "缩小")->isEnabled()); // nothing to zoom out of

        findAction(*menu, "循环")->trigger();
        QVERIFY(!widget.isLooping());
        findAction(*menu, "低")->trigger();
        QCOMPARE(widget.quality(), swf::Quality::Low);
        QVERIFY(!findAction(*menu, "高")->isChecked()); // exclusive

        // A fresh menu shows the new state.
        menu = widget.createContextMenu(QPoint(10, 10));
        QVERIFY(!findAction(*menu, "循环")->isChecked());
        QVERIFY(findAction(*menu, "低")->isChecked());
        findAction(*menu, "循环")->trigger();
        QVERIFY(widget.isLooping());
        findAction(*menu, "中")->trigger();
        QCOMPARE(widget.quality(), swf::Quality::Medium);
    }
};

QTEST_MAIN(FlashPlayerWidgetTest)
#include "test_flash_player_widget.moc"
