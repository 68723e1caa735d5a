#include "capture/flash_player_widget.h"

#include <QActionGroup>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

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
