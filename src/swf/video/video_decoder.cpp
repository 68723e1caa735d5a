// Video through libavcodec. Pictures come out as planar YUV (with an alpha plane for VP6
// with alpha) or packed BGR (screen video) and are turned into premultiplied ARGB32 here.

#include "swf/video/video_decoder.h"

#include "swf/format/limits.h"
#include "swf/sound/sound_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>

namespace reelcase::swf {
namespace {

AVCodecID codecId(VideoCodec codec) {
    switch (codec) {
    case VideoCodec::SorensonH263:
        return AV_CODEC_ID_FLV1;
    case VideoCodec::ScreenVideo:
        return AV_CODEC_ID_FLASHSV;
    case VideoCodec::Vp6:
        return AV_CODEC_ID_VP6F;
    case VideoCodec::Vp6Alpha:
        return AV_CODEC_ID_VP6A;
    case VideoCodec::ScreenVideo2:
        return AV_CODEC_ID_FLASHSV2;
    case VideoCodec::H264:
        return AV_CODEC_ID_H264;
    }
    return AV_CODEC_ID_NONE;
}

std::uint8_t clampByte(int v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

// BT.601 with studio range, as Flash Player converted its video (16.16 fixed point). With
// an alpha plane (VP6 with alpha) the colour planes hold colour already multiplied by it.
QRgb fromYuv(int y, int u, int v, int alpha) {
    const int c = (y - 16) * 76309;
    const int d = u - 128;
    const int e = v - 128;
    const std::uint8_t r = clampByte((c + 104597 * e + 32768) >> 16);
    const std::uint8_t g = clampByte((c - 25675 * d - 53279 * e + 32768) >> 16);
    const std::uint8_t b = clampByte((c + 132201 * d + 32768) >> 16);
    if (alpha == 255)
        return qRgb(r, g, b);
    const auto a = static_cast<std::uint8_t>(alpha);
    return qRgba(std::min(r, a), std::min(g, a), std::min(b, a), a);
}

QImage fromPlanar(const AVFrame& f, bool hasAlpha) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(f.format));
    if (!desc)
        return {};
    const int sx = desc->log2_chroma_w;
    const int sy = desc->log2_chroma_h;
    QImage out(f.width, f.height, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return {};
    for (int y = 0; y < f.height; ++y) {
        const std::uint8_t* luma = f.data[0] + std::ptrdiff_t(y) * f.linesize[0];
        const std::uint8_t* cb = f.data[1] + std::ptrdiff_t(y >> sy) * f.linesize[1];
        const std::uint8_t* cr = f.data[2] + std::ptrdiff_t(y >> sy) * f.linesize[2];
        const std::uint8_t* alpha =
            hasAlpha ? f.data[3] + std::ptrdiff_t(y) * f.linesize[3] : nullptr;
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < f.width; ++x)
            line[x] = fromYuv(luma[x], cb[x >> sx], cr[x >> sx], alpha ? alpha[x] : 255);
    }
    return out;
}

QImage fromBgr(const AVFrame& f) {
    QImage out(f.width, f.height, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return {};
    for (int y = 0; y < f.height; ++y) {
        const std::uint8_t* in = f.data[0] + std::ptrdiff_t(y) * f.linesize[0];
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < f.width; ++x)
            line[x] = qRgb(in[3 * x + 2], in[3 * x + 1], in[3 * x]);
    }
    return out;
}

QImage toImage(const AVFrame& f) {
    switch (f.format) {
    case AV_PIX_FMT_YUV420P:
    case AV_PIX_FMT_YUVJ420P:
    case AV_PIX_FMT_YUV422P:
    case AV_PIX_FMT_YUV444P:
        return fromPlanar(f, false);
    case AV_PIX_FMT_YUVA420P:
        return fromPlanar(f, true);
    case AV_PIX_FMT_BGR24:
        return fromBgr(f);
    default:
        return {}; // a format these codecs do not produce for SWF video
    }
}

class AvVideoDecoder final : public VideoDecoder {
public:
    ~AvVideoDecoder() override {
        av_frame_free(&m_frame);
        av_packet_free(&m_packet);
        avcodec_free_context(&m_codec);
    }

    bool open(VideoCodec codec, const VideoDecoderSetup& setup) {
        const AVCodec* c = avcodec_find_decoder(codecId(codec));
        if (!c)
            return false;
        m_codec = avcodec_alloc_context3(c);
        m_frame = av_frame_alloc();
        m_packet = av_packet_alloc();
        if (!m_codec || !m_frame || !m_packet)
            return false;
        // A hostile stream may claim any size: pictures stay within a bitmap's limits.
        m_codec->max_pixels = limits::maxBitmapPixels;
        m_codec->thread_count = 1;
        // Flash Player inverse-transformed Sorenson pictures exactly; libavcodec's default
        // integer transform puts a level or two of error on fine detail and gradients.
        if (codec == VideoCodec::SorensonH263)
            m_codec->idct_algo = FF_IDCT_FAAN;
        const bool vp6 = codec == VideoCodec::Vp6 || codec == VideoCodec::Vp6Alpha;
        if (vp6 && setup.deblocking == 1)
            m_codec->skip_loop_filter = AVDISCARD_ALL;
        const QSize shown = setup.shownSize;
        // Given the shown size before the first picture, libavcodec's VP6 decoder keeps it
        // when it rounds up to the coded macroblocks, as a container's cropping.
        if (vp6 && setup.extradata.isEmpty() && !shown.isEmpty() &&
            std::int64_t(shown.width()) * shown.height() <= limits::maxBitmapPixels) {
            m_codec->width = shown.width();
            m_codec->height = shown.height();
        }
        if (!setCodecExtradata(*m_codec, setup.extradata, 1 << 16))
            return false;
        return avcodec_open2(m_codec, c, nullptr) == 0;
    }

    QImage decode(const QByteArray& packet) override {
        if (packet.isEmpty() || av_new_packet(m_packet, static_cast<int>(packet.size())) < 0)
            return {};
        std::copy(packet.cbegin(), packet.cend(), m_packet->data);
        const int sent = avcodec_send_packet(m_codec, m_packet);
        av_packet_unref(m_packet);
        if (sent < 0 && sent != AVERROR(EAGAIN))
            return {};
        QImage picture;
        while (avcodec_receive_frame(m_codec, m_frame) == 0) {
            if (m_frame->width > 0 && m_frame->height > 0 &&
                std::int64_t(m_frame->width) * m_frame->height <= limits::maxBitmapPixels)
                picture = toImage(*m_frame);
            av_frame_unref(m_frame);
        }
        return picture;
    }

    void reset() override { avcodec_flush_buffers(m_codec); }

private:
    AVCodecContext* m_codec = nullptr;
    AVPacket* m_packet = nullptr;
    AVFrame* m_frame = nullptr;
};

} // namespace

bool isKnownVideoCodec(int codecId) {
    return codecId >= int(VideoCodec::SorensonH263) && codecId <= int(VideoCodec::H264);
}

std::unique_ptr<VideoDecoder> makeVideoDecoder(VideoCodec codec, const VideoDecoderSetup& setup) {
    av_log_set_level(AV_LOG_QUIET); // corrupt input is expected; failures are handled here
    auto decoder = std::make_unique<AvVideoDecoder>();
    if (!decoder->open(codec, setup))
        return nullptr;
    return decoder;
}

} // namespace reelcase::swf
