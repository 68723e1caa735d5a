// Line widths under the scale modes: a horizontal line drawn through an object stretched
// three times wide, its thickness measured down a column.
#include "swf/swf_fixtures.h"

#include <QTest>

using namespace reelcase::swf;
using namespace reelcase::test;

namespace {

// Rows of the column x = 50 that are dark: the line's thickness in pixels.
int thickness(bool noHScale, bool noVScale, const QTransform& placed) {
    write::SwfWriter w({100, 100});
    w.background(Qt::white);
    write::ShapeBuilder s(4);
    LineStyle style = write::line(4, Qt::black);
    style.noHScale = noHScale;
    style.noVScale = noVScale;
    write::Path p;
    p.line = s.addLine(style);
    p.moveTo({-10, 0}).lineTo({10, 0});
    s.path(p);
    w.place({.depth = 1, .character = w.defineShape(s), .matrix = placed});
    w.showFrame();
    Player player;
    player.setMovie(load(w.finish()));
    const QImage img = renderImage(player, {100, 100});
    int dark = 0;
    for (int y = 0; y < 100; ++y)
        dark += qRed(img.pixel(50, y)) < 128;
    return dark;
}

} // namespace

class TestLineStyles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void scaleModesFollowTheirAxis() {
        // Three times wide, twice as tall, at the stage's centre.
        const QTransform stretched =
            QTransform::fromScale(3, 2) * QTransform::fromTranslate(50, 50);
        QCOMPARE(thickness(false, false, stretched), 8); // normal: the stroke stretched too
        QCOMPARE(thickness(true, true, stretched), 4);   // none: stage pixels
        QCOMPARE(thickness(true, false, stretched), 8);  // vertical: 2 * 4
        QCOMPARE(thickness(false, true, stretched), 12); // horizontal: 3 * 4
    }
};

QTEST_MAIN(TestLineStyles)
#include "test_line_styles.moc"
