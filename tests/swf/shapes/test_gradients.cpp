// Gradient fills as movies draw them: hard edges from repeated ratios, and the spread
// modes beyond the gradient's square.
#include "swf/swf_fixtures.h"

#include <QTest>

using namespace reelcase::swf;
using namespace reelcase::test;

namespace {

// A 100 x 20 stage filled with one gradient over box.
QImage gradientStage(const FillStyle& fill) {
    write::SwfWriter w({100, 20});
    w.background(Qt::white);
    write::ShapeBuilder s;
    s.rect({0, 0, 100, 20}, s.addFill(fill));
    w.place({.depth = 1, .character = w.defineShape(s)});
    w.showFrame();
    Player player;
    player.setMovie(load(w.finish()));
    return renderImage(player, {100, 20});
}

} // namespace

class TestGradients : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void repeatedRatioMakesAHardEdge() {
        const QImage img = gradientStage(write::linearGradient(
            {0, 0, 100, 20}, {{0, Qt::red}, {0.5, Qt::red}, {0.5, Qt::blue}, {1, Qt::blue}}));
        QVERIFY(near(img.pixel(45, 10), Qt::red, 8));
        QVERIFY(near(img.pixel(55, 10), Qt::blue, 8));
        // A ratio that goes back is a hard edge at the ratio before it.
        const QImage back = gradientStage(write::linearGradient(
            {0, 0, 100, 20}, {{0, Qt::red}, {0.6, Qt::red}, {0.2, Qt::blue}, {1, Qt::blue}}));
        QVERIFY(near(back.pixel(55, 10), Qt::red, 8));
        QVERIFY(near(back.pixel(65, 10), Qt::blue, 8));
        // Stops all at the end: the first colour everywhere before.
        const QImage end =
            gradientStage(write::linearGradient({0, 0, 100, 20}, {{1, Qt::green}, {1, Qt::blue}}));
        QVERIFY(near(end.pixel(50, 10), Qt::green, 8));
    }

    void stopsAreWalkedInFileOrder() {
        // After a ratio that goes back, the next segment starts part way through its
        // colours: blue to white entered at the middle.
        const QImage entered = gradientStage(write::linearGradient(
            {0, 0, 100, 20}, {{0, Qt::black}, {0.5, Qt::black}, {0, Qt::blue}, {1, Qt::white}}));
        QVERIFY(near(entered.pixel(45, 10), Qt::black, 8));
        QVERIFY(near(entered.pixel(55, 10), QColor(142, 142, 255), 12));
        // Beyond every stop the last one's colour shows, even when its ratio went back.
        const QImage last = gradientStage(write::linearGradient(
            {0, 0, 100, 20}, {{0, Qt::red}, {0.5, Qt::blue}, {0.3, Qt::green}}));
        QVERIFY(near(last.pixel(25, 10), QColor(128, 0, 128), 16));
        QVERIFY(near(last.pixel(75, 10), Qt::green, 8));
        // A first stop after zero pads its colour before it.
        const QImage late = gradientStage(
            write::linearGradient({0, 0, 100, 20}, {{0.4, Qt::red}, {0.6, Qt::blue}}));
        QVERIFY(near(late.pixel(20, 10), Qt::red, 8));
        QVERIFY(near(late.pixel(80, 10), Qt::blue, 8));
    }

    void spreadModesBeyondTheSquare() {
        const std::vector<GradientStop> stops{{0, Qt::red}, {1, Qt::blue}};
        const QRectF half(0, 0, 50, 20);
        const QImage pad = gradientStage(write::linearGradient(half, stops, Gradient::Pad));
        const QImage reflect = gradientStage(write::linearGradient(half, stops, Gradient::Reflect));
        const QImage repeat = gradientStage(write::linearGradient(half, stops, Gradient::Repeat));
        QVERIFY(near(pad.pixel(98, 10), Qt::blue, 12));
        QVERIFY(near(reflect.pixel(98, 10), Qt::red, 12));
        QVERIFY(near(repeat.pixel(98, 10), Qt::blue, 12));
        QVERIFY(near(repeat.pixel(52, 10), Qt::red, 16));
    }
};

QTEST_MAIN(TestGradients)
#include "test_gradients.moc"
