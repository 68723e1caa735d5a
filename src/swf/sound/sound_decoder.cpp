// SWF audio through libavcodec; every decoded frame goes through libswresample to the
// mixer's format, set up again whenever a frame's own rate or layout changes (a hostile
// MP3 stream may switch between frames).

#include "swf/sound/sound_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>

namespace reelcase::swf {
namespace {

constexpr int kMaxInputRate = 192000;
// Codecs without a parser take their input in pieces of at most this many bytes, so one
// decoded frame stays small whatever the sound's length.
constexpr std::int64_t kChunkBytes = 64 * 1024;

AVCodecID codecId(const SoundFormat& f) {
    switch (f.codec) {
    case SoundCodec::PcmNative:
    case SoundCodec::PcmLittle:
        return f.sixteenBit ? AV_CODEC_ID_PCM_S16LE : AV_CODEC_ID_PCM_U8;
    case SoundCodec::Adpcm:
        return AV_CODEC_ID_ADPCM_SWF;
    case SoundCodec::Mp3:
        return AV_CODEC_ID_MP3;
    case SoundCodec::Nellymoser16k:
    case SoundCodec::Nellymoser8k:
    case SoundCodec::Nellymoser:
        return AV_CODEC_ID_NELLYMOSER;
    case SoundCodec::Speex:
        return AV_CODEC_ID_SPEEX;
    case SoundCodec::Aac:
        return AV_CODEC_ID_AAC;
    }
    return AV_CODEC_ID_NONE;
}

// Bytes that can be cut anywhere on this boundary without breaking a packet.
std::int64_t chunkAlignment(const SoundFormat& f) {
    switch (f.codec) {
    case SoundCodec::PcmNative:
    case SoundCodec::PcmLittle:
        return f.channels() * (f.sixteenBit ? 2 : 1);
    case SoundCodec::Nellymoser16k:
    case SoundCodec::Nellymoser8k:
    case SoundCodec::Nellymoser:
        return 64;
    default:
        return 0; // one packet (ADPCM, Speex) or split by the parser (MP3)
    }
}

class AvSoundDecoder final : public SoundDecoder {
public:
    explicit AvSoundDecoder(const SoundFormat& format)
        : m_format(format) {}

    ~AvSoundDecoder() override {
        swr_free(&m_swr);
        av_frame_free(&m_frame);
        av_packet_free(&m_packet);
        av_parser_close(m_parser);
        avcodec_free_context(&m_codec);
    }

    bool open(const QByteArray& config) {
        const AVCodec* codec = nullptr;
        // A Speex packet in a SWF holds several frames; libavcodec's own Speex decoder reads
        // only the first of them, the libspeex wrapper reads them all.
        if (m_format.codec == SoundCodec::Speex)
            codec = avcodec_find_decoder_by_name("libspeex");
        if (!codec)
            codec = avcodec_find_decoder(codecId(m_format));
        if (!codec)
            return false;
        m_codec = avcodec_alloc_context3(codec);
        m_frame = av_frame_alloc();
        m_packet = av_packet_alloc();
        if (!m_codec || !m_frame || !m_packet)
            return false;
        m_codec->sample_rate = m_format.rate;
        av_channel_layout_default(&m_codec->ch_layout, m_format.channels());
        if (m_format.codec == SoundCodec::Mp3)
            m_parser = av_parser_init(AV_CODEC_ID_MP3);
        if (!setCodecExtradata(*m_codec, config, 1 << 12))
            return false;
        return avcodec_open2(m_codec, codec, nullptr) == 0;
    }

    bool decode(const char* data, std::int64_t size, std::vector<std::int16_t>& out) override {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
        bool any = false;
        if (m_parser) {
            while (size > 0) {
                // The parser reads up to the padding past its input when it joins a frame
                // split between blocks, so it gets a padded copy, never the movie's bytes.
                const int piece = static_cast<int>(std::min<std::int64_t>(size, 1 << 20));
                m_padded.assign(std::size_t(piece) + AV_INPUT_BUFFER_PADDING_SIZE, 0);
                std::copy(bytes, bytes + piece, m_padded.begin());
                const std::uint8_t* at = m_padded.data();
                int left = piece;
                while (left > 0) {
                    std::uint8_t* frame = nullptr;
                    int frameSize = 0;
                    const int used = av_parser_parse2(m_parser, m_codec, &frame, &frameSize, at,
                                                      left, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
                    if (used < 0 || (used == 0 && frameSize == 0))
                        return any;
                    at += used;
                    left -= used;
                    if (frameSize > 0)
                        any |= sendPacket(frame, frameSize, out);
                }
                bytes += piece;
                size -= piece;
            }
            return any;
        }
        const std::int64_t align = chunkAlignment(m_format);
        if (align == 0)
            return sendPacket(bytes, static_cast<int>(std::min<std::int64_t>(size, INT32_MAX / 2)),
                              out);
        const std::int64_t chunk = kChunkBytes / align * align;
        for (std::int64_t at = 0; at + align <= size; at += chunk) {
            const std::int64_t n = std::min(chunk, (size - at) / align * align);
            any |= sendPacket(bytes + at, static_cast<int>(n), out);
        }
        return any;
    }

    void flush(std::vector<std::int16_t>& out) override {
        if (m_parser) {
            std::uint8_t* frame = nullptr;
            int frameSize = 0;
            av_parser_parse2(m_parser, m_codec, &frame, &frameSize, nullptr, 0, AV_NOPTS_VALUE,
                             AV_NOPTS_VALUE, 0);
            if (frameSize > 0)
                sendPacket(frame, frameSize, out);
        }
        if (avcodec_send_packet(m_codec, nullptr) == 0)
            receiveFrames(out);
        avcodec_flush_buffers(m_codec);
        if (m_swr)
            convert(nullptr, 0, out);
    }

private:
    bool sendPacket(const std::uint8_t* data, int size, std::vector<std::int16_t>& out) {
        if (size <= 0)
            return false;
        // A copy with the padding the codecs may read past the end.
        if (av_new_packet(m_packet, size) < 0)
            return false;
        std::copy(data, data + size, m_packet->data);
        const int sent = avcodec_send_packet(m_codec, m_packet);
        av_packet_unref(m_packet);
        if (sent < 0 && sent != AVERROR(EAGAIN))
            return false;
        return receiveFrames(out);
    }

    bool receiveFrames(std::vector<std::int16_t>& out) {
        bool any = false;
        while (avcodec_receive_frame(m_codec, m_frame) == 0) {
            if (configure(*m_frame)) {
                convert(const_cast<const std::uint8_t**>(m_frame->extended_data),
                        m_frame->nb_samples, out);
                any = true;
            }
            av_frame_unref(m_frame);
        }
        return any;
    }

    // (Re)builds the resampler for a frame's own rate, layout and sample format.
    bool configure(const AVFrame& f) {
        if (f.sample_rate <= 0 || f.sample_rate > kMaxInputRate || f.ch_layout.nb_channels < 1 ||
            f.ch_layout.nb_channels > 2 || f.nb_samples <= 0)
            return false;
        if (m_swr && f.sample_rate == m_inRate && f.format == m_inFormat &&
            f.ch_layout.nb_channels == m_inChannels)
            return true;
        swr_free(&m_swr);
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        AVChannelLayout in;
        av_channel_layout_default(&in, f.ch_layout.nb_channels);
        const int ok =
            swr_alloc_set_opts2(&m_swr, &stereo, AV_SAMPLE_FMT_S16, kMixRate, &in,
                                static_cast<AVSampleFormat>(f.format), f.sample_rate, 0, nullptr);
        // Mono plays at full level on both sides, not 3 dB down as a centre channel would.
        static constexpr double kBothSides[2] = {1.0, 1.0};
        if (ok >= 0 && f.ch_layout.nb_channels == 1)
            swr_set_matrix(m_swr, kBothSides, 1);
        if (ok < 0 || swr_init(m_swr) < 0) {
            swr_free(&m_swr);
            return false;
        }
        m_inRate = f.sample_rate;
        m_inFormat = f.format;
        m_inChannels = f.ch_layout.nb_channels;
        return true;
    }

    void convert(const std::uint8_t** in, int samples, std::vector<std::int16_t>& out) {
        const int room = swr_get_out_samples(m_swr, samples);
        if (room <= 0)
            return;
        const std::size_t at = out.size();
        out.resize(at + static_cast<std::size_t>(room) * 2);
        auto* dst = reinterpret_cast<std::uint8_t*>(out.data() + at);
        const int made = swr_convert(m_swr, &dst, room, in, samples);
        out.resize(at + static_cast<std::size_t>(std::max(made, 0)) * 2);
    }

    SoundFormat m_format;
    AVCodecContext* m_codec = nullptr;
    AVCodecParserContext* m_parser = nullptr;
    AVPacket* m_packet = nullptr;
    AVFrame* m_frame = nullptr;
    std::vector<std::uint8_t> m_padded;
    SwrContext* m_swr = nullptr;
    int m_inRate = 0;
    int m_inFormat = -1;
    int m_inChannels = 0;
};

} // namespace

bool setCodecExtradata(AVCodecContext& codec, const QByteArray& data, int maxBytes) {
    if (data.isEmpty())
        return true;
    const auto n = static_cast<int>(std::min<qsizetype>(data.size(), maxBytes));
    codec.extradata =
        static_cast<std::uint8_t*>(av_mallocz(std::size_t(n) + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!codec.extradata)
        return false;
    std::copy_n(data.constData(), n, codec.extradata);
    codec.extradata_size = n;
    return true;
}

std::unique_ptr<SoundDecoder> makeSoundDecoder(const SoundFormat& format,
                                               const QByteArray& config) {
    const bool aac = format.codec == SoundCodec::Aac && !config.isEmpty();
    if (!(format.known() || aac) || format.rate <= 0)
        return nullptr;
    av_log_set_level(AV_LOG_QUIET); // corrupt input is expected; failures are handled here
    auto decoder = std::make_unique<AvSoundDecoder>(format);
    if (!decoder->open(config))
        return nullptr;
    return decoder;
}

} // namespace reelcase::swf
