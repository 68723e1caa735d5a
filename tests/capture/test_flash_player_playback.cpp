// The player widget with real movies, built with the engine's writer.
#include "capture/flash_player_widget.h"
#include "swfwriter/writer.h"
#include "swfwriter/writer_button.h"

#include <QFile>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace reelcase;
using namespace reelcase::swf::write;

namespace {

// A movie of frames frames on a blue stage of size, filled with one red rectangle that
// leaves a 10-pixel blue border.
QByteArray redOnBlue(QSizeF size, int frames) {
    SwfWriter movie(size, 30);
    movie.background(Qt::blue);
    ShapeBuilder shape;
    shape.rect(QRectF(QPointF(10, 10), size - QSizeF(20, 20)), shape.addFill(solid(Qt::red)));
    movie.place({.depth = 1, .character = movie.defineShape(shape)});
    movie.showFrame(frames);
    return movie.finish();
}

// A stopped movie with a button over its whole 100x80 stage whose release goes to frame 2.
QByteArray buttonMovie() {
    SwfWriter movie({100, 80}, 30);
    ShapeBuilder shape;
    shape.rect(QRectF(0, 0, 100, 80), shape.addFill(solid(Qt::red)));
    const auto square = movie.defineShape(shape);
    const auto button = defineButton2(movie, {{.character = square}},
                                      {{OverDownToOverUp, 0, Actions().nextFrame()}});
    movie.place({.depth = 1, .character = button});
    movie.actions(Actions().stop()).showFrame();
    movie.actions(Actions().stop()).showFrame();
    return movie.finish();
}

// A stopped two-frame movie whose ContextMenu holds "Next" (going to frame 2) and a
// disabled "Off":
//   item = new ContextMenuItem("Next", function () { nextFrame(); });
//   m = new ContextMenu(); m.customItems.push(item);
//   m.customItems.push(new ContextMenuItem("Off", null, false, false)); _root.menu = m;
QByteArray menuMovie() {
    SwfWriter movie({100, 80}, 30);
    Actions a;
    a.push("item");
    QByteArray header(3, '\0'); // no name, no parameters
    header.append(char(1)).append(char(0));
    a.raw(0x9B, header).nextFrame(); // the function, one action long
    a.push("Next").pushInt(2).push("ContextMenuItem").raw(0x40).raw(0x1D);
    a.push("m").pushInt(0).push("ContextMenu").raw(0x40).raw(0x1D);
    a.push("item").raw(0x1C).pushInt(1).push("m").raw(0x1C).push("customItems").raw(0x4E);
    a.push("push").raw(0x52).raw(0x17);
    a.push(false).push(false).pushNull().push("Off").pushInt(4).push("ContextMenuItem").raw(0x40);
    a.pushInt(1).push("m").raw(0x1C).push("customItems").raw(0x4E);
    a.push("push").raw(0x52).raw(0x17);
    a.push("_root").raw(0x1C).push("menu").push("m").raw(0x1C).raw(0x4F);
    movie.actions(a.stop()).showFrame();
    movie.actions(Actions().stop()).showFrame();
    return movie.finish();
}

QString writeMovie(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return path;
}

// The colour at a point given in widget pixels of a grab, which holds device pixels.
QColor colourAt(const QImage& image, int x, int y) {
    const double ratio = image.devicePixelRatio();
    return image.pixelColor(int(x * ratio), int(y * ratio));
}

QAction* findAction(QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

} // namespace

class FlashPlayerPlaybackTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        QVERIFY(m_dir.isValid());
        m_movie = writeMovie(m_dir, "movie.swf", redOnBlue({100, 80}, 40));
        m_wide = writeMovie(m_dir, "wide.swf", redOnBlue({300, 60}, 5));
        QVERIFY(!m_movie.isEmpty() && !m_wide.isEmpty());
    }

    // Pointer positions reach the movie in stage pixels through ShowAll; keys only while
    // the player has the focus, and none stay down when it leaves.
    void pointerAndKeysReachTheMovie() {
        FlashPlayerWidget widget;
        widget.resize(200, 80);
        QSignalSpy loaded(&widget, &FlashPlayerWidget::movieLoaded);
        widget.setMovie(m_movie);
        QVERIFY(loaded.wait());
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        // The 100x80 stage sits at x 50..150 of the widget.
        QMouseEvent move(QEvent::MouseMove, QPointF(60, 20), widget.mapToGlobal(QPointF(60, 20)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&widget, &move);
        QCOMPARE(widget.player().inputState().pointer, QPointF(10, 20));
        QTest::mousePress(&widget, Qt::LeftButton, {}, QPoint(150, 80));
        QVERIFY(widget.player().inputState().primaryDown);
        QCOMPARE(widget.player().inputState().pointer, QPointF(100, 80));
        QTest::mouseRelease(&widget, Qt::LeftButton, {}, QPoint(150, 80));
        QVERIFY(!widget.player().inputState().primaryDown);

        widget.setFocus();
        QTRY_VERIFY(widget.player().inputState().focused);
        QTest::keyPress(&widget, Qt::Key_Left);
        QVERIFY(widget.player().inputState().keysDown.test(37));
        QTest::keyClick(&widget, Qt::Key_A);
        QCOMPARE(widget.player().inputState().lastKeyCode, 65);
        QCOMPARE(widget.player().inputState().lastCharCode, int('a'));
        widget.clearFocus();
        QTRY_VERIFY(!widget.player().inputState().focused);
        QVERIFY(widget.player().inputState().keysDown.none());
    }

    // A button in a movie opened as 打开 opens it takes a real click, and shows the hand.
    void buttonInTheMovieTakesAClick() {
        const QString path = writeMovie(m_dir, "button.swf", buttonMovie());
        FlashPlayerWidget widget;
        widget.resize(200, 80);
        QSignalSpy loaded(&widget, &FlashPlayerWidget::movieLoaded);
        widget.setMovie(path);
        QVERIFY(loaded.wait());
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        widget.player().tick();
        QCOMPARE(widget.player().currentFrame(), 0);
        QTest::mouseMove(&widget, QPoint(20, 40)); // the band left of the stage
        QCOMPARE(widget.cursor().shape(), Qt::ArrowCursor);
        QTest::mouseMove(&widget, QPoint(100, 40));
        QCOMPARE(widget.cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseClick(&widget, Qt::LeftButton, {}, QPoint(100, 40));
        QCOMPARE(widget.player().currentFrame(), 1);
    }

    // The movie's own menu items come first in the right-click menu; choosing one runs
    // its onSelect, a disabled one cannot be chosen.
    void contextMenuShowsTheMoviesItems() {
        const QString path = writeMovie(m_dir, "menu.swf", menuMovie());
        FlashPlayerWidget widget;
        widget.resize(100, 80);
        QSignalSpy loaded(&widget, &FlashPlayerWidget::movieLoaded);
        widget.setMovie(path);
        QVERIFY(loaded.wait());
        widget.player().tick();
        auto menu = widget.createContextMenu(QPoint(50, 40));
        QVERIFY(menu->actions().size() > 3);
        QCOMPARE(menu->actions().at(0)->text(), QString("Next"));
        QAction* off = findAction(*menu, "Off");
        QVERIFY(off && !off->isEnabled());
        QCOMPARE(widget.player().currentFrame(), 0);
        findAction(*menu, "Next")->trigger();
        QCOMPARE(widget.player().currentFrame(), 1);

        // Without a movie menu the player's own items stand alone.
        widget.setMovie(m_movie);
        QVERIFY(loaded.wait());
        menu = widget.createContextMenu(QPoint(50, 40));
        QCOMPARE(menu->actions().at(0)->text(), QString("播放"));
    }

    // 全屏 shows the movie alone in a window of its own, taking the pointer; Esc closes it
    // and the player goes on in its place.
    void fullScreenViewShowsTheMovieUntilEscape() {
        FlashPlayerWidget widget;
        widget.resize(200, 80);
        QSignalSpy loaded(&widget, &FlashPlayerWidget::movieLoaded);
        widget.setMovie(m_movie);
        QVERIFY(loaded.wait());
        std::unique_ptr<QMenu> menu = widget.createContextMenu(QPoint(10, 10));
        QAction* fullScreen = findAction(*menu, QStringLiteral("全屏"));
        QVERIFY(fullScreen && fullScreen->isEnabled());
        fullScreen->trigger();
        QPointer<QWidget> view = widget.fullScreenView();
        QVERIFY(view);
        QVERIFY(view->isWindow());
        QTRY_VERIFY(view->isVisible());
        view->resize(400, 320);
        const QImage image = view->grab().toImage();
        QCOMPARE(colourAt(image, 200, 160), QColor(Qt::red));
        QCOMPARE(colourAt(image, 5, 160), QColor(Qt::blue));
        QVERIFY(!findAction(*widget.createContextMenu(QPoint(10, 10)), QStringLiteral("全屏"))
                     ->isEnabled());

        QTest::mousePress(view, Qt::LeftButton, {}, QPoint(400, 320));
        QCOMPARE(widget.player().inputState().pointer, QPointF(100, 80));

        QTest::keyClick(view, Qt::Key_Escape);
        QTRY_VERIFY(!view);
        QVERIFY(!widget.fullScreenView());
        QVERIFY(widget.player().hasMovie());
    }

    void loadsAndPlaysShowAll() {
        FlashPlayerWidget widget;
        widget.resize(200, 80);
        QSignalSpy loaded(&widget, &FlashPlayerWidget::movieLoaded);
        widget.setMovie(m_movie);
        widget.play();
        QVERIFY(loaded.wait());
        QCOMPARE(loaded.constFirst().at(1).toBool(), true);
        QVERIFY(widget.player().hasMovie());
        QVERIFY(widget.isPlaying());
        QTRY_VERIFY(widget.player().currentFrame() > 1);

        // The 100x80 stage fits the 200x80 widget at its height, centred: blue bands at
        // the sides, the red rectangle in the middle.
        const QImage image = widget.grab().toImage();
        QCOMPARE(image.size(), widget.size() * image.devicePixelRatio());
        QCOMPARE(colourAt(image, 100, 40), QColor(Qt::red));
        QCOMPARE(colourAt(image, 3, 40), QColor(Qt::blue));
        QCOMPARE(colourAt(image, 199, 40), QColor(Qt::blue));
        QCOMPARE(colourAt(image, 59, 40), QColor(Qt::blue)); // the stage's own border
        QCOMPARE(colourAt(image, 141, 79), QColor(Qt::blue));
    }

    void loopsOrStopsAtTheEnd() {
        const QString shortMovie = writeMovie(m_dir, "short.swf", redOnBlue({100, 80}, 4));
        FlashPlayerWidget widget;
        QSignalSpy loaded(&widget, &FlashPlayerWidget::movieLoaded);
        widget.setMovie(shortMovie);
        widget.play();
        QVERIFY(loaded.wait());
        // Looping: the frame clock runs on past the last frame back to the first.
        int last = widget.player().currentFrame();
        bool cameBack = false;
        const auto wrapped = [&] {
            const int frame = widget.player().currentFrame();
            cameBack = cameBack || frame < last;
            last = frame;
            return cameBack;
        };
        QTRY_VERIFY(wrapped());
        QVERIFY(widget.isPlaying());

        widget.setLooping(false);
        QTRY_VERIFY(!widget.isPlaying());
        QCOMPARE(widget.player().currentFrame(), 3);
    }

    void stopThenPlayResumesWithoutReloading() {
        FlashPlayerWidget widget;
        QSignalSpy loaded(&widget, &FlashPlayerWidget::movieLoaded);
        widget.setMovie(m_movie);
        widget.play();
        QVERIFY(loaded.wait());
        widget.stop();
        QVERIFY(!widget.isPlaying());
        QVERIFY(widget.player().hasMovie()); // stays loaded
        const int frame = widget.player().currentFrame();
        widget.play();
        QVERIFY(widget.isPlaying());
        QTRY_VERIFY(widget.player().currentFrame() != frame);
        QCOMPARE(loaded.size(), 1);
    }

    void stopDuringLoadKeepsItStopped() {
        FlashPlayerWidget widget;
        QSignalSpy loaded(&widget, &FlashPlayerWidget::movieLoaded);
        widget.setMovie(m_movie);
        widget.stop();
        QVERIFY(loaded.wait());
        QVERIFY(widget.player().hasMovie());
        QVERIFY(!widget.isPlaying());
        QCOMPARE(widget.player().currentFrame(), 0);
    }

    void latestMovieWins() {
        FlashPlayerWidget widget;
        QSignalSpy loaded(&widget, &FlashPlayerWidget::movieLoaded);
        widget.setMovie(m_movie);
        widget.play();
        widget.setMovie(m_wide);
        widget.play();
        QVERIFY(loaded.wait());
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(loaded.constFirst().at(0).toString(), m_wide);
        QCOMPARE(widget.player().stageRect().size(), QSizeF(300, 60));
    }

    void brokenFileAfterAGoodOneEmptiesThePlayer() {
        FlashPlayerWidget widget;
        widget.resize(100, 80);
        QSignalSpy loaded(&widget, &FlashPlayerWidget::movieLoaded);
        widget.setMovie(m_movie);
        widget.play();
        QVERIFY(loaded.wait());
        const QString broken = writeMovie(m_dir, "broken.swf", redOnBlue({100, 80}, 3).left(12));
        widget.setMovie(broken);
        widget.play();
        QVERIFY(!widget.player().hasMovie()); // dropped at once
        QVERIFY(loaded.wait());
        QCOMPARE(loaded.last().at(1).toBool(), false);
        QCOMPARE(colourAt(widget.grab().toImage(), 50, 40), QColor(Qt::white));
    }

    void contextMenuStepsAndZooms() {
        FlashPlayerWidget widget;
        widget.resize(100, 80);
        QSignalSpy loaded(&widget, &FlashPlayerWidget::movieLoaded);
        widget.setMovie(m_movie);
        widget.play();
        QVERIFY(loaded.wait());

        auto menu = widget.createContextMenu(QPoint(50, 40));
        QVERIFY(findAction(*menu, "播放")->isChecked());
        findAction(*menu, "倒带")->trigger();
        QCOMPARE(widget.player().currentFrame(), 0);
        QVERIFY(!widget.isPlaying());

        menu = widget.createContextMenu(QPoint(50, 40));
        QVERIFY(!findAction(*menu, "播放")->isChecked());
        QVERIFY(!findAction(*menu, "后退")->isEnabled()); // at the first frame
        findAction(*menu, "前进")->trigger();
        findAction(*menu, "前进")->trigger();
        QCOMPARE(widget.player().currentFrame(), 2);
        menu = widget.createContextMenu(QPoint(50, 40));
        findAction(*menu, "后退")->trigger();
        QCOMPARE(widget.player().currentFrame(), 1);
        findAction(*menu, "播放")->trigger();
        QVERIFY(widget.isPlaying());

        // Zooming in at the top-left corner twice keeps the view inside the stage: it
        // shows the stage's top-left 25x20 pixels, the blue border and the red corner.
        menu = widget.createContextMenu(QPoint(2, 2));
        findAction(*menu, "放大")->trigger();
        findAction(*menu, "放大")->trigger();
        QCOMPARE(widget.zoom(), 4.0);
        const QImage zoomed = widget.grab().toImage();
        QCOMPARE(colourAt(zoomed, 20, 20), QColor(Qt::blue)); // stage (5, 5)
        QCOMPARE(colourAt(zoomed, 90, 70), QColor(Qt::red));  // stage (22.5, 17.5)
        menu = widget.createContextMenu(QPoint(2, 2));
        QVERIFY(!findAction(*menu, "全部显示")->isChecked());
        QVERIFY(findAction(*menu, "缩小")->isEnabled());
        findAction(*menu, "缩小")->trigger();
        QCOMPARE(widget.zoom(), 2.0);
        findAction(*menu, "全部显示")->trigger();
        QCOMPARE(widget.zoom(), 1.0);
        QCOMPARE(colourAt(widget.grab().toImage(), 50, 40), QColor(Qt::red));
    }

private:
    QTemporaryDir m_dir;
    QString m_movie, m_wide;
};

QTEST_MAIN(FlashPlayerPlaybackTest)
#include "test_flash_player_playback.moc"
