#include "audio_encoding.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

#include <cmath>
#include <numbers>

namespace reelcase::test {

std::vector<std::int16_t> tone(double frequency, int frames, int rate, int channels,
                               int amplitude) {
    std::vector<std::int16_t> out;
    out.reserve(std::size_t(frames * channels));
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            out.push_back(static_cast<std::int16_t>(
                std::lround(amplitude * std::sin(2 * std::numbers::pi * frequency * i / rate))));
    return out;
}

QList<QByteArray> encodeAudio(const char* encoder, const std::vector<std::int16_t>& samples,
                              int rate, int channels, int bitRate) {
    QList<QByteArray> packets;
    const AVCodec* codec = avcodec_find_encoder_by_name(encoder);
    if (!codec)
        return packets;
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    ctx->sample_rate = rate;
    ctx->bit_rate = bitRate;
    av_channel_layout_default(&ctx->ch_layout, channels);
    // The first sample format the encoder takes: s16, planar s16 or planar float.
    ctx->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    if (avcodec_open2(ctx, codec, nullptr) < 0) {
        avcodec_free_context(&ctx);
        return packets;
    }
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    const int total = static_cast<int>(samples.size()) / channels;
    const int step = ctx->frame_size > 0 ? ctx->frame_size : 1024;
    const auto drain = [&] {
        while (avcodec_receive_packet(ctx, packet) == 0) {
            packets.append(QByteArray(reinterpret_cast<const char*>(packet->data), packet->size));
            av_packet_unref(packet);
        }
    };
    for (int at = 0; at < total; at += step) {
        frame->nb_samples = std::min(step, total - at);
        if (frame->nb_samples < step && !(codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE))
            break; // fixed-size encoders drop the ragged end
        frame->format = ctx->sample_fmt;
        av_channel_layout_copy(&frame->ch_layout, &ctx->ch_layout);
        frame->sample_rate = rate;
        av_frame_get_buffer(frame, 0);
        for (int i = 0; i < frame->nb_samples; ++i) {
            for (int c = 0; c < channels; ++c) {
                const std::int16_t v = samples[std::size_t((at + i) * channels + c)];
                switch (ctx->sample_fmt) {
                case AV_SAMPLE_FMT_S16:
                    reinterpret_cast<std::int16_t*>(frame->data[0])[i * channels + c] = v;
                    break;
                case AV_SAMPLE_FMT_S16P:
                    reinterpret_cast<std::int16_t*>(frame->data[c])[i] = v;
                    break;
                case AV_SAMPLE_FMT_S32P:
                    reinterpret_cast<std::int32_t*>(frame->data[c])[i] = v * 65536;
                    break;
                case AV_SAMPLE_FMT_FLTP:
                    reinterpret_cast<float*>(frame->data[c])[i] = v / 32768.0f;
                    break;
                case AV_SAMPLE_FMT_FLT:
                    reinterpret_cast<float*>(frame->data[0])[i * channels + c] = v / 32768.0f;
                    break;
                default:
                    break;
                }
            }
        }
        avcodec_send_frame(ctx, frame);
        av_frame_unref(frame);
        drain();
    }
    avcodec_send_frame(ctx, nullptr);
    drain();
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&ctx);
    return packets;
}

} // namespace reelcase::test
