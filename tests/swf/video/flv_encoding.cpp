#include "swf/video/flv_encoding.h"

#include "swf/video/video_stream.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <QtEndian>

#include <cmath>
#include <cstring>
#include <functional>
#include <numbers>

namespace reelcase::test {

namespace {

// Codes count pictures as Sorenson H.263, fill drawing picture i into the YUV frame.
QList<QByteArray> encodeH263Frames(QSize size, int keyEvery, int count,
                                   const std::function<void(AVFrame&, int)>& fill) {
    QList<QByteArray> packets;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_FLV1);
    if (!codec)
        return packets;
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    ctx->width = size.width();
    ctx->height = size.height();
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
        for (int i = 0; i < count; ++i) {
            av_frame_make_writable(frame);
            fill(*frame, i);
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

} // namespace

QList<QByteArray> encodeH263(const QList<QColor>& colours, QSize size, int keyEvery) {
    return encodeH263Frames(size, keyEvery, int(colours.size()), [&](AVFrame& frame, int i) {
        const QColor& c = colours[i];
        // BT.601 studio range, the inverse of what the player shows.
        const auto y =
            std::uint8_t(16 + (65.481 * c.redF() + 128.553 * c.greenF() + 24.966 * c.blueF()));
        const auto u =
            std::uint8_t(128 + (-37.797 * c.redF() - 74.203 * c.greenF() + 112.0 * c.blueF()));
        const auto v =
            std::uint8_t(128 + (112.0 * c.redF() - 93.786 * c.greenF() - 18.214 * c.blueF()));
        for (int row = 0; row < size.height(); ++row) {
            std::fill_n(frame.data[0] + row * frame.linesize[0], size.width(), y);
            if (row % 2 == 0) {
                std::fill_n(frame.data[1] + row / 2 * frame.linesize[1], size.width() / 2, u);
                std::fill_n(frame.data[2] + row / 2 * frame.linesize[2], size.width() / 2, v);
            }
        }
    });
}

QByteArray encodeH263Detail(QSize size) {
    const QList<QByteArray> packets = encodeH263Frames(size, 1, 1, [&](AVFrame& frame, int) {
        for (int row = 0; row < size.height(); ++row) {
            for (int x = 0; x < size.width(); ++x)
                frame.data[0][row * frame.linesize[0] + x] =
                    std::uint8_t(16 + (x * 7 + row * 3) % 200 + ((x * row) % 5) * 4);
            if (row % 2 == 0) {
                std::fill_n(frame.data[1] + row / 2 * frame.linesize[1], size.width() / 2, 128);
                std::fill_n(frame.data[2] + row / 2 * frame.linesize[2], size.width() / 2, 128);
            }
        }
    });
    return packets.value(0);
}

QList<QByteArray> encodeTone(const char* codec, int rate, double hz, double seconds,
                             QByteArray* config) {
    QList<QByteArray> packets;
    const AVCodec* encoder = avcodec_find_encoder_by_name(codec);
    if (!encoder)
        return packets;
    AVCodecContext* ctx = avcodec_alloc_context3(encoder);
    ctx->sample_rate = rate;
    ctx->ch_layout = AV_CHANNEL_LAYOUT_MONO;
    ctx->sample_fmt = encoder->sample_fmts ? encoder->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    ctx->bit_rate = 128000;
    ctx->time_base = {1, rate};
    ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    const auto receive = [&] {
        while (avcodec_receive_packet(ctx, packet) == 0) {
            packets.append(QByteArray(reinterpret_cast<const char*>(packet->data), packet->size));
            av_packet_unref(packet);
        }
    };
    if (avcodec_open2(ctx, encoder, nullptr) == 0) {
        if (config)
            *config =
                QByteArray(reinterpret_cast<const char*>(ctx->extradata), ctx->extradata_size);
        const int total = int(seconds * rate);
        const int perFrame = ctx->frame_size > 0 ? ctx->frame_size : 1024;
        for (int at = 0; at < total; at += perFrame) {
            frame->format = ctx->sample_fmt;
            frame->ch_layout = ctx->ch_layout;
            frame->sample_rate = rate;
            frame->nb_samples = perFrame;
            av_frame_get_buffer(frame, 0);
            for (int i = 0; i < perFrame; ++i) {
                const double v = 0.5 * std::sin(2 * std::numbers::pi * hz * (at + i) / rate);
                if (ctx->sample_fmt == AV_SAMPLE_FMT_FLTP)
                    reinterpret_cast<float*>(frame->data[0])[i] = float(v);
                else
                    reinterpret_cast<std::int16_t*>(frame->data[0])[i] = std::int16_t(v * 32767);
            }
            frame->pts = at;
            avcodec_send_frame(ctx, frame);
            av_frame_unref(frame);
            receive();
        }
        avcodec_send_frame(ctx, nullptr);
        receive();
    }
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&ctx);
    return packets;
}

QByteArray flvHeader(bool audio, bool video) {
    QByteArray h("FLV\x01", 4);
    h += char((audio ? 4 : 0) | (video ? 1 : 0));
    h += QByteArray("\0\0\0\x09\0\0\0\0", 8);
    return h;
}

QByteArray flvTag(int type, qint64 timeMs, const QByteArray& body) {
    QByteArray t;
    t += char(type);
    const auto size = quint32(body.size());
    t += char(size >> 16);
    t += char(size >> 8);
    t += char(size);
    t += char(timeMs >> 16);
    t += char(timeMs >> 8);
    t += char(timeMs);
    t += char(timeMs >> 24);
    t += QByteArray(3, '\0');
    t += body;
    const quint32 back = qToBigEndian(quint32(11 + body.size()));
    t.append(reinterpret_cast<const char*>(&back), 4);
    return t;
}

QByteArray flvMetaData(const QList<std::pair<QByteArray, double>>& members) {
    QByteArray b("\x02\x00\x0aonMetaData\x08", 14);
    const quint32 count = qToBigEndian(quint32(members.size()));
    b.append(reinterpret_cast<const char*>(&count), 4);
    for (const auto& [name, value] : members) {
        const quint16 n = qToBigEndian(quint16(name.size()));
        b.append(reinterpret_cast<const char*>(&n), 2);
        b += name;
        b += '\0';
        quint64 bits;
        std::memcpy(&bits, &value, 8);
        bits = qToBigEndian(bits);
        b.append(reinterpret_cast<const char*>(&bits), 8);
    }
    b += QByteArray("\0\0\x09", 3);
    return b;
}

QByteArray flvOfPictures(const QList<QByteArray>& pictures, int frameMs) {
    QByteArray f = flvHeader(false, true);
    f += flvTag(18, 0, flvMetaData({{"duration", pictures.size() * frameMs / 1000.0}}));
    for (int i = 0; i < pictures.size(); ++i) {
        const bool key = swf::isKeyFrame(2, pictures[i]);
        const char first = char((key ? 0x10 : 0x20) | 2); // Sorenson H.263
        f += flvTag(9, qint64(i) * frameMs, first + pictures[i]);
    }
    return f;
}

} // namespace reelcase::test
