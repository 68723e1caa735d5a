// The demo cache's samples with bitmaps and text. Pictures are painted here, pixel by
// pixel and with QPainter, so the generator needs no image files.
#include "demo_media_movies.h"

#include "swfwriter/writer.h"
#include "swfwriter/writer_media.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace reelcase::democache {

namespace {

using namespace reelcase::swf;
using namespace reelcase::swf::write;

constexpr double kTau = 6.283185307179586;

// Fine texture that keeps the JPEG of a painted picture photograph-sized.
void addGrain(QImage& image, int strength, quint32 seed) {
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int d = int(seed >> 24) % (2 * strength + 1) - strength;
            const QRgb p = line[x];
            line[x] = qRgb(std::clamp(qRed(p) + d, 0, 255), std::clamp(qGreen(p) + d, 0, 255),
                           std::clamp(qBlue(p) + d, 0, 255));
        }
    }
}

QImage paintLandscape(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, size.height() * 0.7);
    sky.setColorAt(0, QColor(40, 90, 170));
    sky.setColorAt(0.7, QColor(250, 170, 110));
    sky.setColorAt(1, QColor(255, 220, 160));
    p.fillRect(image.rect(), sky);
    QRadialGradient sun(size.width() * 0.7, size.height() * 0.55, 60);
    sun.setColorAt(0, QColor(255, 250, 220));
    sun.setColorAt(0.4, QColor(255, 220, 120));
    sun.setColorAt(1, QColor(255, 200, 120, 0));
    p.fillRect(image.rect(), sun);
    const QColor ranges[] = {QColor(110, 100, 150), QColor(70, 80, 110), QColor(40, 60, 60),
                             QColor(25, 45, 30)};
    for (int r = 0; r < 4; ++r) {
        QPainterPath ridge;
        const double base = size.height() * (0.55 + 0.12 * r);
        ridge.moveTo(0, size.height());
        for (int x = 0; x <= size.width(); x += 8) {
            const double y = base - 40 * std::sin(x * 0.011 * (r + 1) + r) -
                             18 * std::sin(x * 0.043 + 2 * r) - 6 * std::sin(x * 0.17 + r);
            ridge.lineTo(x, y);
        }
        ridge.lineTo(size.width(), size.height());
        p.fillPath(ridge, ranges[r]);
    }
    p.end();
    addGrain(image, 10, 7);
    return image;
}

QImage paintCloud(QSize size) {
    QImage cloud(size, QImage::Format_ARGB32_Premultiplied);
    cloud.fill(Qt::transparent);
    QPainter p(&cloud);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF puffs[] = {{0.25, 0.6}, {0.45, 0.4}, {0.65, 0.5}, {0.8, 0.65}, {0.5, 0.7}};
    for (const QPointF& f : puffs) {
        const QPointF c(f.x() * size.width(), f.y() * size.height());
        QRadialGradient puff(c, size.height() * 0.4);
        puff.setColorAt(0, QColor(255, 255, 255, 200));
        puff.setColorAt(1, QColor(255, 255, 255, 0));
        p.setBrush(puff);
        p.setPen(Qt::NoPen);
        p.drawEllipse(c, size.height() * 0.4, size.height() * 0.4);
    }
    return cloud;
}

QImage paintNightSky(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(5, 8, 30));
    sky.setColorAt(1, QColor(30, 30, 70));
    p.fillRect(image.rect(), sky);
    quint32 seed = 11;
    for (int i = 0; i < 400; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const int x = int(seed % quint32(size.width()));
        seed = seed * 1664525u + 1013904223u;
        const int y = int(seed % quint32(size.height()));
        const int light = 120 + int(seed >> 25);
        p.fillRect(x, y, 1 + (i % 7 == 0), 1 + (i % 7 == 0), QColor(light, light, 255));
    }
    p.end();
    addGrain(image, 8, 3);
    return image;
}

ColorTransform fade(double alpha) {
    ColorTransform c;
    c.aMult = alpha;
    return c;
}

} // namespace

QByteArray landscapeMovie() {
    const QSizeF stage(550, 400);
    SwfWriter movie(stage, 24, 6);
    movie.background(Qt::black);

    const QSize photoSize(660, 480);
    const auto [tables, stream] = splitJpegTables(encodeJpeg(paintLandscape(photoSize), 85));
    jpegTables(movie, tables);
    const auto photo = defineBitmapShape(movie, defineBits(movie, stream), photoSize);
    const QSize cloudSize(200, 90);
    const auto cloud =
        defineBitmapShape(movie, defineBitsLossless(movie, paintCloud(cloudSize)), cloudSize);

    constexpr int kFrames = 360;
    constexpr int kClouds = 3;
    for (int frame = 0; frame < kFrames; ++frame) {
        const double t = double(frame) / kFrames;
        // Pan across the picture while zooming in a little, fading in and out at the ends.
        const double zoom = 0.85 + 0.15 * t;
        const double fadeIn = std::min(1.0, frame / 24.0);
        const double fadeOut = std::min(1.0, (kFrames - 1 - frame) / 24.0);
        Place view{.depth = 1,
                   .move = frame > 0,
                   .matrix = QTransform().translate(-80 * t, -30 * t).scale(zoom, zoom),
                   .cxform = fade(std::min(fadeIn, fadeOut))};
        if (frame == 0)
            view.character = photo;
        movie.place(view);
        for (int i = 0; i < kClouds; ++i) {
            const double x = std::fmod(-200 + 750 * t * (1 + 0.3 * i) + 260 * i, 750) - 200;
            Place drift{.depth = 10 + i,
                        .move = frame > 0,
                        .matrix = QTransform().translate(x, 30 + 45 * i + 6 * std::sin(t * kTau)),
                        .cxform = fade(0.6 + 0.4 * std::sin(t * kTau + i))};
            if (frame == 0)
                drift.character = cloud;
            movie.place(drift);
        }
        movie.showFrame();
    }
    return movie.finish();
}

QByteArray poemMovie() {
    const QSizeF stage(550, 400);
    SwfWriter movie(stage, 20, 8);
    movie.background(QColor(5, 8, 30));
    const QSize skySize(550, 400);
    const auto sky = defineBitmapShape(
        movie, defineBitsJpeg2(movie, encodeJpeg(paintNightSky(skySize), 90)), skySize);
    movie.place({.depth = 1, .character = sky});

    FontDesign song;
    song.name = QStringLiteral("宋体");
    const auto songId = defineFont(movie, song);

    EditTextDesign title;
    title.bounds = QRectF(0, 30, 550, 60);
    title.fontId = songId;
    title.fontHeight = 20;
    title.html = true;
    title.multiline = true;
    title.text = QStringLiteral("<p align=\"center\"><font size=\"36\" color=\"#FFE9A0\">"
                                "<b>静夜思</b></font></p><p align=\"center\">"
                                "<font color=\"#A0B0FF\">李白</font></p>");
    movie.place({.depth = 10, .character = defineEditText(movie, title)});

    const QString lines[] = {QStringLiteral("床前明月光，"), QStringLiteral("疑是地上霜。"),
                             QStringLiteral("举头望明月，"), QStringLiteral("低头思故乡。")};
    std::vector<std::uint16_t> lineIds;
    for (const QString& text : lines) {
        EditTextDesign field;
        field.bounds = QRectF(100, 0, 350, 48);
        field.fontId = songId;
        field.fontHeight = 30;
        field.colour = QColor(240, 240, 255);
        field.align = TextAlign::Center;
        field.text = text;
        lineIds.push_back(defineEditText(movie, field));
    }

    ShapeBuilder moonShape;
    const int glow = moonShape.addFill(
        radialGradient(QRectF(-60, -60, 120, 120), {{0, QColor(255, 255, 230)},
                                                    {0.35, QColor(255, 250, 200)},
                                                    {0.45, QColor(255, 240, 180, 90)},
                                                    {1, QColor(255, 240, 180, 0)}}));
    moonShape.ellipse(QRectF(-60, -60, 120, 120), glow);
    const auto moon = movie.defineShape(moonShape);

    constexpr int kFrames = 320;
    constexpr int kLineStart = 30;
    constexpr int kLineGap = 50;
    for (int frame = 0; frame < kFrames; ++frame) {
        const double t = double(frame) / kFrames;
        Place moonPlace{.depth = 2,
                        .move = frame > 0,
                        .matrix = QTransform().translate(470 - 60 * t, 110 - 30 * std::sin(t * 3))};
        if (frame == 0)
            moonPlace.character = moon;
        movie.place(moonPlace);
        for (int i = 0; i < int(lineIds.size()); ++i) {
            const int shown = frame - (kLineStart + i * kLineGap);
            if (shown < 0)
                continue;
            Place line{.depth = 20 + i,
                       .move = shown > 0,
                       .matrix = QTransform().translate(0, 150 + 50 * i - std::max(0, 12 - shown)),
                       .cxform = fade(std::min(1.0, shown / 20.0))};
            if (shown == 0)
                line.character = lineIds[size_t(i)];
            movie.place(line);
        }
        movie.showFrame();
    }
    return movie.finish();
}

} // namespace reelcase::democache
