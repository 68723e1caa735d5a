// The cost of a movie's sound: decoding and mixing a 44.1 kHz stereo MP3 stream (128
// kbit/s, one minute of music-like tones made and encoded here) as a share of one core,
// beside the same stream stored uncompressed, measured in the same run. The MP3 is encoded
// with libavcodec's MP3 encoder; where it is missing, silent frames with valid headers
// stand in (and the output says so).
#include "swf/player/player.h"
#include "swf/sound/sound_mixer.h"
#include "swfwriter/writer_sound.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

#include <cmath>
#include <cstdio>
#include <ctime>
#include <numbers>
#include <vector>

using namespace reelcase::swf;

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 60;
constexpr int kFps = 12;
constexpr int kFrameSamples = kRate / kFps;

double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// A chord that changes every half second, both channels a little apart.
std::vector<std::int16_t> music() {
    std::vector<std::int16_t> out(std::size_t(kRate) * kSeconds * 2);
    for (int i = 0; i < kRate * kSeconds; ++i) {
        const int step = i / (kRate / 2);
        const double f = 220.0 * std::pow(2.0, (step % 12) / 12.0);
        const double t = double(i) / kRate;
        const double v = 0.3 * std::sin(2 * std::numbers::pi * f * t) +
                         0.2 * std::sin(2 * std::numbers::pi * f * 1.5 * t) +
                         0.1 * std::sin(2 * std::numbers::pi * f * 2.01 * t);
        out[std::size_t(i) * 2] = static_cast<std::int16_t>(v * 20000);
        out[std::size_t(i) * 2 + 1] = static_cast<std::int16_t>(v * 18000);
    }
    return out;
}

// MP3 frames (1152 samples each) of pcm; empty when there is no MP3 encoder.
std::vector<QByteArray> encodeMp3(const std::vector<std::int16_t>& pcm) {
    std::vector<QByteArray> frames;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MP3);
    if (!codec)
        return frames;
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    ctx->sample_rate = kRate;
    ctx->bit_rate = 128000;
    av_channel_layout_default(&ctx->ch_layout, 2);
    ctx->sample_fmt = codec->sample_fmts[0];
    if (avcodec_open2(ctx, codec, nullptr) < 0) {
        avcodec_free_context(&ctx);
        return frames;
    }
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    const int total = static_cast<int>(pcm.size() / 2);
    for (int at = 0; at + ctx->frame_size <= total; at += ctx->frame_size) {
        frame->nb_samples = ctx->frame_size;
        frame->format = ctx->sample_fmt;
        av_channel_layout_copy(&frame->ch_layout, &ctx->ch_layout);
        frame->sample_rate = kRate;
        av_frame_get_buffer(frame, 0);
        for (int i = 0; i < frame->nb_samples; ++i)
            for (int c = 0; c < 2; ++c) {
                const std::int16_t v = pcm[std::size_t(at + i) * 2 + std::size_t(c)];
                if (ctx->sample_fmt == AV_SAMPLE_FMT_S32P)
                    reinterpret_cast<std::int32_t*>(frame->data[c])[i] = v * 65536;
                else if (ctx->sample_fmt == AV_SAMPLE_FMT_FLTP)
                    reinterpret_cast<float*>(frame->data[c])[i] = v / 32768.0f;
                else if (ctx->sample_fmt == AV_SAMPLE_FMT_S16P)
                    reinterpret_cast<std::int16_t*>(frame->data[c])[i] = v;
                else
                    reinterpret_cast<std::int16_t*>(frame->data[0])[i * 2 + c] = v;
            }
        avcodec_send_frame(ctx, frame);
        av_frame_unref(frame);
        while (avcodec_receive_packet(ctx, packet) == 0) {
            frames.emplace_back(reinterpret_cast<const char*>(packet->data), packet->size);
            av_packet_unref(packet);
        }
    }
    avcodec_send_frame(ctx, nullptr);
    while (avcodec_receive_packet(ctx, packet) == 0) {
        frames.emplace_back(reinterpret_cast<const char*>(packet->data), packet->size);
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&ctx);
    return frames;
}

// Silent MPEG-1 layer III frames, 128 kbit/s at 44.1 kHz: valid headers, zero side info.
std::vector<QByteArray> silentMp3(int count) {
    QByteArray frame(417, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(0xFB);
    frame[2] = char(0x90);
    frame[3] = char(0x64);
    return std::vector<QByteArray>(std::size_t(count), frame);
}

QByteArray mp3Movie(const std::vector<QByteArray>& frames) {
    write::SwfWriter w({100, 100}, kFps);
    write::soundStreamHead(w, {SoundCodec::Mp3, 3, true, true}, kFrameSamples, 1105);
    std::size_t next = 0;
    for (int f = 0; f < kSeconds * kFps; ++f) {
        QByteArray block;
        while (next < frames.size() &&
               std::int64_t(next) * 1152 < std::int64_t(f + 1) * kFrameSamples)
            block += frames[next++];
        write::soundStreamBlock(w, write::mp3StreamBlock(kFrameSamples, 0, block));
        w.showFrame();
    }
    return w.finish();
}

QByteArray pcmMovie(const std::vector<std::int16_t>& pcm) {
    write::SwfWriter w({100, 100}, kFps);
    write::soundStreamHead(w, {SoundCodec::PcmLittle, 3, true, true}, kFrameSamples);
    for (int f = 0; f < kSeconds * kFps; ++f) {
        const auto* at =
            reinterpret_cast<const char*>(pcm.data() + std::size_t(f) * kFrameSamples * 2);
        write::soundStreamBlock(w, QByteArray(at, kFrameSamples * 4));
        w.showFrame();
    }
    return w.finish();
}

struct Cost {
    double seconds = -1; // CPU time to play the whole stream
    double heard = 0;    // seconds of it that were not silent (a check that it decoded)
};

// Plays the whole stream through the mixer in device-sized pulls.
Cost playCost(const QByteArray& file) {
    const auto movie = parseMovie(file);
    if (!movie)
        return {};
    Player player;
    player.setMovie(movie);
    SoundMixer& mixer = *player.soundMixer();
    std::vector<std::int16_t> buffer(2048 * 2);
    Cost cost;
    std::int64_t loud = 0;
    double spent = 0;
    for (int pulled = 0; pulled < kRate * kSeconds; pulled += 2048) {
        const double start = threadSeconds();
        mixer.mix(buffer.data(), 2048);
        spent += threadSeconds() - start;
        for (std::size_t i = 0; i < buffer.size(); i += 2)
            loud += std::abs(buffer[i]) > 100;
    }
    cost.seconds = spent;
    cost.heard = double(loud) / kRate;
    return cost;
}

} // namespace

int main() {
    const std::vector<std::int16_t> pcm = music();
    std::vector<QByteArray> frames = encodeMp3(pcm);
    const bool real = !frames.empty();
    if (!real)
        frames = silentMp3(kRate * kSeconds / 1152);
    const Cost mp3 = playCost(mp3Movie(frames));
    const Cost raw = playCost(pcmMovie(pcm));
    std::printf("stream of %d s, 44.1 kHz stereo, 12 fps blocks, mixed in pulls of 2048\n",
                kSeconds);
    std::printf("  MP3 128 kbit/s (%s): %.1f ms CPU = %.3f%% of one core (%.1f s heard)\n",
                real ? "encoded here by libavcodec" : "silent frames: no MP3 encoder here",
                mp3.seconds * 1000, 100 * mp3.seconds / kSeconds, mp3.heard);
    std::printf("  uncompressed 16-bit: %.1f ms CPU = %.3f%% of one core (%.1f s heard)\n",
                raw.seconds * 1000, 100 * raw.seconds / kSeconds, raw.heard);
    std::printf("  MP3 / uncompressed: x%.2f\n", raw.seconds > 0 ? mp3.seconds / raw.seconds : 0.0);
    return 0;
}
