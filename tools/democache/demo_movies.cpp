// The demo cache's sample animations, one function per movie. Motion is written frame by
// frame (a PlaceObject move per object per frame), the way authoring tools export tweens.
#include "demo_movies.h"

#include "demo_media_movies.h"

#include "swfwriter/writer.h"

#include <QTransform>

#include <cmath>

namespace reelcase::democache {

namespace {

using namespace reelcase::swf;
using namespace reelcase::swf::write;

constexpr double kTau = 6.283185307179586;

// Where an object stands: its origin at (x, y), turned by degrees, scaled evenly.
QTransform placeAt(double x, double y, double degrees = 0, double scale = 1) {
    return QTransform().translate(x, y).rotate(degrees).scale(scale, scale);
}

ColorTransform tint(double brightness, double alpha = 1) {
    ColorTransform c;
    c.rMult = c.gMult = c.bMult = brightness;
    c.aMult = alpha;
    return c;
}

// A regular star with points tips; inner = outer gives a regular polygon.
QPolygonF star(int points, double outer, double inner, double turnDegrees = -90) {
    QPolygonF polygon;
    for (int i = 0; i < points * 2; ++i) {
        const double a = (turnDegrees / 360 + double(i) / (points * 2)) * kTau;
        const double r = i % 2 ? inner : outer;
        polygon << QPointF(r * std::cos(a), r * std::sin(a));
    }
    return polygon;
}

std::uint16_t backgroundRect(SwfWriter& movie, const QSizeF& stage, std::vector<GradientStop> stops,
                             bool radial) {
    ShapeBuilder shape;
    const QRectF box(QPointF(0, 0), stage);
    const int fill =
        shape.addFill(radial ? radialGradient(box.adjusted(-100, -150, 100, 150), stops)
                             : linearGradient(box, stops));
    shape.rect(box, fill);
    return movie.defineShape(shape);
}

// Planets of many colours circle a glowing sun on tilted orbits, nearer ones larger and
// brighter.
QByteArray orbitsMovie() {
    const QSizeF stage(550, 400);
    SwfWriter movie(stage, 24);
    movie.background(QColor(8, 10, 30));
    const auto sky = backgroundRect(
        movie, stage, {{0, QColor(40, 20, 90)}, {0.6, QColor(10, 12, 40)}, {1, QColor(2, 2, 12)}},
        true);
    movie.place({.depth = 1, .character = sky});

    ShapeBuilder sunShape;
    const int glow = sunShape.addFill(
        radialGradient(QRectF(-90, -90, 180, 180), {{0, QColor(255, 255, 230)},
                                                    {0.25, QColor(255, 220, 90)},
                                                    {0.5, QColor(255, 120, 20, 160)},
                                                    {1, QColor(255, 60, 0, 0)}}));
    sunShape.ellipse(QRectF(-90, -90, 180, 180), glow);
    const auto sun = movie.defineShape(sunShape);

    ShapeBuilder ringShape;
    const int ringLine = ringShape.addLine(line(1, QColor(150, 170, 255, 70)));
    for (int r = 1; r <= 4; ++r)
        ringShape.ellipse(QRectF(-60.0 * r, -18.0 * r, 120.0 * r, 36.0 * r), 0, ringLine);
    const auto rings = movie.defineShape(ringShape);
    movie.place({.depth = 2, .character = rings, .matrix = placeAt(275, 200)});

    struct Planet {
        QColor light, dark;
        double orbit, speed, size, phase;
    };
    const Planet planets[] = {
        {QColor(255, 200, 150), QColor(140, 60, 20), 60, 6, 12, 0.0},
        {QColor(150, 230, 255), QColor(20, 80, 160), 120, 4, 19, 1.3},
        {QColor(180, 255, 160), QColor(30, 120, 40), 120, 4, 11, 4.4},
        {QColor(255, 150, 200), QColor(150, 20, 90), 180, 2, 25, 2.2},
        {QColor(255, 240, 140), QColor(160, 110, 0), 180, 2, 15, 5.0},
        {QColor(200, 170, 255), QColor(70, 30, 160), 240, 1, 30, 0.7},
        {QColor(140, 255, 230), QColor(0, 110, 110), 240, 1, 17, 3.6},
    };
    std::vector<std::uint16_t> planetIds;
    for (const Planet& p : planets) {
        ShapeBuilder shape;
        const int fill = shape.addFill(
            radialGradient(QRectF(-p.size, -p.size, 2 * p.size, 2 * p.size),
                           {{0, p.light}, {0.7, p.dark}, {1, p.dark.darker(200)}}, -0.5));
        shape.ellipse(QRectF(-p.size, -p.size, 2 * p.size, 2 * p.size), fill);
        planetIds.push_back(movie.defineShape(shape));
    }

    constexpr int kFrames = 480;
    const int planetCount = int(std::size(planets));
    for (int frame = 0; frame < kFrames; ++frame) {
        const double t = double(frame) / kFrames;
        // Planets behind the sun use depths below it, those in front depths above it.
        for (int i = 0; i < planetCount; ++i) {
            const Planet& p = planets[i];
            const double a = (t * p.speed + p.phase / kTau) * kTau;
            const double nearness = (std::sin(a) + 1) / 2; // 0 far (top), 1 near (bottom)
            const double scale = 0.6 + 0.6 * nearness;
            const int depth = (nearness < 0.5 ? 10 : 30) + i;
            const int otherDepth = (nearness < 0.5 ? 30 : 10) + i;
            const Place where{.depth = depth,
                              .move = frame > 0,
                              .matrix = placeAt(275 + p.orbit * std::cos(a),
                                                200 + p.orbit * 0.3 * std::sin(a), 0, scale),
                              .cxform = tint(0.55 + 0.45 * nearness)};
            if (frame == 0) {
                Place first = where;
                first.character = planetIds[i];
                movie.place(first);
                continue;
            }
            // Crossing in front of or behind the sun moves the planet to the other depth.
            const double before = (std::sin(a - p.speed * kTau / kFrames) + 1) / 2;
            if ((before < 0.5) != (nearness < 0.5)) {
                movie.remove(otherDepth);
                Place moved = where;
                moved.move = false;
                moved.character = planetIds[i];
                movie.place(moved);
            } else {
                movie.place(where);
            }
        }
        const double pulse = 1 + 0.08 * std::sin(t * kTau * 12);
        movie.place({.depth = 20,
                     .character = frame == 0 ? std::optional<std::uint16_t>(sun) : std::nullopt,
                     .move = frame > 0,
                     .matrix = placeAt(275, 200, t * 360, pulse),
                     .blendMode = BlendMode::Screen});
        movie.showFrame();
    }
    return movie.finish();
}

// A ring of stars that swell into flowers and back, each a beat after its neighbour,
// around a large morphing centrepiece.
QByteArray morphMovie() {
    const QSizeF stage(550, 400);
    SwfWriter movie(stage, 24);
    movie.background(QColor(255, 250, 240));
    const auto wash = backgroundRect(
        movie, stage, {{0, QColor(255, 245, 225)}, {1, QColor(250, 200, 170)}}, true);
    movie.place({.depth = 1, .character = wash});

    ShapeBuilder starShape, flowerShape;
    const int starFill = starShape.addFill(linearGradient(
        QRectF(-40, -40, 80, 80), {{0, QColor(255, 90, 60)}, {1, QColor(255, 200, 0)}}));
    const int starLine = starShape.addLine(line(2, QColor(140, 30, 0)));
    starShape.polygon(star(6, 40, 14), starFill, starLine);
    const int flowerFill = flowerShape.addFill(linearGradient(
        QRectF(-40, -40, 80, 80), {{0, QColor(120, 60, 220)}, {1, QColor(40, 200, 255)}}));
    const int flowerLine = flowerShape.addLine(line(2, QColor(20, 20, 110)));
    flowerShape.polygon(star(6, 30, 36, -60), flowerFill, flowerLine);
    const auto blossom = movie.defineMorphShape(starShape, flowerShape);

    ShapeBuilder squareShape, circleShape;
    const int squareFill = squareShape.addFill(radialGradient(
        QRectF(-80, -80, 160, 160), {{0, QColor(255, 255, 255)}, {1, QColor(0, 150, 120)}}));
    squareShape.polygon(star(8, 80, 80 * std::cos(kTau / 16)), squareFill);
    const int circleFill = circleShape.addFill(radialGradient(
        QRectF(-80, -80, 160, 160), {{0, QColor(255, 255, 200)}, {1, QColor(230, 40, 110)}}));
    circleShape.polygon(star(8, 60, 90, -67.5), circleFill);
    const auto centre = movie.defineMorphShape(squareShape, circleShape);

    constexpr int kFrames = 288;
    constexpr int kRing = 14;
    for (int frame = 0; frame < kFrames; ++frame) {
        const double t = double(frame) / kFrames;
        for (int i = 0; i < kRing; ++i) {
            const double a = (double(i) / kRing + t / 4) * kTau;
            const double phase = (std::sin((t * 4 - double(i) / kRing) * kTau) + 1) / 2;
            Place p{.depth = 10 + i,
                    .move = frame > 0,
                    .matrix = placeAt(275 + 195 * std::cos(a), 200 + 150 * std::sin(a),
                                      t * 720 + i * 25, 0.6 + 0.3 * phase),
                    .ratio = std::uint16_t(std::lround(phase * 65535))};
            if (frame == 0)
                p.character = blossom;
            movie.place(p);
        }
        const double breathe = (std::sin(t * kTau * 2) + 1) / 2;
        Place middle{.depth = 5,
                     .move = frame > 0,
                     .matrix = placeAt(275, 200, -t * 180, 1 + 0.25 * breathe),
                     .ratio = std::uint16_t(std::lround(breathe * 65535))};
        if (frame == 0)
            middle.character = centre;
        movie.place(middle);
        movie.showFrame();
    }
    return movie.finish();
}

// Pinwheel sprites, each spinning on its own timeline, drift along looping curves in
// several tints.
QByteArray spritesMovie() {
    const QSizeF stage(550, 400);
    SwfWriter movie(stage, 30);
    movie.background(QColor(20, 60, 50));
    const auto field = backgroundRect(
        movie, stage,
        {{0, QColor(20, 110, 90)}, {0.5, QColor(10, 60, 70)}, {1, QColor(30, 30, 60)}}, false);
    movie.place({.depth = 1, .character = field});

    ShapeBuilder petalShape;
    const int petalFill = petalShape.addFill(linearGradient(
        QRectF(0, -12, 48, 24), {{0, QColor(255, 255, 255)}, {1, QColor(255, 120, 40)}}));
    const int petalLine = petalShape.addLine(line(1, QColor(120, 40, 0)));
    Path petal;
    petal.fill1 = petalFill;
    petal.line = petalLine;
    petal.moveTo({0, 0}).curveTo({20, -22}, {48, 0}).curveTo({20, 8}, {0, 0});
    petalShape.path(petal);
    const auto petalId = movie.defineShape(petalShape);

    ShapeBuilder hubShape;
    const int hubFill = hubShape.addFill(radialGradient(
        QRectF(-8, -8, 16, 16), {{0, QColor(255, 255, 180)}, {1, QColor(200, 140, 0)}}));
    hubShape.ellipse(QRectF(-8, -8, 16, 16), hubFill);
    const auto hubId = movie.defineShape(hubShape);

    // The pinwheel: five petals turning once every 30 frames.
    Timeline pinwheel;
    constexpr int kSpin = 30;
    for (int frame = 0; frame < kSpin; ++frame) {
        for (int k = 0; k < 5; ++k) {
            Place p{.depth = 1 + k,
                    .move = frame > 0,
                    .matrix = placeAt(0, 0, 360.0 * frame / kSpin + k * 72)};
            if (frame == 0)
                p.character = petalId;
            pinwheel.place(p);
        }
        if (frame == 0)
            pinwheel.place({.depth = 10, .character = hubId});
        pinwheel.showFrame();
    }
    const auto pinwheelId = movie.defineSprite(pinwheel);

    constexpr int kFrames = 300;
    constexpr int kCount = 16;
    for (int frame = 0; frame < kFrames; ++frame) {
        const double t = double(frame) / kFrames;
        for (int i = 0; i < kCount; ++i) {
            const double a = t * kTau + i * kTau / kCount;
            const double x = 275 + 220 * std::sin(a * 2 + i);
            const double y = 200 + 150 * std::sin(a * 3);
            ColorTransform hue;
            hue.rMult = 0.5 + 0.5 * std::sin(i * 1.7);
            hue.gMult = 0.5 + 0.5 * std::sin(i * 2.3 + 2);
            hue.bMult = 0.5 + 0.5 * std::sin(i * 0.9 + 4);
            hue.rAdd = hue.gAdd = hue.bAdd = 40;
            Place p{.depth = 10 + i,
                    .move = frame > 0,
                    .matrix = placeAt(x, y, 0, 0.5 + 0.35 * (std::cos(a * 3) + 1) / 2),
                    .cxform = hue};
            if (frame == 0)
                p.character = pinwheelId;
            movie.place(p);
        }
        movie.showFrame();
    }
    return movie.finish();
}

// A spectrum of gradient bars bouncing to a travelling wave, mirrored in a dim
// reflection, with a sweep of light gliding across.
QByteArray equalizerMovie() {
    const QSizeF stage(550, 400);
    SwfWriter movie(stage, 25);
    movie.background(QColor(0, 0, 0));
    const auto night = backgroundRect(
        movie, stage, {{0, QColor(10, 10, 25)}, {0.5, QColor(35, 10, 50)}, {1, QColor(10, 10, 25)}},
        false);
    movie.place({.depth = 1, .character = night});

    constexpr int kBars = 24;
    std::vector<std::uint16_t> bars;
    for (int i = 0; i < kBars; ++i) {
        // A bar lying along the x axis from its origin, 100 pixels long, dark at the base
        // and bright at the tip; it is placed turned upright.
        ShapeBuilder bar;
        const QColor tip = QColor::fromHsvF(double(i) / kBars, 0.8, 1.0);
        const QColor base = QColor::fromHsvF(double(i) / kBars, 1.0, 0.45);
        const QRectF box(0, -9, 100, 18);
        bar.rect(box, bar.addFill(linearGradient(box, {{0, base}, {1, tip}})));
        bars.push_back(movie.defineShape(bar));
    }

    ShapeBuilder sweepShape;
    const int sweepFill = sweepShape.addFill(
        linearGradient(QRectF(-60, -200, 120, 400), {{0, QColor(255, 255, 255, 0)},
                                                     {0.5, QColor(255, 255, 255, 90)},
                                                     {1, QColor(255, 255, 255, 0)}}));
    sweepShape.rect(QRectF(-60, -200, 120, 400), sweepFill);
    const auto sweep = movie.defineShape(sweepShape);

    constexpr int kFrames = 320;
    constexpr double kBase = 260;
    for (int frame = 0; frame < kFrames; ++frame) {
        const double t = double(frame) / kFrames;
        for (int i = 0; i < kBars; ++i) {
            const double x = 37 + i * 20.0 + 9;
            const double level =
                0.15 + 0.85 * std::abs(std::sin(t * kTau * 3 + i * 0.45) *
                                       (0.6 + 0.4 * std::sin(t * kTau * 2 - i * 0.2)));
            Place barPlace{.depth = 10 + i,
                           .move = frame > 0,
                           .matrix =
                               QTransform().translate(x, kBase).rotate(-90).scale(level * 1.8, 1)};
            Place mirror{.depth = 50 + i,
                         .move = frame > 0,
                         .matrix =
                             QTransform().translate(x, kBase + 2).rotate(90).scale(level * 0.9, 1),
                         .cxform = tint(0.7, 0.35)};
            if (frame == 0) {
                barPlace.character = bars[i];
                mirror.character = bars[i];
            }
            movie.place(barPlace);
            movie.place(mirror);
        }
        Place light{.depth = 100,
                    .move = frame > 0,
                    .matrix = placeAt(-80 + 710 * t, 200, 15),
                    .blendMode = BlendMode::Add};
        if (frame == 0)
            light.character = sweep;
        movie.place(light);
        movie.showFrame();
    }
    return movie.finish(Compression::Zlib); // a compressed file, as most sites serve
}

} // namespace

const std::vector<DemoMovie>& demoMovies() {
    static const std::vector<DemoMovie> movies{
        {"orbits[1].swf", orbitsMovie},       {"blossoms[1].swf", morphMovie},
        {"pinwheels[1].SWF", spritesMovie},   {"spectrum[1].swf", equalizerMovie},
        {"landscape[1].swf", landscapeMovie}, {"poem[2].swf", poemMovie},
    };
    return movies;
}

} // namespace reelcase::democache
