#include "swf/swf_fixtures.h"
#include "swf/video/video_decoder.h"
#include "swf/video/video_stream.h"
#include "swfwriter/writer_video.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <QTest>

using namespace reelcase::swf;
using namespace reelcase::test;

namespace {

constexpr QSize kSize(48, 32);

// Frames of one flat colour each, coded as Sorenson H.263 by libavcodec's encoder; the
// first is a key frame, the rest predicted from it unless keyEvery says otherwise.
QList<QByteArray> encodeFlv(const QList<QColor>& colours, int keyEvery = 100) {
    QList<QByteArray> packets;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_FLV1);
    if (!codec)
        return packets;
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    ctx->width = kSize.width();
    ctx->height = kSize.height();
    ctx->pix_fmt = AV_PIX_FMT_YUV420P;
    ctx->time_base = {1, 12};
    ctx->gop_size = keyEvery;
    ctx->max_b_frames = 0;
    ctx->bit_rate = 400000;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    AVDictionary* options = nullptr;
    av_dict_set(&options, "sc_threshold", "1000000000", 0); // no key frames at scene changes
    const int opened = avcodec_open2(ctx, codec, &options);
    av_dict_free(&options);
    if (opened == 0) {
        frame->format = ctx->pix_fmt;
        frame->width = ctx->width;
        frame->height = ctx->height;
        av_frame_get_buffer(frame, 0);
        for (int i = 0; i < colours.size(); ++i) {
            av_frame_make_writable(frame);
            const QColor& c = colours[i];
            // BT.601 studio range, the inverse of what the player shows.
            const auto y =
                std::uint8_t(16 + (65.481 * c.redF() + 128.553 * c.greenF() + 24.966 * c.blueF()));
            const auto u =
                std::uint8_t(128 + (-37.797 * c.redF() - 74.203 * c.greenF() + 112.0 * c.blueF()));
            const auto v =
                std::uint8_t(128 + (112.0 * c.redF() - 93.786 * c.greenF() - 18.214 * c.blueF()));
            for (int row = 0; row < kSize.height(); ++row) {
                std::fill_n(frame->data[0] + row * frame->linesize[0], kSize.width(), y);
                if (row % 2 == 0) {
                    std::fill_n(frame->data[1] + row / 2 * frame->linesize[1], kSize.width() / 2,
                                u);
                    std::fill_n(frame->data[2] + row / 2 * frame->linesize[2], kSize.width() / 2,
                                v);
                }
            }
            frame->pts = i;
            avcodec_send_frame(ctx, frame);
            while (avcodec_receive_packet(ctx, packet) == 0) {
                packets.append(
                    QByteArray(reinterpret_cast<const char*>(packet->data), packet->size));
                av_packet_unref(packet);
            }
        }
    }
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&ctx);
    return packets;
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
