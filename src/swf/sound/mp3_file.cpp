#include "swf/sound/mp3_file.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstdint>

namespace reelcase::swf {
namespace {

int syncSafe(const std::uint8_t* p) {
    return (p[0] & 0x7F) << 21 | (p[1] & 0x7F) << 14 | (p[2] & 0x7F) << 7 | (p[3] & 0x7F);
}

// The size of a leading ID3v2 tag with its header, 0 when there is none.
qsizetype id3TagSize(const QByteArray& file) {
    if (file.size() < 10 || !file.startsWith("ID3"))
        return 0;
    return 10 + syncSafe(reinterpret_cast<const std::uint8_t*>(file.constData()) + 6);
}

// Text in one of ID3's four encodings, up to its terminator.
QString id3Text(int encoding, QByteArrayView bytes) {
    QStringDecoder decoder(encoding == 0   ? QStringConverter::Latin1
                           : encoding == 1 ? QStringConverter::Utf16
                           : encoding == 2 ? QStringConverter::Utf16BE
                                           : QStringConverter::Utf8);
    QString text = decoder.decode(bytes);
    if (const qsizetype end = text.indexOf(QChar(0)); end >= 0)
        text.truncate(end);
    return text;
}

// Where a comment's text starts after its language and terminated description.
qsizetype commentTextStart(int encoding, QByteArrayView body) {
    const bool wide = encoding == 1 || encoding == 2;
    for (qsizetype i = 3; i + (wide ? 1 : 0) < body.size(); i += wide ? 2 : 1)
        if (body[i] == 0 && (!wide || body[i + 1] == 0))
            return i + (wide ? 2 : 1);
    return body.size();
}

} // namespace

double mp3FileSeconds(const QByteArray& file) {
    const auto* d = reinterpret_cast<const std::uint8_t*>(file.constData());
    const qsizetype size = file.size();
    qsizetype at = id3TagSize(file);
    static constexpr int kBitrates[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    static constexpr int kRates[3] = {44100, 48000, 32000};
    std::int64_t samples = 0;
    int rate = 0;
    while (at + 4 <= size) {
        const int version = (d[at + 1] >> 3) & 3; // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
        const int layer = 4 - ((d[at + 1] >> 1) & 3);
        const int bitrateIndex = d[at + 2] >> 4, rateIndex = (d[at + 2] >> 2) & 3;
        if (d[at] != 0xFF || (d[at + 1] & 0xE0) != 0xE0 || version == 1 || layer == 4 ||
            bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) {
            ++at; // not a frame: look further
            continue;
        }
        const bool mpeg1 = version == 3;
        const int frameRate = kRates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
        const int bitrate = kBitrates[mpeg1 ? 0 : 1][layer - 1][bitrateIndex] * 1000;
        const int padding = (d[at + 2] >> 1) & 1;
        const int perFrame = layer == 1 ? 384 : layer == 2 || mpeg1 ? 1152 : 576;
        const qsizetype bytes = layer == 1 ? (12 * bitrate / frameRate + padding) * 4
                                           : perFrame / 8 * bitrate / frameRate + padding;
        if (!rate)
            rate = frameRate;
        samples += perFrame;
        at += std::max<qsizetype>(bytes, 4);
    }
    return rate ? double(samples) / rate : 0;
}

std::vector<std::pair<QString, QString>> id3TextFrames(const QByteArray& file) {
    std::vector<std::pair<QString, QString>> frames;
    const qsizetype end = std::min(id3TagSize(file), file.size());
    const int version = end ? file[3] : 0;
    if (version != 3 && version != 4)
        return frames;
    const auto* d = reinterpret_cast<const std::uint8_t*>(file.constData());
    for (qsizetype at = 10; at + 10 <= end && d[at] != 0 && frames.size() < 1000;) {
        const QString id = QString::fromLatin1(file.constData() + at, 4);
        const qsizetype size = version == 4 ? syncSafe(d + at + 4)
                                            : qsizetype(d[at + 4]) << 24 | d[at + 5] << 16 |
                                                  d[at + 6] << 8 | d[at + 7];
        if (size < 0 || size > end - at - 10)
            break;
        const QByteArrayView body(file.constData() + at + 10, size);
        at += 10 + size;
        if (body.isEmpty() || (!id.startsWith(QLatin1Char('T')) && id != QLatin1String("COMM")))
            continue;
        const int encoding = std::min<int>(body[0], 3);
        QByteArrayView text = body.sliced(1);
        if (id == QLatin1String("COMM"))
            text = text.sliced(commentTextStart(encoding, text));
        frames.emplace_back(id, id3Text(encoding, text));
    }
    return frames;
}

} // namespace reelcase::swf
