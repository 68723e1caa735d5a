#include "media_movies.h"

#include "swfwriter/writer.h"
#include "swfwriter/writer_media.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include <cmath>

namespace reelcase::bench {

namespace {

using namespace reelcase::swf;
using namespace reelcase::swf::write;

QImage photograph(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const double v = std::sin(x * 0.05) * std::cos(y * 0.07) + std::sin((x + y) * 0.013);
            line[x] =
                qRgb(int(128 + 60 * v) & 255, (x * 255 / size.width()), (y * 255 / size.height()));
        }
    }
    return image;
}

QImage sprite(int size, QColor colour) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(size / 2.0, size / 2.0, size / 2.0);
    g.setColorAt(0, Qt::white);
    g.setColorAt(0.5, colour);
    g.setColorAt(1, QColor(0, 0, 0, 0));
    p.setBrush(g);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(0, 0, size, size));
    return image;
}

} // namespace

QByteArray bitmapHeavyMovie() {
    SwfWriter w({550, 400}, 24, 8);
    w.background(Qt::black);
    const QSize photoSize(800, 600);
    const auto [tables, stream] = splitJpegTables(encodeJpeg(photograph(photoSize), 85));
    jpegTables(w, tables);
    const auto photo = defineBitmapShape(w, defineBits(w, stream), photoSize);

    const QImage tileImage = sprite(32, QColor(255, 200, 0));
    const auto tile = defineBitsLossless(w, tileImage, true, LosslessFormat::ColourMapped8);
    ShapeBuilder tiled;
    tiled.rect(QRectF(0, 0, 550, 60), tiled.addFill(bitmapFill(tile, {0, 0}, 1, true, true)));
    const auto band = w.defineShape(tiled);

    std::vector<std::uint16_t> sprites;
    for (int i = 0; i < 4; ++i) {
        const QImage image = sprite(96, QColor::fromHsv(i * 90, 200, 255));
        sprites.push_back(
            defineBitmapShape(w, defineBitsLossless(w, image), image.size(), QPointF(-48, -48)));
    }

    constexpr int kFrames = 48;
    constexpr int kSprites = 20;
    for (int f = 0; f < kFrames; ++f) {
        const double t = double(f) / kFrames;
        Place view{
            .depth = 1,
            .move = f > 0,
            .matrix =
                QTransform().translate(-120 * t, -80 * t).scale(0.9 + 0.2 * t, 0.9 + 0.2 * t)};
        if (f == 0)
            view.character = photo;
        w.place(view);
        Place strip{.depth = 2, .move = f > 0, .matrix = QTransform().translate(0, 330)};
        if (f == 0)
            strip.character = band;
        w.place(strip);
        for (int i = 0; i < kSprites; ++i) {
            ColorTransform cx;
            cx.aMult = 0.6 + 0.4 * std::sin(t * 6.28 + i);
            if (i % 3 == 0) // a brightness tween: new pixels every frame
                cx.rMult = cx.gMult = cx.bMult = 0.5 + 0.5 * t;
            Place p{.depth = 10 + i,
                    .move = f > 0,
                    .matrix = QTransform()
                                  .translate(30 + (i * 97) % 500, 40 + (i * 53) % 300)
                                  .rotate(f * 7.5 + i * 18)
                                  .scale(0.6 + 0.02 * i, 0.6 + 0.02 * i),
                    .cxform = cx};
            if (f == 0)
                p.character = sprites[size_t(i % 4)];
            w.place(p);
        }
        w.showFrame();
    }
    return w.finish(Compression::Zlib);
}

QByteArray textHeavyMovie() {
    SwfWriter w({550, 400}, 20, 8);
    w.background(QColor(250, 248, 240));
    FontDesign device;
    device.name = QStringLiteral("宋体");
    const auto deviceId = defineFont(w, device);
    const QString latin = QStringLiteral("The quick brown fox jumps over the lazy dog 0123456789");
    const FontDesign outlines = fontFromSystem(QStringLiteral("DejaVu Sans"), latin, 3);
    const auto outlineId = defineFont(w, outlines);

    const QString chinese =
        QStringLiteral("春眠不觉晓，处处闻啼鸟。夜来风雨声，花落知多少。白日依山尽，黄河入海流。"
                       "欲穷千里目，更上一层楼。");
    std::vector<std::uint16_t> fields;
    for (int i = 0; i < 8; ++i) {
        EditTextDesign field;
        field.bounds = QRectF(0, 0, 260, 90);
        field.fontId = deviceId;
        field.fontHeight = 14 + i % 3 * 2;
        field.wordWrap = field.multiline = true;
        field.border = i % 2 == 0;
        field.align = TextAlign(i % 3);
        if (i % 4 == 3) {
            field.html = true;
            field.text = QStringLiteral("<p align=\"center\"><font color=\"#C00000\" size=\"20\">"
                                        "<b>标题 Title</b></font></p><p><i>") +
                         latin + QStringLiteral("</i> <u>") + chinese.left(20) +
                         QStringLiteral("</u></p>");
        } else {
            field.text = i % 2 ? QString(latin + u' ' + chinese) : QString(chinese + latin);
        }
        fields.push_back(defineEditText(w, field));
    }
    std::vector<TextLine> lines;
    for (int i = 0; i < 6; ++i)
        lines.push_back(
            {latin, QPointF(4, 20 + 22 * i), 14.0 + i, QColor::fromHsv(i * 60, 255, 160)});
    const auto staticText = defineText(w, outlineId, outlines, lines);

    constexpr int kFrames = 40;
    for (int f = 0; f < kFrames; ++f) {
        const double t = double(f) / kFrames;
        for (int i = 0; i < int(fields.size()); ++i) {
            ColorTransform fade;
            fade.aMult = 0.5 + 0.5 * std::sin(t * 6.28 + i);
            Place p{.depth = 1 + i,
                    .move = f > 0,
                    .matrix = QTransform().translate(10 + (i % 2) * 275,
                                                     10 + (i / 2) * 95 - 20 * std::sin(t * 6.28)),
                    .cxform = fade};
            if (f == 0)
                p.character = fields[size_t(i)];
            w.place(p);
        }
        Place s{.depth = 50,
                .move = f > 0,
                .matrix = QTransform().translate(100 - 60 * t, 120).rotate(10 * t)};
        if (f == 0)
            s.character = staticText;
        w.place(s);
        w.showFrame();
    }
    return w.finish(Compression::Zlib);
}

} // namespace reelcase::bench
