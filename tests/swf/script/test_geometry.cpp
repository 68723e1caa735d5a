#include "swf/format/filters.h"
#include "swf/script/builtins/bitmap_data.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script_stage.h"
#include "swf/swf_fixtures.h"

#include "swf/shapes/shape_drawing.h"

#include <QPainter>
#include <QTest>
#include <QtEndian>

#include <cmath>
#include <limits>

using namespace reelcase::swf;
using namespace reelcase::swf::avm1;
using namespace reelcase::test;

namespace {

std::shared_ptr<const Movie> empty(int version = 8) {
    write::SwfWriter w({100, 100}, 12, version);
    w.showFrame();
    return load(w.finish());
}

// flash.<package>.<name>
Value classOf(Vm& vm, const char* package, const char* name) {
    return vm.getMember(vm.getMember(vm.getMember(Value(vm.global), "flash"), package),
                        QLatin1String(name));
}

Value make(Vm& vm, const char* package, const char* name, std::vector<Value> args = {}) {
    return vm.construct(classOf(vm, package, name), args);
}

Value call(Vm& vm, const Value& on, const char* name, std::vector<Value> args = {}) {
    return vm.callMethod(on, QLatin1String(name), args);
}

QString text(Vm& vm, const Value& v) {
    return vm.toString(v);
}

QString member(Vm& vm, const Value& on, const char* name) {
    return vm.toString(vm.getMember(on, QLatin1String(name)));
}

QString hex(Vm& vm, const Value& bitmap, int x, int y) {
    const double v = vm.toNumber(call(vm, bitmap, "getPixel32", {double(x), double(y)}));
    return QString::number(toUint32(v), 16);
}

// A movie whose sprite "s" is placed with a blur (3 x 4 pixels, two passes) and a glow.
std::shared_ptr<const Movie> placedWithFilters() {
    write::SwfWriter w({100, 100}, 12, 8);
    write::Timeline inner;
    inner.showFrame();
    const std::uint16_t sprite = w.defineSprite(inner);
    const auto fixed = [](double v) {
        QByteArray b(4, 0);
        qToLittleEndian<qint32>(static_cast<qint32>(v * 65536), b.data());
        return b;
    };
    QByteArray place;
    place += char(0x22); // has name, has character
    place += char(0x01); // has filters
    place += char(1) + QByteArray(1, 0);
    place += char(sprite & 0xFF) + QByteArray(1, char(sprite >> 8));
    place += QByteArray("s", 2);
    place += char(2);
    place += char(1) + fixed(3) + fixed(4) + char(2 << 3);                      // blur
    place += char(2) + QByteArray("\x00\xff\x00\xff", 4) + fixed(6) + fixed(6); // glow
    place += QByteArray("\x00\x02", 2);                                         // strength 2
    place += char(0x20 | 1);
    w.rawTag(70, place);
    w.showFrame();
    return load(w.finish());
}

} // namespace

class TestGeometry : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Points and rectangles keep what they are given and add with the Add2 rules, so
    // strings join and missing values print as such.
    void pointsAndRectangles() {
        ScriptStage stage(empty());
        Vm& vm = stage.runtime->vm();
        const Value p = make(vm, "geom", "Point", {QStringLiteral("x"), 2.0});
        QCOMPARE(text(vm, call(vm, p, "add", {make(vm, "geom", "Point", {1.0, 3.0})})),
                 QStringLiteral("(x=x1, y=5)"));
        QCOMPARE(text(vm, make(vm, "geom", "Point", {1.0})), QStringLiteral("(x=1, y=undefined)"));
        const Value pointClass = classOf(vm, "geom", "Point");
        QCOMPARE(text(vm, call(vm, pointClass, "distance",
                               {make(vm, "geom", "Point", {-100.0, 200.0}),
                                make(vm, "geom", "Point", {100.0, 200.0})})),
                 QStringLiteral("200"));
        // A plain object has no subtract of its own.
        Object* plain = vm.newObject();
        QCOMPARE(vm.typeOf(call(vm, pointClass, "distance", {plain, make(vm, "geom", "Point")})),
                 QStringLiteral("undefined"));

        const Value r = make(vm, "geom", "Rectangle", {1.0, 3.0, 5.0, 7.0});
        QCOMPARE(text(vm, r), QStringLiteral("(x=1, y=3, w=5, h=7)"));
        QCOMPARE(member(vm, r, "right"), QStringLiteral("6"));
        vm.setMember(r, "left", 0.0); // the right edge stays
        QCOMPARE(text(vm, r), QStringLiteral("(x=0, y=3, w=6, h=7)"));
        // contains: true, false, or undefined when a coordinate is no number.
        QCOMPARE(vm.typeOf(call(vm, r, "contains", {1.0})), QStringLiteral("undefined"));
        QCOMPARE(text(vm, call(vm, r, "contains", {5.9, 9.9})), QStringLiteral("true"));
        QCOMPARE(text(vm, call(vm, r, "contains", {6.0, 10.0})), QStringLiteral("false"));
        QCOMPARE(text(vm, call(vm, r, "intersection",
                               {make(vm, "geom", "Rectangle", {30.0, 50.0, 1.0, 1.0})})),
                 QStringLiteral("(x=0, y=0, w=0, h=0)"));
        QCOMPARE(text(vm, call(vm, r, "union", {})),
                 QStringLiteral("(x=NaN, y=NaN, w=NaN, h=NaN)"));
    }

    // Matrix arithmetic, and rotate/scale going through the object's own concat, so an
    // object that only looks like a matrix is left alone.
    void matrices() {
        ScriptStage stage(empty());
        Vm& vm = stage.runtime->vm();
        const Value m = make(vm, "geom", "Matrix", {2.0, 3.0, 5.0, 7.0, 9.0, 11.0});
        call(vm, m, "invert");
        QCOMPARE(text(vm, m), QStringLiteral("(a=-7, b=3, c=5, d=-2, tx=8, ty=-5)"));
        const Value box = make(vm, "geom", "Matrix");
        call(vm, box, "createGradientBox", {200.0, 300.0});
        QCOMPARE(text(vm, box),
                 QStringLiteral("(a=0.1220703125, b=0, c=0, d=0.18310546875, tx=100, ty=150)"));
        call(vm, box, "createBox", {2.0, 3.0});
        QCOMPARE(text(vm, box), QStringLiteral("(a=NaN, b=NaN, c=NaN, d=NaN, tx=0, ty=0)"));
        const Value t = make(vm, "geom", "Matrix", {2.0, 3.0, 5.0, 7.0, 11.0, 13.0});
        QCOMPARE(text(vm, call(vm, t, "transformPoint", {make(vm, "geom", "Point", {1.0, 1.0})})),
                 QStringLiteral("(x=18, y=23)"));

        Object* fake = vm.newObject();
        vm.setMember(Value(fake), "a", 1.0);
        const Value rotate =
            vm.getMember(vm.getMember(classOf(vm, "geom", "Matrix"), "prototype"), "rotate");
        vm.call(rotate, Value(fake), std::vector<Value>{1.0});
        QCOMPARE(member(vm, Value(fake), "a"), QStringLiteral("1"));
    }

    // ColorTransform: eight numbers behind accessors; concat applies the argument first.
    void colorTransforms() {
        ScriptStage stage(empty());
        Vm& vm = stage.runtime->vm();
        const Value c = make(vm, "geom", "ColorTransform");
        QCOMPARE(text(vm, c),
                 QStringLiteral("(redMultiplier=1, greenMultiplier=1, blueMultiplier=1, "
                                "alphaMultiplier=1, redOffset=0, greenOffset=0, "
                                "blueOffset=0, alphaOffset=0)"));
        const Value half =
            make(vm, "geom", "ColorTransform", {0.5, 0.5, 0.5, 0.5, 10.0, 20.0, 30.0, 40.0});
        const Value other =
            make(vm, "geom", "ColorTransform", {0.5, 0.5, 0.5, 0.5, 50.0, 60.0, 70.0, 80.0});
        call(vm, half, "concat", {other});
        QCOMPARE(member(vm, half, "redMultiplier"), QStringLiteral("0.25"));
        QCOMPARE(member(vm, half, "redOffset"), QStringLiteral("35"));
        vm.setMember(c, "rgb", double(0x123456));
        QCOMPARE(member(vm, c, "redOffset"), QStringLiteral("18"));
        QCOMPARE(member(vm, c, "redMultiplier"), QStringLiteral("0"));
        QCOMPARE(member(vm, c, "rgb"), QString::number(0x123456));
    }

    // Color keeps 8.8 fixed-point multipliers and 16-bit offsets, reads only the fields
    // the object holds itself, and gives its offsets back as one signed number.
    void colorFixedPoint() {
        ScriptStage stage(empty());
        Vm& vm = stage.runtime->vm();
        const Value root(vm.clipObject(*stage.root));
        const Value clip = call(vm, root, "createEmptyMovieClip", {QStringLiteral("mc"), 1.0});
        const Value color =
            vm.construct(vm.getMember(Value(vm.global), "Color"), std::vector<Value>{clip});
        Object* proto = vm.newObject();
        proto->put(QStringLiteral("ab"), 77.0);
        Object* t = vm.heap().make<Object>(proto);
        t->put(QStringLiteral("aa"), 0.8);     // 2/256 once stored
        t->put(QStringLiteral("ra"), 12800.0); // wraps to -32768/256
        t->put(QStringLiteral("rb"), -50.0);
        t->put(QStringLiteral("gb"), -32832.0);     // wraps to 32704
        t->put(QStringLiteral("ga"), std::nan("")); // 0
        call(vm, color, "setTransform", {Value(t)});
        const Value got = call(vm, color, "getTransform");
        QCOMPARE(member(vm, got, "aa"), QStringLiteral("0.78125"));
        QCOMPARE(member(vm, got, "ra"), QStringLiteral("-12800"));
        QCOMPARE(member(vm, got, "ga"), QStringLiteral("0"));
        QCOMPARE(member(vm, got, "gb"), QStringLiteral("32704"));
        QCOMPARE(member(vm, got, "ab"), QStringLiteral("0")); // inherited: not read
        call(vm, color, "setTransform", {Value(t)});
        t->put(QStringLiteral("gb"), -25.0);
        t->put(QStringLiteral("bb"), 25.0);
        call(vm, color, "setTransform", {Value(t)});
        QCOMPARE(text(vm, call(vm, color, "getRGB")), QStringLiteral("-6375"));
    }

    // Rectangle tests short-circuit as the player's script: the first comparison that is
    // not true is the answer, and later values are not even asked for.
    void rectangleComparisons() {
        ScriptStage stage(empty());
        Vm& vm = stage.runtime->vm();
        const Value r = make(vm, "geom", "Rectangle", {1.0, 3.0, 5.0, 7.0});
        QCOMPARE(text(vm, call(vm, r, "containsRectangle",
                               {make(vm, "geom", "Rectangle", {1.0, 3.0, 5.0, 7.0})})),
                 QStringLiteral("true"));
        QCOMPARE(vm.typeOf(call(vm, r, "containsRectangle",
                                {make(vm, "geom", "Rectangle", {5.0, 5.0, std::nan(""), 1.0})})),
                 QStringLiteral("undefined"));
        QCOMPARE(vm.typeOf(call(vm, r, "containsRectangle")), QStringLiteral("undefined"));
        // Strings compare as text and join on moved edges.
        const Value s =
            make(vm, "geom", "Rectangle", {QStringLiteral("x"), 5.0, QStringLiteral("w"), 1.0});
        vm.setMember(s, "left", 10.0);
        QCOMPARE(member(vm, s, "width"), QStringLiteral("wNaN"));
        QCOMPARE(member(vm, s, "right"), QStringLiteral("10wNaN"));
        call(vm, r, "inflate", {1.0});
        QCOMPARE(text(vm, r), QStringLiteral("(x=0, y=NaN, w=7, h=NaN)"));
        call(vm, r, "offset", {2.0});
        QCOMPARE(text(vm, r), QStringLiteral("(x=2, y=NaN, w=7, h=NaN)"));
        // The player's members show in for..in, the constructor does not.
        const Value proto = vm.getMember(classOf(vm, "geom", "Rectangle"), "prototype");
        QVERIFY(!(objectOf(proto)->find(QStringLiteral("union"))->flags & DontEnum));
        QVERIFY(objectOf(proto)->find(QStringLiteral("constructor"))->flags & DontEnum);
    }

    // The flash package is there for SWF 8 files only; undefined prints as the file's
    // version prints it.
    void packagesByVersion() {
        for (int version : {6, 7, 8}) {
            ScriptStage stage(empty(version));
            Vm& vm = stage.runtime->vm();
            QCOMPARE(vm.typeOf(vm.getMember(Value(vm.global), "flash")),
                     version >= 8 ? QStringLiteral("object") : QStringLiteral("undefined"));
        }
        ScriptStage stage(empty(8));
        Vm& vm = stage.runtime->vm();
        QCOMPARE(text(vm, make(vm, "geom", "Matrix", {8.0})),
                 QStringLiteral("(a=8, b=undefined, c=undefined, d=undefined, tx=undefined, "
                                "ty=undefined)"));
    }

    // Point's arithmetic on odd values, as the player's script computes it.
    void pointDetails() {
        ScriptStage stage(empty());
        Vm& vm = stage.runtime->vm();
        const Value pointClass = classOf(vm, "geom", "Point");
        QCOMPARE(text(vm, call(vm, pointClass, "interpolate",
                               {make(vm, "geom", "Point", {-100.0, -200.0}),
                                make(vm, "geom", "Point", {100.0, 200.0}), 0.5})),
                 QStringLiteral("(x=0, y=0)"));
        // The second point's strings join with the difference.
        QCOMPARE(text(vm, call(vm, pointClass, "interpolate",
                               {make(vm, "geom", "Point", {7.0, 0.0}),
                                make(vm, "geom", "Point", {QStringLiteral("10"), 0.0}), 10.0})),
                 QStringLiteral("(x=10-30, y=0)"));
        QCOMPARE(text(vm, call(vm, pointClass, "polar", {5.0})), QStringLiteral("(x=NaN, y=NaN)"));
        const Value p = make(vm, "geom", "Point", {100.0, 200.0});
        call(vm, p, "normalize", {-5.0});
        QCOMPARE(text(vm, p), QStringLiteral("(x=-2.23606797749979, y=-4.47213595499958)"));
        const Value q = make(vm, "geom", "Point", {100.0, Null{}});
        call(vm, q, "normalize", {1.0}); // no length: left alone
        QCOMPARE(text(vm, q), QStringLiteral("(x=100, y=null)"));
        QCOMPARE(member(vm,
                        make(vm, "geom", "Point",
                             {std::numeric_limits<double>::infinity(), std::nan("")}),
                        "length"),
                 QStringLiteral("NaN"));
        QVERIFY(!vm.toBoolean(call(vm, p, "equals", {Value(vm.newObject())})));
    }

    // A ColorTransform given fewer than eight numbers is the identity; a clip read through
    // a Transform after it left the stage gives undefined.
    void transformEdges() {
        ScriptStage stage(empty());
        Vm& vm = stage.runtime->vm();
        QCOMPARE(member(vm, make(vm, "geom", "ColorTransform", {5.0, 5.0, 5.0}), "redMultiplier"),
                 QStringLiteral("1"));
        const Value root(vm.clipObject(*stage.root));
        const Value clip = call(vm, root, "createEmptyMovieClip", {QStringLiteral("a"), 1.0});
        vm.setMember(clip, "_x", 30.0);
        const Value transform = make(vm, "geom", "Transform", {clip});
        QCOMPARE(member(vm, vm.getMember(transform, "concatenatedMatrix"), "tx"),
                 QStringLiteral("30"));
        call(vm, clip, "removeMovieClip");
        QCOMPARE(vm.typeOf(vm.getMember(transform, "matrix")), QStringLiteral("undefined"));
    }

    // A clip's transform reads and writes its placement.
    void clipTransform() {
        ScriptStage stage(empty());
        Vm& vm = stage.runtime->vm();
        const Value root(vm.clipObject(*stage.root));
        const Value clip = call(vm, root, "createEmptyMovieClip", {QStringLiteral("a"), 1.0});
        const Value transform = vm.getMember(clip, "transform");
        vm.setMember(transform, "matrix",
                     make(vm, "geom", "Matrix", {2.0, 0.0, 0.0, 2.0, 10.0, 20.0}));
        QCOMPARE(member(vm, clip, "_x"), QStringLiteral("10"));
        QCOMPARE(member(vm, clip, "_xscale"), QStringLiteral("200"));
        vm.setMember(transform, "colorTransform",
                     make(vm, "geom", "ColorTransform", {1.0, 1.0, 1.0, 0.5, 0.0, 0.0, 0.0, 0.0}));
        QCOMPARE(member(vm, vm.getMember(transform, "colorTransform"), "alphaMultiplier"),
                 QStringLiteral("0.5"));
    }

    // Filters: defaults, clamped properties, independent clones, and a clip's filters
    // feeding the drawn list while reading back the script's own values.
    void filters() {
        ScriptStage stage(empty());
        Vm& vm = stage.runtime->vm();
        const Value glow = make(vm, "filters", "GlowFilter");
        QCOMPARE(member(vm, glow, "color"), QString::number(0xFF0000));
        QCOMPARE(member(vm, glow, "strength"), QStringLiteral("2"));
        vm.setMember(glow, "blurX", 1000.0);
        vm.setMember(glow, "quality", 99.0);
        vm.setMember(glow, "alpha", -1.0);
        QCOMPARE(member(vm, glow, "blurX"), QStringLiteral("255"));
        QCOMPARE(member(vm, glow, "quality"), QStringLiteral("15"));
        QCOMPARE(member(vm, glow, "alpha"), QStringLiteral("0"));
        const Value copy = call(vm, glow, "clone");
        vm.setMember(copy, "blurX", 3.0);
        QCOMPARE(member(vm, glow, "blurX"), QStringLiteral("255"));
        const Value matrix = make(vm, "filters", "ColorMatrixFilter");
        QCOMPARE(member(vm, matrix, "matrix"),
                 QStringLiteral("1,0,0,0,0,0,1,0,0,0,0,0,1,0,0,0,0,0,1,0"));

        const Value root(vm.clipObject(*stage.root));
        const Value clip = call(vm, root, "createEmptyMovieClip", {QStringLiteral("a"), 1.0});
        const Value shadow = make(vm, "filters", "DropShadowFilter", {5.0, 30.0});
        vm.setMember(clip, "filters", Value(vm.newArray({shadow, QStringLiteral("not a filter")})));
        const std::shared_ptr<TimelineInstance> a = vm.clipOf(clip);
        QVERIFY(a && a->placement() && a->placement()->filters);
        QCOMPARE(a->placement()->filters->size(), std::size_t(1));
        QCOMPARE(a->placement()->filters->front().kind, Filter::DropShadow);
        QCOMPARE(a->placement()->filters->front().distance, 5.0);
        const Value back = vm.getMember(vm.getMember(clip, "filters"), "0");
        QCOMPARE(member(vm, back, "angle"), QStringLiteral("30"));
        QVERIFY(!vm.strictEquals(back, shadow));
    }

    // Filters placed by the timeline read back as script objects with the file's values.
    void placedFiltersReadBack() {
        ScriptStage stage(placedWithFilters());
        Vm& vm = stage.runtime->vm();
        const Value list = vm.getMember(stage.variable(QStringLiteral("s")), "filters");
        QCOMPARE(member(vm, list, "length"), QStringLiteral("2"));
        const Value blur = vm.getMember(list, "0");
        QVERIFY(vm.instanceOf(blur, objectOf(classOf(vm, "filters", "BlurFilter"))));
        QCOMPARE(member(vm, blur, "blurY"), QStringLiteral("4"));
        QCOMPARE(member(vm, blur, "quality"), QStringLiteral("2"));
        const Value glow = vm.getMember(list, "1");
        QCOMPARE(member(vm, glow, "color"), QString::number(0x00FF00));
        QCOMPARE(member(vm, glow, "strength"), QStringLiteral("2"));
        QCOMPARE(member(vm, glow, "inner"), QStringLiteral("false"));
    }

    // beginBitmapFill fills with the bitmap's pixels through the matrix (pixels); a disposed
    // bitmap fills nothing.
    void bitmapFillsADrawing() {
        ScriptStage stage(empty());
        Vm& vm = stage.runtime->vm();
        const Value b = make(vm, "display", "BitmapData", {2.0, 2.0, false, double(0xFFFF0000)});
        call(vm, b, "setPixel", {1.0, 0.0, double(0x00FF00)});
        const Value clip = Value(vm.clipObject(*stage.root));
        const Value matrix = make(vm, "geom", "Matrix", {10.0, 0.0, 0.0, 10.0, 0.0, 0.0});
        call(vm, clip, "beginBitmapFill", {b, matrix, false});
        call(vm, clip, "moveTo", {0.0, 0.0});
        call(vm, clip, "lineTo", {40.0, 0.0});
        call(vm, clip, "lineTo", {40.0, 40.0});
        call(vm, clip, "lineTo", {0.0, 40.0});
        call(vm, clip, "endFill");
        auto shape = stage.root->drawing().character();
        QVERIFY(shape);
        QImage img(50, 50, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::white);
        {
            QPainter painter(&img);
            const reelcase::swf::RenderContext context;
            shape->draw(reelcase::swf::DrawArgs{painter, QTransform::fromScale(0.05, 0.05),
                                                reelcase::swf::ColorTransform{}, 0, context});
        }
        QCOMPARE(img.pixel(5, 5), qRgb(255, 0, 0));
        QCOMPARE(img.pixel(15, 5), qRgb(0, 255, 0));
        QCOMPARE(img.pixel(35, 5), qRgb(0, 255, 0)); // clipped: the edge pixel stretches
        call(vm, clip, "clear");
        call(vm, b, "dispose");
        call(vm, clip, "beginBitmapFill", {b});
        call(vm, clip, "lineTo", {40.0, 40.0});
        call(vm, clip, "lineTo", {0.0, 40.0});
        shape = stage.root->drawing().character();
        QVERIFY(!shape || shape->bounds().isEmpty());
    }

    // Pixels are kept premultiplied and rounded as the player's, so colours read back as
    // its do; opaque bitmaps force alpha; methods of a disposed bitmap give -1.
    void bitmapPixels() {
        ScriptStage stage(empty());
        Vm& vm = stage.runtime->vm();
        const Value b = make(vm, "display", "BitmapData", {3.0, 3.0, true, double(0xAABBCCDD)});
        QCOMPARE(hex(vm, b, 0, 0), QStringLiteral("aabbccdc"));
        QCOMPARE(text(vm, call(vm, b, "getPixel32", {10.0, 0.0})), QStringLiteral("0"));
        call(vm, b, "setPixel", {1.0, 2.0, double(0x345678)});
        QCOMPARE(hex(vm, b, 1, 2), QStringLiteral("aa345578"));
        call(vm, b, "fillRect",
             {make(vm, "geom", "Rectangle", {-5.0, -5.0, 6.0, 6.0}), double(0xFF00FF00)});
        QCOMPARE(hex(vm, b, 0, 0), QStringLiteral("ff00ff00"));
        QCOMPARE(hex(vm, b, 1, 1), QStringLiteral("aabbccdc"));

        const Value opaque = make(vm, "display", "BitmapData", {2.0, 2.0, false, 0.0});
        QCOMPARE(hex(vm, opaque, 1, 1), QStringLiteral("ff000000"));
        // Copying onto an opaque bitmap blends over it.
        const Value src = make(vm, "display", "BitmapData", {3.0, 3.0, true, double(0x12345678)});
        call(vm, opaque, "copyPixels",
             {src, make(vm, "geom", "Rectangle", {0.0, 0.0, 2.0, 2.0}),
              make(vm, "geom", "Point", {0.0, 0.0})});
        QCOMPARE(hex(vm, opaque, 0, 0), QStringLiteral("ff040608"));
        QCOMPARE(text(vm, call(vm, opaque, "copyPixels", {QStringLiteral("x"), 0.0, 0.0})),
                 QStringLiteral("-2"));

        call(vm, b, "dispose");
        QCOMPARE(member(vm, b, "width"), QStringLiteral("-1"));
        QCOMPARE(text(vm, call(vm, b, "getPixel", {0.0, 0.0})), QStringLiteral("-1"));
    }

    // Merge mixes straight colours by shares clamped to 0..256; copyChannel moves one
    // channel; a colour transform floors each channel.
    void bitmapMixing() {
        ScriptStage stage(empty());
        Vm& vm = stage.runtime->vm();
        const Value area = make(vm, "geom", "Rectangle", {0.0, 0.0, 2.0, 2.0});
        const Value origin = make(vm, "geom", "Point", {0.0, 0.0});
        const Value dst = make(vm, "display", "BitmapData", {2.0, 2.0, false, double(0xFF000000)});
        const Value src = make(vm, "display", "BitmapData", {2.0, 2.0, false, double(0xFFFFFFFF)});
        call(vm, dst, "merge", {src, area, origin, 128.0, -5.0, 1000.0, 256.0});
        QCOMPARE(hex(vm, dst, 0, 0), QStringLiteral("ff7f00ff"));
        call(vm, dst, "fillRect", {area, 0.0});
        call(vm, src, "setPixel32", {1.0, 1.0, double(0xFF123456)});
        call(vm, dst, "copyChannel", {src, area, origin, 4.0, 1.0}); // blue into red
        QCOMPARE(hex(vm, dst, 1, 1), QStringLiteral("ff560000"));
        const Value t = make(vm, "display", "BitmapData", {1.0, 1.0, true, double(0xFFFFFFFF)});
        call(vm, t, "colorTransform",
             {make(vm, "geom", "Rectangle", {0.0, 0.0, 1.0, 1.0}),
              make(vm, "geom", "ColorTransform", {0.5, 0.5, 0.5, 0.5, 0.0, 0.0, 0.0, 0.0})});
        QCOMPARE(hex(vm, t, 0, 0), QStringLiteral("7f7e7e7e"));
        // Raising alpha alone is taken for a fade and does nothing; with any other change
        // it applies.
        const Value one = make(vm, "geom", "Rectangle", {0.0, 0.0, 1.0, 1.0});
        call(vm, t, "colorTransform",
             {one, make(vm, "geom", "ColorTransform", {1.0, 1.0, 1.0, 2.0, 0.0, 0.0, 0.0, 0.0})});
        QCOMPARE(hex(vm, t, 0, 0), QStringLiteral("7f7e7e7e"));
        call(vm, t, "colorTransform",
             {one, make(vm, "geom", "ColorTransform", {1.0, 1.0, 1.0, 2.0, 0.0, 0.0, 1.0, 0.0})});
        QCOMPARE(hex(vm, t, 0, 0), QStringLiteral("fe7e7e7f"));
        QCOMPARE(text(vm, call(vm, t, "colorTransform", {area, Value(vm.newObject())})),
                 QStringLiteral("-2"));
        call(vm, t, "scroll", {1.0, 0.0}); // what is uncovered keeps its pixels
        QCOMPARE(hex(vm, t, 0, 0), QStringLiteral("fe7e7e7f"));
    }

    // draw: a bitmap source under a matrix, limited to the clip rectangle; the colour
    // transform applies to what is drawn.
    void bitmapDraw() {
        ScriptStage stage(empty());
        Vm& vm = stage.runtime->vm();
        const Value dest =
            make(vm, "display", "BitmapData", {50.0, 50.0, false, double(0xFF0000FF)});
        const Value src =
            make(vm, "display", "BitmapData", {50.0, 50.0, false, double(0xFFFF0000)});
        const Value shift = make(vm, "geom", "Matrix", {1.0, 0.0, 0.0, 1.0, 5.0, 5.0});
        call(vm, dest, "draw",
             {src, shift, Null{}, Null{}, make(vm, "geom", "Rectangle", {10.0, 10.0, 20.0, 20.0})});
        QCOMPARE(hex(vm, dest, 10, 10), QStringLiteral("ffff0000"));
        QCOMPARE(hex(vm, dest, 29, 29), QStringLiteral("ffff0000"));
        QCOMPARE(hex(vm, dest, 9, 9), QStringLiteral("ff0000ff"));
        QCOMPARE(hex(vm, dest, 30, 30), QStringLiteral("ff0000ff"));
        const Value green =
            make(vm, "geom", "ColorTransform", {0.0, 1.0, 1.0, 1.0, 0.0, 255.0, 0.0, 0.0});
        call(vm, dest, "draw", {src, make(vm, "geom", "Matrix"), green});
        QCOMPARE(hex(vm, dest, 0, 0), QStringLiteral("ff00ff00"));
        // Bounds of a colour, or of everything else.
        call(vm, dest, "fillRect",
             {make(vm, "geom", "Rectangle", {2.0, 3.0, 4.0, 5.0}), double(0xFF000000)});
        QCOMPARE(text(vm, call(vm, dest, "getColorBoundsRect",
                               {double(0xFFFFFFFF), double(0xFF000000)})),
                 QStringLiteral("(x=2, y=3, w=4, h=5)"));
        QCOMPARE(text(vm, call(vm, dest, "getColorBoundsRect",
                               {double(0xFFFFFFFF), double(0xFF00FF00), false})),
                 QStringLiteral("(x=2, y=3, w=4, h=5)"));
    }

    // Noise draws from the player's generator: the same seed gives the same pixels.
    void bitmapNoiseAndFill() {
        ScriptStage stage(empty());
        Vm& vm = stage.runtime->vm();
        const Value b = make(vm, "display", "BitmapData", {2.0, 2.0, false});
        call(vm, b, "noise", {1.0});
        QCOMPARE(hex(vm, b, 0, 0), QStringLiteral("ffa7f1d9"));
        call(vm, b, "noise", {1.0, 10.0, 2.0});
        QCOMPARE(hex(vm, b, 1, 1), QStringLiteral("ff0a0a0a"));

        // A flood fill over the largest bitmap stays bounded: each pixel once.
        const Value big = make(vm, "display", "BitmapData", {2880.0, 2880.0, false, 0.0});
        call(vm, big, "floodFill", {0.0, 0.0, double(0xFF0000FF)});
        QCOMPARE(hex(vm, big, 2879, 2879), QStringLiteral("ff0000ff"));
    }

    // Sizes past the player's limits, or no numbers, make no bitmap; the memory budget
    // caps how many the largest a script can hold.
    void bitmapLimits() {
        ScriptStage stage(empty());
        Vm& vm = stage.runtime->vm();
        for (const std::vector<Value>& args : std::vector<std::vector<Value>>{
                 {}, {5.0}, {0.0, 5.0}, {2881.0, 5.0}, {5.0, std::nan("")}, {Null{}, 5.0}})
            QCOMPARE(vm.typeOf(make(vm, "display", "BitmapData", args)),
                     QStringLiteral("undefined"));
        std::vector<Value> kept;
        int made = 0;
        for (int i = 0; i < 20; ++i) {
            const Value b = make(vm, "display", "BitmapData", {2880.0, 2880.0});
            if (!objectOf(b))
                break;
            kept.push_back(b);
            vm.global->put(QStringLiteral("keep%1").arg(i), b);
            ++made;
        }
        QVERIFY(made > 0 && made < 20);
        QVERIFY(vm.heap().bytes() <= vm.budgets().memoryBytes);
    }
};

QTEST_GUILESS_MAIN(TestGeometry)
#include "test_geometry.moc"
