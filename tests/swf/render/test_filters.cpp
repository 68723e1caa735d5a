// Filters placed on objects (PlaceObject3): what they draw around and in place of the
// object, and that hostile parameters stay bounded.
#include "swf/format/filters.h"
#include "swf/render/filter_effects.h"
#include "swf/swf_fixtures.h"

#include <QTest>
#include <QtEndian>

#include <cmath>
#include <numbers>

using namespace reelcase::swf;
using namespace reelcase::test;

namespace {

QByteArray u16(int v) {
    QByteArray b(2, 0);
    qToLittleEndian<quint16>(static_cast<quint16>(v), b.data());
    return b;
}
QByteArray fixed(double v) {
    QByteArray b(4, 0);
    qToLittleEndian<qint32>(static_cast<qint32>(v * 65536), b.data());
    return b;
}

// A drop shadow of black, distance pixels to the right, no blur, one pass.
QByteArray dropShadow(double distance, bool knockout) {
    QByteArray f;
    f += char(0);                                // drop shadow
    f += QByteArray("\x00\x00\x00\xff", 4);      // colour
    f += fixed(0) + fixed(0);                    // blur x, y
    f += fixed(0) + fixed(distance);             // angle, distance
    f += u16(0x100);                             // strength 1
    f += char((knockout ? 0x40 : 0) | 0x20 | 1); // composite source, one pass
    return f;
}

QByteArray blur(double size, int passes) {
    QByteArray f;
    f += char(1);
    f += fixed(size) + fixed(size);
    f += char(passes << 3);
    return f;
}

// A glow as strong as the field can say, wide and of every pass.
QByteArray strongestGlow() {
    QByteArray f;
    f += char(2);
    f += QByteArray("\xff\x00\x00\xff", 4);
    f += fixed(255) + fixed(255);
    f += u16(0x7fff); // strength
    f += char(0x20 | 31);
    return f;
}

// A colour matrix of nothing but NaN.
QByteArray nanColorMatrix() {
    QByteArray f;
    f += char(6);
    for (int i = 0; i < 20; ++i)
        f += QByteArray("\x00\x00\xc0\x7f", 4);
    return f;
}

// A 100 x 100 white stage with a blue square (20..40, 40..60) placed with filters.
QImage filtered(const QByteArray& filterEntries, int count) {
    write::SwfWriter w({100, 100});
    w.background(Qt::white);
    write::ShapeBuilder s;
    s.rect({20, 40, 20, 20}, s.addFill(write::solid(Qt::blue)));
    const auto shape = w.defineShape(s);
    QByteArray place;
    place += char(0x06); // has character, has matrix
    place += char(0x01); // has filter list
    place += u16(1) + u16(shape);
    place += write::matrixBytes(QTransform());
    place += char(count) + filterEntries;
    w.rawTag(70, place);
    w.showFrame();
    Player player;
    player.setMovie(load(w.finish()));
    return renderImage(player, {100, 100});
}

} // namespace

class TestFilters : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void dropShadowFallsBesideTheObject() {
        const QImage img = filtered(dropShadow(10, false), 1);
        QVERIFY(near(img.pixel(30, 50), Qt::blue));
        QVERIFY(near(img.pixel(45, 50), Qt::black));
        QVERIFY(near(img.pixel(55, 50), Qt::white));
        QVERIFY(near(img.pixel(45, 35), Qt::white)); // nothing above
        // Knockout: only the shadow shows, with a hole where the object is.
        const QImage knocked = filtered(dropShadow(10, true), 1);
        QVERIFY(near(knocked.pixel(25, 50), Qt::white));
        QVERIFY(near(knocked.pixel(45, 50), Qt::black));
    }

    void blurSpreadsTheEdges() {
        const QImage img = filtered(blur(8, 1), 1);
        const QColor edge = img.pixelColor(40, 50); // half in, half out
        QVERIFY(edge.blue() > 100 && edge.red() > 60);
        QVERIFY(near(img.pixel(30, 50), Qt::blue, 10));
        QVERIFY(img.pixelColor(42, 50).red() < 250); // spread past the edge
    }

    // A blur's box is centred and of odd width: size 2 keeps the edge sharp, size 4 spreads
    // it over three pixels in thirds.
    void blurBoxIsCentredAndOdd() {
        const QImage sharp = filtered(blur(2, 1), 1);
        QVERIFY(near(sharp.pixel(39, 50), Qt::blue, 4));
        QVERIFY(near(sharp.pixel(40, 50), Qt::white, 4));
        const QImage soft = filtered(blur(4, 1), 1);
        QVERIFY2(near(soft.pixel(39, 50), QColor(85, 85, 255), 4),
                 qPrintable(soft.pixelColor(39, 50).name()));
        QVERIFY(near(soft.pixel(40, 50), QColor(170, 170, 255), 4));
        QVERIFY(near(soft.pixel(41, 50), Qt::white, 4));
    }

    // Files hold a bevel's highlight colour before its shadow colour.
    void bevelReadsHighlightFirst() {
        QByteArray f;
        f += char(1);                                     // one filter
        f += char(3);                                     // a bevel
        f += QByteArray("\xff\xff\xff\xff", 4);           // highlight: white
        f += QByteArray("\x00\x00\x00\x80", 4);           // shadow: half-clear black
        f += fixed(4) + fixed(4) + fixed(0.5) + fixed(3); // blurs, angle, distance
        f += u16(0x100);
        f += char(0x20 | 0x10 | 1);
        BitReader r(f);
        const FilterList list = readFilterList(r);
        QCOMPARE(list.size(), std::size_t(1));
        QCOMPARE(list[0].highlight.rgba(), qRgba(255, 255, 255, 255));
        QCOMPARE(list[0].color.rgba(), qRgba(0, 0, 0, 0x80));
        QCOMPARE(list[0].distance, 3.0);
        QVERIFY(list[0].onTop);
    }

    // Light falls along the bevel's angle: with 45 degrees, the highlight lines the edges
    // facing up and left, the shadow those facing down and right.
    void bevelLightsTheEdgesFacingItsSource() {
        QByteArray f;
        f += char(3);
        f += QByteArray("\xff\x00\x00\xff", 4); // highlight: red
        f += QByteArray("\x00\x00\x00\xff", 4); // shadow: black
        f += fixed(0) + fixed(0) + fixed(std::numbers::pi / 4) + fixed(3);
        f += u16(0x100);
        f += char(0x80 | 0x20 | 1); // inner, with the object
        const QImage img = filtered(f, 1);
        QVERIFY2(near(img.pixel(21, 50), Qt::red, 8), qPrintable(img.pixelColor(21, 50).name()));
        QVERIFY(near(img.pixel(30, 41), Qt::red, 8));
        QVERIFY(near(img.pixel(38, 50), Qt::black, 8));
        QVERIFY(near(img.pixel(30, 58), Qt::black, 8));
        QVERIFY(near(img.pixel(30, 50), Qt::blue, 8)); // the object itself inside
    }

    void hostileFiltersStayBounded() {
        // Largest blur, every pass the field can say, three times over: drawn, blurred away.
        const QImage img = filtered(blur(255, 31) + blur(255, 31) + blur(255, 31), 3);
        QVERIFY(!img.isNull());
        QVERIFY(img.pixelColor(30, 50).red() > 200); // the square spread thin
        // A list cut short, or of an unknown kind: the object is drawn without filters.
        QVERIFY(near(filtered(blur(4, 1).left(5), 1).pixel(30, 50), Qt::blue));
        QByteArray unknown;
        unknown += char(9);
        QVERIFY(near(filtered(unknown, 1).pixel(30, 50), Qt::blue));
    }

    // The longest list of the costliest filters over a large picture: the work spent stays
    // within the budget, and what comes out is a sound premultiplied picture.
    void hostileFilterListsHaveBoundedWork() {
        QByteArray bytes(1, char(255));
        for (int i = 0; i < 85; ++i)
            bytes += blur(255, 31) + strongestGlow() + nanColorMatrix();
        BitReader r(bytes);
        const FilterList list = readFilterList(r);
        QCOMPARE(list.size(), std::size_t(255));
        QImage picture(1024, 1024, QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        picture.setPixel(512, 512, qRgba(0, 0, 255, 255));
        const long long work = applyFilters(picture, list, 1.0);
        QVERIFY(work > 0);
        QVERIFY(work <= 64LL * 1024 * 1024);
        for (int y = 0; y < picture.height(); y += 7)
            for (int x = 0; x < picture.width(); x += 7) {
                const QRgb c = reinterpret_cast<const QRgb*>(picture.constScanLine(y))[x];
                QVERIFY(qRed(c) <= qAlpha(c) && qGreen(c) <= qAlpha(c) && qBlue(c) <= qAlpha(c));
            }
        QVERIFY(applyFilters(picture, list, std::nan("")) == 0);
    }
};

QTEST_MAIN(TestFilters)
#include "test_filters.moc"
