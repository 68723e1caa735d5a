#include "swf/render/renderer.h"
#include "swf/script_stage.h"
#include "swf/swf_fixtures.h"
#include "swfwriter/writer_media.h"
#include "swfwriter/writer_sound.h"

#include <QTest>

using namespace reelcase::swf;
using namespace reelcase::swf::avm1;
using namespace reelcase::test;

namespace {

std::uint16_t square(write::SwfWriter& w, const QRectF& r, const QColor& colour) {
    write::ShapeBuilder s;
    s.rect(r, s.addFill(write::solid(colour)));
    return w.defineShape(s);
}

// A 100 x 100 stage: sprite "clip" (a red square left of x = 50 and a blue one right of
// it, both 0..100 high) placed at clipAt, and sprite "m" (a black square 30..60) at maskAt.
std::shared_ptr<const Movie> twoClips(QPointF clipAt = {}, QPointF maskAt = {}) {
    write::SwfWriter w({100, 100}, 12, 8);
    const auto red = square(w, {0, 0, 50, 100}, Qt::red);
    const auto blue = square(w, {50, 0, 50, 100}, Qt::blue);
    const auto black = square(w, {30, 30, 30, 30}, Qt::black);
    write::Timeline content;
    content.place({.depth = 1, .character = red});
    content.place({.depth = 2, .character = blue});
    content.showFrame();
    const auto clip = w.defineSprite(content);
    write::Timeline maskTimeline;
    maskTimeline.place({.depth = 1, .character = black});
    maskTimeline.showFrame();
    const auto mask = w.defineSprite(maskTimeline);
    auto at = [](QPointF p) { return QTransform::fromTranslate(p.x(), p.y()); };
    w.place({.depth = 1, .character = clip, .matrix = at(clipAt), .name = QString("clip")});
    w.place({.depth = 2, .character = mask, .matrix = at(maskAt), .name = QString("m")});
    w.showFrame();
    return load(w.finish());
}

QImage draw(ScriptStage& stage, Quality quality = Quality::Low) {
    QImage image(100, 100, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    RenderContext context;
    context.dictionary = &stage.movie->dictionary;
    context.quality = quality;
    context.rasterCache = false;
    context.drawBudget = 100'000;
    renderTimeline(*stage.root, painter, QTransform::fromScale(0.05, 0.05), ColorTransform{},
                   context);
    painter.end();
    return image;
}

Value rectangle(Vm& vm, double x, double y, double w, double h) {
    const Value cls =
        vm.getMember(vm.getMember(vm.getMember(Value(vm.global), QStringLiteral("flash")), "geom"),
                     QStringLiteral("Rectangle"));
    std::vector<Value> args{x, y, w, h};
    return vm.construct(cls, args);
}

// A red clip "clip" under a field "txt" 8 pixels wide showing "II" in an embedded font whose
// I is a bar (pixels 2..6 and 10..14 across, 2..17 down: the second beyond the field).
std::shared_ptr<const Movie> clipUnderField() {
    write::SwfWriter w({100, 100}, 12, 8);
    write::FontDesign font;
    font.name = QStringLiteral("Bars");
    font.ascent = 800;
    font.descent = 224;
    QPainterPath bar;
    bar.addRect(0, -800, 200, 800);
    font.glyphs.push_back({u'I', bar, 400});
    const auto fontId = write::defineFont(w, font);
    const auto red = square(w, {0, 0, 100, 100}, Qt::red);
    write::Timeline content;
    content.place({.depth = 1, .character = red});
    content.showFrame();
    const auto clip = w.defineSprite(content);
    write::EditTextDesign design;
    design.bounds = {0, 0, 8, 40};
    design.text = QStringLiteral("II");
    design.useOutlines = true;
    design.fontId = fontId;
    design.fontHeight = 20;
    const auto field = write::defineEditText(w, design);
    w.place({.depth = 1, .character = clip, .name = QString("clip")});
    w.place({.depth = 2, .character = field, .name = QString("txt")});
    w.showFrame();
    return load(w.finish());
}

// A 100 x 100 stage whose only content is a 4 x 2 red bitmap exported as "pic".
std::shared_ptr<const Movie> exportedBitmap() {
    write::SwfWriter w({100, 100}, 12, 8);
    QImage red(4, 2, QImage::Format_ARGB32_Premultiplied);
    red.fill(Qt::red);
    write::exportAssets(w, {{write::defineBitsLossless(w, red), QStringLiteral("pic")}});
    w.showFrame();
    return load(w.finish());
}

struct Stage {
    explicit Stage(QPointF clipAt = {}, QPointF maskAt = {})
        : s(twoClips(clipAt, maskAt), &host)
        , vm(s.runtime->vm())
        , clip(s.variable("clip"))
        , mask(s.variable("m")) {}
    void set(const char* name, const Value& v) { vm.setMember(clip, QLatin1String(name), v); }
    Value get(const char* name) { return vm.getMember(clip, QLatin1String(name)); }
    Value setMask(const Value& v) {
        std::vector<Value> args{v};
        return vm.callMethod(clip, QStringLiteral("setMask"), args);
    }
    TraceHost host;
    ScriptStage s;
    Vm& vm;
    Value clip, mask;
};

} // namespace

class TestClipDisplay : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The window shows its area of the content at the clip's origin and nothing else;
    // the clip's bounds become the window's; taking it away shows everything again.
    void scrollRectScrollsAndClips() {
        Stage t({10, 10});
        t.set("scrollRect", rectangle(t.vm, 40, 0, 20, 30));
        QImage img = draw(t.s);
        QVERIFY(near(img.pixel(15, 20), Qt::red));  // content x 45
        QVERIFY(near(img.pixel(25, 20), Qt::blue)); // content x 55
        QVERIFY(near(img.pixel(35, 20), Qt::white));
        QVERIFY(near(img.pixel(20, 45), Qt::white));
        QVERIFY(near(img.pixel(5, 5), Qt::white));
        const Value r = t.get("scrollRect");
        QCOMPARE(t.vm.toString(t.vm.getMember(r, QStringLiteral("x"))), QString("40"));
        QCOMPARE(t.vm.toString(t.vm.getMember(r, QStringLiteral("height"))), QString("30"));
        QCOMPARE(t.vm.toString(t.get("_width")), QString("20"));
        t.set("scrollRect", Undefined{});
        QCOMPARE(t.s.describe(t.get("scrollRect")), QString("undefined:undefined"));
        img = draw(t.s);
        QVERIFY(near(img.pixel(5 + 10, 80), Qt::red));
        QVERIFY(near(img.pixel(95, 80), Qt::blue));
    }

    // The background fills the clip's bounds behind its content, in the clip's colour
    // transform; undefined or null takes it away.
    void opaqueBackgroundFillsBounds() {
        Stage t;
        t.set("scrollRect", rectangle(t.vm, 0, 0, 60, 40));
        t.set("opaqueBackground", double(0x00FF00));
        QCOMPARE(t.vm.toString(t.get("opaqueBackground")), QString::number(0x00FF00));
        // Content covering the window hides the background.
        QImage img = draw(t.s);
        QVERIFY(near(img.pixel(30, 20), Qt::red));
        t.set("scrollRect", rectangle(t.vm, -50, 0, 60, 40)); // content starts at x 50
        img = draw(t.s);
        QVERIFY(near(img.pixel(30, 20), Qt::green));
        QVERIFY(near(img.pixel(55, 20), Qt::red));
        QVERIFY(near(img.pixel(30, 60), Qt::white));
        t.set("opaqueBackground", Null{});
        QCOMPARE(t.s.describe(t.get("opaqueBackground")), QString("undefined:undefined"));
        img = draw(t.s);
        QVERIFY(near(img.pixel(30, 20), Qt::white));
    }

    // A script mask cuts the clip to its shape wherever the mask is, follows the mask's
    // placement and hides the mask; null gives both back.
    void setMaskMasksAndHides_data() {
        QTest::addColumn<int>("quality");
        QTest::newRow("low") << int(Quality::Low);
        QTest::newRow("high") << int(Quality::High);
    }
    void setMaskMasksAndHides() {
        QFETCH(int, quality);
        Stage t({}, {20, 0}); // the mask's square covers 50..80 x 30..60
        QCOMPARE(t.s.describe(t.setMask(t.mask)), QString("boolean:true"));
        QImage img = draw(t.s, Quality(quality));
        QVERIFY(near(img.pixel(55, 45), Qt::blue));
        QVERIFY(near(img.pixel(40, 45), Qt::white));
        QVERIFY(near(img.pixel(85, 45), Qt::white));
        QVERIFY(near(img.pixel(10, 10), Qt::white));
        QCOMPARE(t.s.describe(t.setMask(QStringLiteral("nothing.here"))), QString("boolean:false"));
        QVERIFY(near(draw(t.s, Quality(quality)).pixel(40, 45), Qt::white)); // mask kept
        QCOMPARE(t.s.describe(t.setMask(Null{})), QString("boolean:true"));
        img = draw(t.s, Quality(quality));
        QVERIFY(near(img.pixel(10, 10), Qt::red));
        QVERIFY(near(img.pixel(55, 45), Qt::black)); // the mask shows again
    }

    // A path names the mask as a target path does, from the clip's parent.
    void setMaskByPath() {
        Stage t;
        QCOMPARE(t.s.describe(t.setMask(QStringLiteral("_root.m"))), QString("boolean:true"));
        QVERIFY(near(draw(t.s).pixel(10, 10), Qt::white));
        QCOMPARE(t.s.describe(t.setMask(QStringLiteral("clip"))), QString("boolean:false"));
    }

    // A mask's scroll window moves what masks but does not cut it.
    void maskScrollWindowMovesWithoutCutting() {
        Stage t;
        t.vm.setMember(t.mask, QStringLiteral("scrollRect"), rectangle(t.vm, 10, 0, 5, 5));
        t.setMask(t.mask); // the black square now covers 20..50 x 30..60
        const QImage img = draw(t.s);
        QVERIFY(near(img.pixel(22, 45), Qt::red));
        QVERIFY(near(img.pixel(45, 55), Qt::red));
        QVERIFY(near(img.pixel(55, 45), Qt::white));
        QVERIFY(near(img.pixel(25, 25), Qt::white));
    }

    // A field in an embedded font masks with its glyphs, not its box, even those its box
    // cuts off when drawn.
    void fieldMasksWithGlyphs() {
        TraceHost host;
        ScriptStage s(clipUnderField(), &host);
        Vm& vm = s.runtime->vm();
        std::vector<Value> args{s.variable("txt")};
        QCOMPARE(s.describe(vm.callMethod(s.variable("clip"), QStringLiteral("setMask"), args)),
                 QString("boolean:true"));
        const QImage img = draw(s);
        QVERIFY(near(img.pixel(4, 10), Qt::red));
        QVERIFY(near(img.pixel(12, 10), Qt::red));
        QVERIFY(near(img.pixel(8, 10), Qt::white));
        QVERIFY(near(img.pixel(50, 30), Qt::white));
    }

    // loadBitmap copies an exported bitmap; a clip shows it at its pixel size, and what
    // scripts then paint on it shows once they are done.
    void attachedBitmapShowsItsPixels() {
        ScriptStage s(exportedBitmap());
        Vm& vm = s.runtime->vm();
        const Value cls = vm.getMember(
            vm.getMember(vm.getMember(Value(vm.global), QStringLiteral("flash")), "display"),
            QStringLiteral("BitmapData"));
        const Value bitmap = call(vm, cls, "loadBitmap", {QStringLiteral("PIC")});
        QCOMPARE(s.describe(vm.getMember(bitmap, QStringLiteral("width"))), QString("number:4"));
        QCOMPARE(s.describe(call(vm, bitmap, "getPixel", {0.0, 0.0})),
                 QString("number:%1").arg(0xFF0000));
        QCOMPARE(s.describe(call(vm, cls, "loadBitmap", {QStringLiteral("none")})),
                 QString("undefined:undefined"));
        const Value root(vm.clipObject(*s.root));
        const Value holder = call(vm, root, "createEmptyMovieClip", {QStringLiteral("h"), 1.0});
        vm.setMember(holder, QStringLiteral("_x"), 10.0);
        call(vm, holder, "attachBitmap", {bitmap, 1.0});
        QImage img = draw(s);
        QVERIFY(near(img.pixel(10, 1), Qt::red, 0));
        QVERIFY(near(img.pixel(13, 0), Qt::red, 0));
        QVERIFY(near(img.pixel(14, 0), Qt::white, 0));
        QVERIFY(near(img.pixel(10, 2), Qt::white, 0));
        QCOMPARE(vm.toString(vm.getMember(holder, QStringLiteral("_width"))), QString("4"));
        call(vm, bitmap, "setPixel", {1.0, 0.0, double(0x0000FF)});
        s.runtime->runPending();
        img = draw(s);
        QVERIFY(near(img.pixel(11, 0), Qt::blue, 0));
        QVERIFY(near(img.pixel(12, 0), Qt::red, 0));
        call(vm, bitmap, "dispose", {});
        s.runtime->runPending();
        QVERIFY(near(draw(s).pixel(12, 0), Qt::white, 0));
    }

    // A script's field with a negative size reaches left and up from where it is placed.
    void negativeFieldSizeReachesBack() {
        ScriptStage s(exportedBitmap());
        Vm& vm = s.runtime->vm();
        const Value root(vm.clipObject(*s.root));
        const Value field =
            call(vm, root, "createTextField", {QStringLiteral("t"), 1.0, 50.0, 50.0, -50.0, -30.0});
        vm.setMember(field, QStringLiteral("background"), true);
        vm.setMember(field, QStringLiteral("backgroundColor"), 0.0);
        QCOMPARE(vm.toString(vm.getMember(field, QStringLiteral("_x"))), QString("50"));
        QCOMPARE(vm.toString(vm.getMember(field, QStringLiteral("_width"))), QString("50"));
        QCOMPARE(vm.toString(vm.getMember(field, QStringLiteral("_height"))), QString("30"));
        const QImage img = draw(s);
        QVERIFY(near(img.pixel(25, 35), Qt::black, 0));
        QVERIFY(near(img.pixel(25, 15), Qt::white, 0));
        QVERIFY(near(img.pixel(60, 60), Qt::white, 0));
    }

    // hscroll moves the text left by whole pixels inside the field's box.
    void hscrollMovesTheTextLeft() {
        TraceHost host;
        ScriptStage s(clipUnderField(), &host);
        Vm& vm = s.runtime->vm();
        const Value field = s.variable("txt");
        QImage img = draw(s);
        QVERIFY(near(img.pixel(4, 10), Qt::black));
        QVERIFY(near(img.pixel(7, 10), Qt::red));
        vm.setMember(field, QStringLiteral("hscroll"), 4.0);
        QCOMPARE(vm.toString(vm.getMember(field, QStringLiteral("hscroll"))), QString("4"));
        img = draw(s);
        QVERIFY(near(img.pixel(4, 10), Qt::red));
        QVERIFY(near(img.pixel(7, 10), Qt::black));
        QVERIFY(near(img.pixel(9, 10), Qt::red)); // the box still clips
    }

    // A script's field with embedFonts draws in the movie's font its format names.
    void scriptFieldUsesEmbeddedFontByName() {
        TraceHost host;
        ScriptStage s(clipUnderField(), &host);
        Vm& vm = s.runtime->vm();
        const Value root(vm.clipObject(*s.root));
        const Value field =
            call(vm, root, "createTextField", {QStringLiteral("f"), 5.0, 50.0, 50.0, 40.0, 40.0});
        vm.setMember(field, QStringLiteral("embedFonts"), true);
        const Value format = vm.construct(vm.getMember(Value(vm.global), "TextFormat"), {});
        vm.setMember(format, QStringLiteral("font"), QStringLiteral("Bars"));
        vm.setMember(format, QStringLiteral("size"), 20.0);
        call(vm, field, "setNewTextFormat", {format});
        vm.setMember(field, QStringLiteral("text"), QStringLiteral("II"));
        const double width = vm.toNumber(vm.getMember(field, QStringLiteral("textWidth")));
        QVERIFY2(width >= 15 && width <= 16, qPrintable(QString::number(width))); // 2 x 400/1024 em
        const QImage img = draw(s);
        QVERIFY(near(img.pixel(54, 53), Qt::black)); // the bar reaches the ascent
        QVERIFY(near(img.pixel(58, 60), Qt::red));   // the clip under the field, between bars
    }

    // A cached clip's picture lands on whole device pixels: no edge is half covered.
    void cacheAsBitmapSnapsToPixels() {
        Stage t({10.3, 0});
        t.set("cacheAsBitmap", true);
        QCOMPARE(t.s.describe(t.get("cacheAsBitmap")), QString("boolean:true"));
        const QImage img = draw(t.s, Quality::High);
        QVERIFY(near(img.pixel(9, 50), Qt::white, 0));
        QVERIFY(near(img.pixel(10, 50), Qt::red, 0));
        t.set("cacheAsBitmap", false);
        QCOMPARE(t.s.describe(t.get("cacheAsBitmap")), QString("boolean:false"));
    }
};

QTEST_MAIN(TestClipDisplay)
#include "test_clip_display.moc"
