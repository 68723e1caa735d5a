#include "swf/format/movie.h"
#include "swf/swf_fixtures.h"
#include "swf/video/flv_encoding.h"
#include "swf/video/video_decoder.h"
#include "swf/video/video_picture.h"
#include "swf/video/video_stream.h"
#include "swfwriter/writer_video.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <QPainter>
#include <QTest>

#include <cmath>

using namespace reelcase::swf;
using namespace reelcase::test;

namespace {

constexpr QSize kSize(48, 32);

QList<QByteArray> encodeFlv(const QList<QColor>& colours, int keyEvery = 100) {
    return encodeH263(colours, kSize, keyEvery);
}

// A movie showing one frame of the stream per timeline frame, at 2x scale.
QByteArray videoMovie(const QList<QByteArray>& frames, int codec = 2) {
    write::SwfWriter w({96, 64}, 12);
    const auto id = write::defineVideoStream(w, int(frames.size()), kSize, codec);
    for (int f = 0; f < frames.size(); ++f) {
        write::videoFrame(w, id, f, frames[f]);
        QTransform scale;
        scale.scale(2, 2);
        if (f == 0)
            w.place({.depth = 1, .character = id, .matrix = scale, .ratio = 0});
        else
            w.place({.depth = 1, .move = true, .ratio = std::uint16_t(f)});
        w.showFrame();
    }
    return w.finish();
}

QRgb centre(const Player& player) {
    return renderImage(player, {96, 64}).pixel(48, 32);
}

// The luma plane libavcodec decodes a Sorenson packet to with the inverse transform idct.
QList<int> sorensonLuma(const QByteArray& packet, int idct) {
    QList<int> luma;
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_FLV1);
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    ctx->idct_algo = idct;
    AVPacket* p = av_packet_alloc();
    AVFrame* f = av_frame_alloc();
    if (avcodec_open2(ctx, codec, nullptr) == 0 && av_new_packet(p, int(packet.size())) == 0) {
        std::copy(packet.cbegin(), packet.cend(), p->data);
        avcodec_send_packet(ctx, p);
        avcodec_send_packet(ctx, nullptr);
        if (avcodec_receive_frame(ctx, f) == 0)
            for (int y = 0; y < f->height; ++y)
                for (int x = 0; x < f->width; ++x)
                    luma << f->data[0][y * f->linesize[0] + x];
    }
    av_frame_free(&f);
    av_packet_free(&p);
    avcodec_free_context(&ctx);
    return luma;
}

// A VP6 key frame of 3 x 2 macroblocks (48 x 32): the header the decoder takes its size
// from (version 6 with a filter header), then range coder bytes of no meaning.
QByteArray vp6KeyFrame() {
    QByteArray frame("\x00\x36\x02\x03\x02\x03", 6);
    for (int i = 0; i < 200; ++i)
        frame += char(i * 37);
    return frame;
}

} // namespace

class TestVideo : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Each timeline frame shows its video frame, decoded from the key frame before it:
    // forwards, backwards and by jumps, with key frames or without.
    void framesFollowTheTimeline() {
        const QList<QColor> colours = {Qt::red, Qt::green, Qt::blue, Qt::white, Qt::yellow};
        for (const int keyEvery : {100, 2}) {
            const QList<QByteArray> packets = encodeFlv(colours, keyEvery);
            if (packets.size() != colours.size())
                QSKIP("libavcodec has no Sorenson H.263 encoder here");
            QCOMPARE(isKeyFrame(2, packets[2]), keyEvery == 2);
            QVERIFY(isKeyFrame(2, packets[0]));
            auto movie = load(videoMovie(packets));
            QVERIFY(movie);
            Player player;
            player.setMovie(movie);
            for (const int f : {0, 1, 2, 3, 4, 1, 4, 0, 3}) {
                player.gotoFrame(f);
                QVERIFY2(near(centre(player), colours[f], 12), qPrintable(QString::number(f)));
            }
        }
    }

    // Sorenson pictures come out as Flash Player showed them: inverse-transformed exactly
    // (libavcodec's default integer transform is a level off here and there on detail),
    // grey in studio range stretched to full range.
    void sorensonPicturesAsFlashShowedThem() {
        const QSize size(64, 48);
        const QByteArray packet = encodeH263Detail(size);
        if (packet.isEmpty())
            QSKIP("libavcodec has no Sorenson H.263 encoder here");
        const QList<int> exact = sorensonLuma(packet, FF_IDCT_FAAN);
        QCOMPARE(exact.size(), size.width() * size.height());
        QVERIFY(exact != sorensonLuma(packet, FF_IDCT_AUTO)); // the picture tells them apart
        const QImage picture = makeVideoDecoder(VideoCodec::SorensonH263)->decode(packet);
        QCOMPARE(picture.size(), size);
        int wrong = 0;
        for (int i = 0; i < exact.size(); ++i) {
            const int grey = std::clamp(int(std::lround((exact[i] - 16) * 255 / 219.0)), 0, 255);
            wrong += picture.pixel(i % size.width(), i / size.width()) != qRgb(grey, grey, grey);
        }
        QCOMPARE(wrong, 0);
    }

    // VP6 codes whole macroblocks: an FLV's adjustment byte cuts pixels off the right and
    // bottom, a SWF stream shows the part of its declared size at the top left, and a
    // declared size no such cut makes leaves the picture whole (to be drawn scaled).
    // DefineVideoStream's deblocking level and smoothing flag are read apart.
    void vp6PicturesAreCutToTheirSize() {
        const QByteArray key = vp6KeyFrame();
        const auto sizeOf = [&](const VideoDecoderSetup& setup) {
            const auto decoder = makeVideoDecoder(VideoCodec::Vp6, setup);
            return decoder ? decoder->decode(key).size() : QSize();
        };
        if (sizeOf({}) != QSize(48, 32))
            QSKIP("libavcodec has no VP6 decoder here");
        QCOMPARE(sizeOf({.extradata = QByteArray(1, char(0x53))}), QSize(43, 29));
        QCOMPARE(sizeOf({.shownSize = {40, 20}}), QSize(40, 20));
        QCOMPARE(sizeOf({.shownSize = {100, 20}}), QSize(48, 32));
        QCOMPARE(sizeOf({.shownSize = {40, 20}, .deblocking = 1}), QSize(40, 20));

        write::SwfWriter w({96, 64}, 12);
        const auto id = write::defineVideoStream(w, 1, {40, 20}, 4, true, 1);
        write::videoFrame(w, id, 0, key);
        w.place({.depth = 1, .character = id});
        w.showFrame();
        const auto movie = load(w.finish());
        QVERIFY(movie);
        const auto* stream = dynamic_cast<const VideoStream*>(movie->dictionary.character(id));
        QVERIFY(stream && stream->smoothing() && stream->deblocking() == 1);
        Player player;
        player.setMovie(movie);
        renderImage(player, {96, 64});
    }

    // A picture asking for smoothing is smoothed at high quality only, as bitmaps are; at
    // medium and low, and without the flag, its pixels stay hard-edged when enlarged.
    void smoothingNeedsHighQuality() {
        QImage picture(2, 1, QImage::Format_ARGB32_Premultiplied);
        picture.setPixel(0, 0, qRgb(0, 0, 0));
        picture.setPixel(1, 0, qRgb(255, 255, 255));
        const auto greyNearTheSeam = [&](Quality quality, bool smoothing) {
            QImage out(40, 20, QImage::Format_ARGB32_Premultiplied);
            out.fill(Qt::red);
            QPainter painter(&out);
            RenderContext context;
            context.quality = quality;
            drawVideoImage({painter, QTransform(), {}, 0, context}, picture, {40, 20}, smoothing);
            painter.end();
            const int level = qRed(out.pixel(17, 10));
            return level > 8 && level < 247;
        };
        QVERIFY(greyNearTheSeam(Quality::High, true));
        QVERIFY(!greyNearTheSeam(Quality::High, false));
        QVERIFY(!greyNearTheSeam(Quality::Medium, true));
        QVERIFY(!greyNearTheSeam(Quality::Low, true));
    }

    // Broken or hostile streams draw nothing or what they can, and never take the player
    // down: noise as every codec, a huge declared size, frames past the declared count.
    void hostileStreamsAreContained() {
        QByteArray noise(3000, '\0');
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919) ^ (i >> 2));
        for (int codec = 0; codec < 10; ++codec) {
            write::SwfWriter w({96, 64}, 12);
            const auto id = write::defineVideoStream(w, 3, {65535, 65535}, codec);
            write::videoFrame(w, id, 0, noise);
            write::videoFrame(w, id, 1, noise.left(5));
            write::videoFrame(w, id, 9, noise);
            write::videoFrame(w, 999, 0, noise); // no such stream
            w.place({.depth = 1, .character = id, .ratio = 65535});
            w.showFrame();
            auto movie = load(w.finish());
            QVERIFY(movie);
            Player player;
            player.setMovie(movie);
            renderImage(player, {96, 64});
        }
    }
};

QTEST_GUILESS_MAIN(TestVideo)
#include "test_video.moc"
