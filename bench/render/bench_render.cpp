// Milliseconds per rendered frame at 733 x 501 (and some full screen at 1920 x 1080)
// against each movie's frame budget (1000 / frame rate), for generated movies and any .swf
// files given on the command line. Also prints, measured in the same run, what each
// speed-up saves (time without it over time with everything) and what the shared-edge
// seam remedy costs (time with it over time without).
// Usage: bench_render [--only=NAME] [FILE.swf ...]
#include "media_movies.h"
#include "swf/player/player.h"
#include "swfwriter/writer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdio>

using namespace reelcase::swf;

namespace {

const QSize viewport(733, 501);
const QSize fullScreen(1920, 1080);
constexpr int framesToRender = 60;

// A cartoon-like scene: a gradient sky, hills of curves, a character sprite of a few
// parts walking across with a morphing cloud, 24 frames per second.
QByteArray cartoon() {
    write::SwfWriter w({550, 400}, 24);
    w.background(QColor(200, 230, 255));
    write::ShapeBuilder sky;
    sky.rect({0, 0, 550, 400}, sky.addFill(write::linearGradient(
                                   {0, 0, 550, 400}, {{0, QColor(80, 140, 255)}, {1, Qt::white}})));
    write::ShapeBuilder hills;
    const int green = hills.addFill(write::solid(QColor(60, 160, 60)));
    const int dark = hills.addFill(write::solid(QColor(30, 110, 30)));
    const int outline = hills.addLine(write::line(2, QColor(20, 60, 20)));
    for (int i = 0; i < 6; ++i)
        hills.ellipse({i * 100.0 - 50, 260.0 + (i % 2) * 20, 200, 200}, i % 2 ? green : dark,
                      outline);
    write::ShapeBuilder body, head;
    body.rect({-10, -30, 20, 40}, body.addFill(write::solid(QColor(200, 60, 40))),
              body.addLine(write::line(1.5, Qt::black)));
    head.ellipse(
        {-12, -56, 24, 24},
        head.addFill(write::radialGradient(
            {-12, -56, 24, 24}, {{0, QColor(255, 220, 180)}, {1, QColor(220, 170, 130)}}, -0.4)),
        head.addLine(write::line(1, Qt::black)));
    write::ShapeBuilder cloudA, cloudB;
    cloudA.ellipse({0, 0, 80, 40}, cloudA.addFill(write::solid(QColor(255, 255, 255, 200))));
    cloudB.ellipse({-20, -10, 120, 50}, cloudB.addFill(write::solid(QColor(240, 240, 255, 160))));
    const auto skyId = w.defineShape(sky);
    const auto hillsId = w.defineShape(hills);
    const auto bodyId = w.defineShape(body);
    const auto headId = w.defineShape(head);
    const auto cloudId = w.defineMorphShape(cloudA, cloudB);
    write::Timeline walker;
    for (int f = 0; f < 8; ++f) {
        const double bob = std::sin(f * M_PI / 4) * 3;
        if (f == 0) {
            walker.place({.depth = 1, .character = bodyId});
            walker.place({.depth = 2, .character = headId});
        } else {
            walker.place({.depth = 2, .move = true, .matrix = QTransform::fromTranslate(0, bob)});
        }
        walker.showFrame();
    }
    const auto walkerId = w.defineSprite(walker);
    w.place({.depth = 1, .character = skyId});
    w.place({.depth = 2, .character = hillsId});
    for (int f = 0; f < 48; ++f) {
        const QTransform at = QTransform::fromTranslate(20 + f * 10, 300);
        const QTransform cloud = QTransform::fromTranslate(50 + f * 3, 60);
        const auto ratio = static_cast<std::uint16_t>(f * 65535 / 47);
        if (f == 0) {
            w.place({.depth = 3, .character = walkerId, .matrix = at});
            w.place({.depth = 4, .character = cloudId, .matrix = cloud, .ratio = ratio});
        } else {
            w.place({.depth = 3, .move = true, .matrix = at});
            w.place({.depth = 4, .move = true, .matrix = cloud, .ratio = ratio});
        }
        w.showFrame();
    }
    return w.finish(Compression::Zlib);
}

// The heavy case: a shape of thousands of edges, sprites nested eight deep, and a few
// hundred translucent fills, at 30 frames per second.
QByteArray heavy() {
    write::SwfWriter w({550, 400}, 30);
    w.background(Qt::white);
    write::ShapeBuilder spiky;
    write::Path p;
    p.fill1 = spiky.addFill(write::linearGradient({0, 0, 400, 400}, {{0, Qt::red}, {1, Qt::blue}}));
    p.line = spiky.addLine(write::line(1, Qt::black));
    constexpr int points = 4000;
    for (int i = 0; i <= points; ++i) {
        const double a = 2 * M_PI * i / points;
        const double r = 150 + 30 * std::sin(a * 40) + 10 * std::sin(a * 7);
        const QPointF pt(200 + r * std::cos(a), 200 + r * std::sin(a));
        if (i == 0)
            p.moveTo(pt);
        else if (i % 3 == 0)
            p.curveTo((pt + QPointF(200, 200)) / 2 * 0.02 + pt * 0.98, pt);
        else
            p.lineTo(pt);
    }
    spiky.path(p);
    // Tiles sharing edges: a grid of opaque fills in one shape.
    write::ShapeBuilder grid;
    std::vector<int> fills;
    for (int i = 0; i < 16; ++i)
        fills.push_back(grid.addFill(write::solid(QColor::fromHsv(i * 22, 180, 230))));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            grid.rect({x * 18.0, y * 18.0, 18, 18}, fills[static_cast<size_t>((x + y * 3) % 16)]);
    write::ShapeBuilder bubble;
    bubble.ellipse({-15, -15, 30, 30}, bubble.addFill(write::solid(QColor(0, 120, 255, 90))));
    const auto spikyId = w.defineShape(spiky);
    const auto gridId = w.defineShape(grid);
    const auto bubbleId = w.defineShape(bubble);
    // Eight nested sprites, each turning a little and holding a bubble and the next level.
    std::uint16_t inner = bubbleId;
    for (int level = 0; level < 8; ++level) {
        write::Timeline t;
        for (int f = 0; f < 12; ++f) {
            QTransform m;
            m.rotate(f * 3.0).scale(0.97, 0.97);
            write::Place next{.depth = 1, .matrix = m};
            write::Place own{.depth = 2, .matrix = QTransform(m).translate(12, 0)};
            if (f == 0) {
                next.character = inner;
                own.character = bubbleId;
            } else {
                next.move = own.move = true;
            }
            t.place(next).place(own);
            t.showFrame();
        }
        inner = w.defineSprite(t);
    }
    w.place({.depth = 1, .character = gridId});
    w.place({.depth = 2, .character = spikyId});
    for (int i = 0; i < 300; ++i)
        w.place({.depth = 10 + i,
                 .character = bubbleId,
                 .matrix = QTransform::fromTranslate((i * 37) % 550, (i * 53) % 400)});
    w.place({.depth = 400, .character = inner, .matrix = QTransform::fromTranslate(275, 200)});
    w.showFrame(30);
    return w.finish(Compression::None);
}

// Masks and blend groups: a moving circular mask over a gradient, a star-shaped mask
// nested inside it, and a layer-blended sprite of overlapping translucent discs, at
// 24 frames per second.
QByteArray masked() {
    write::SwfWriter w({550, 400}, 24);
    w.background(Qt::white);
    write::ShapeBuilder backdrop;
    backdrop.rect({0, 0, 550, 400},
                  backdrop.addFill(write::linearGradient(
                      {0, 0, 550, 400}, {{0, QColor(255, 160, 0)}, {1, Qt::blue}})));
    write::ShapeBuilder circle;
    circle.ellipse({-120, -120, 240, 240}, circle.addFill(write::solid(Qt::black)));
    write::ShapeBuilder star;
    write::Path p;
    p.fill1 = star.addFill(write::solid(Qt::black));
    for (int i = 0; i <= 10; ++i) {
        const double a = M_PI * i / 5, r = i % 2 ? 40 : 110;
        const QPointF pt(275 + r * std::sin(a), 200 - r * std::cos(a));
        i == 0 ? p.moveTo(pt) : p.lineTo(pt);
    }
    star.path(p);
    write::ShapeBuilder disc;
    disc.ellipse({-60, -60, 120, 120}, disc.addFill(write::solid(QColor(0, 160, 60, 160))));
    const auto backdropId = w.defineShape(backdrop);
    const auto circleId = w.defineShape(circle);
    const auto starId = w.defineShape(star);
    const auto discId = w.defineShape(disc);
    write::Timeline group;
    group.place({.depth = 1, .character = discId});
    group.place({.depth = 2, .character = discId, .matrix = QTransform::fromTranslate(50, 0)});
    group.showFrame();
    const auto groupId = w.defineSprite(group);
    ColorTransform half;
    half.aMult = 0.5;
    for (int f = 0; f < 48; ++f) {
        const QTransform at = QTransform::fromTranslate(150 + f * 5, 200);
        if (f == 0) {
            w.place({.depth = 1, .character = circleId, .matrix = at, .clipDepth = 4});
            w.place({.depth = 2, .character = backdropId});
            w.place({.depth = 3, .character = starId, .clipDepth = 4});
            w.place({.depth = 4,
                     .character = backdropId,
                     .matrix = QTransform::fromScale(-1, 1).translate(-550, 0)});
            w.place({.depth = 5,
                     .character = groupId,
                     .matrix = at,
                     .cxform = half,
                     .blendMode = BlendMode::Layer});
        } else {
            w.place({.depth = 1, .move = true, .matrix = at});
            w.place({.depth = 5, .move = true, .matrix = at});
        }
        w.showFrame();
    }
    return w.finish(Compression::Zlib);
}

// Milliseconds per frame: tick, then render into a viewport-sized image.
double msPerFrame(const std::shared_ptr<const Movie>& movie, QSize size,
                  const RenderOptions& options) {
    Player player;
    player.setMovie(movie);
    player.play();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < framesToRender; ++i) {
        player.tick();
        QPainter painter(&image);
        player.render(painter, QRectF(QPointF(0, 0), size), options);
    }
    return timer.nsecsElapsed() / 1e6 / framesToRender;
}

QString onlyName; // --only=TEXT: just the movies whose name holds it

void report(const QString& name, const QByteArray& file, QSize size = viewport) {
    if (!name.contains(onlyName))
        return;
    LoadError error;
    auto movie = parseMovie(file, &error);
    if (!movie) {
        std::printf("%-30s cannot be read: %s\n", qPrintable(name), qPrintable(error.reason));
        return;
    }
    Player probe;
    probe.setMovie(movie);
    const double budget = 1000.0 / std::max(1.0, probe.frameRate());
    const RenderOptions all;
    RenderOptions noChangedOnly = all, noTiles = all, noRaster = all, unsealed = all;
    noRaster.rasterCache = false;
    RenderOptions none = noRaster;
    none.redrawChangedOnly = none.parallelTiles = false;
    noChangedOnly.redrawChangedOnly = false;
    noTiles.parallelTiles = false;
    unsealed.sealSharedEdges = false;
    msPerFrame(movie, size, all); // warms fonts, glyph and gradient caches
    const double ms = msPerFrame(movie, size, all);
    auto saves = [&](const RenderOptions& without) {
        return msPerFrame(movie, size, without) / std::max(1e-6, ms);
    };
    const double changedOnly = saves(noChangedOnly);
    const double tiles = saves(noTiles);
    const double raster = saves(noRaster);
    const double plain = msPerFrame(movie, size, none);
    const double seam = ms / std::max(1e-6, msPerFrame(movie, size, unsealed));
    std::printf("%-28s %6.2f ms  budget %5.2f ms  ratio %5.2f (%5.2f without speed-ups)  "
                "changed-only x%5.2f  tiles x%4.2f  raster cache x%5.2f  seam remedy x%4.2f\n",
                qPrintable(name), ms, budget, ms / budget, plain / budget, changedOnly, tiles,
                raster, seam);
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    int first = 1;
    if (argc > 1 && QByteArray(argv[1]).startsWith("--only=")) {
        onlyName = QString::fromLocal8Bit(argv[1] + 7);
        first = 2;
    }
    std::printf("render %d frames at %d x %d; ratio = time per frame / frame budget (below 1 "
                "keeps up);\na speed-up's figure = time without it / time with all; seam "
                "remedy = time with it / without\n",
                framesToRender, viewport.width(), viewport.height());
    report(QStringLiteral("generated cartoon"), cartoon());
    report(QStringLiteral("generated cartoon 1920x1080"), cartoon(), fullScreen);
    report(QStringLiteral("generated heavy"), heavy());
    report(QStringLiteral("generated heavy 1920x1080"), heavy(), fullScreen);
    report(QStringLiteral("generated bitmaps"), reelcase::bench::bitmapHeavyMovie());
    report(QStringLiteral("generated bitmaps 1920x1080"), reelcase::bench::bitmapHeavyMovie(),
           fullScreen);
    report(QStringLiteral("generated text"), reelcase::bench::textHeavyMovie());
    report(QStringLiteral("generated masks"), masked());
    for (int i = first; i < argc; ++i) {
        QFile f(QString::fromLocal8Bit(argv[i]));
        if (f.open(QIODevice::ReadOnly))
            report(QFileInfo(f).fileName(), f.readAll());
    }
    return 0;
}
