#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QSize>

namespace reelcase::test {

// Frames of one flat colour each, coded as Sorenson H.263 by libavcodec's encoder; the
// first is a key frame, the rest predicted from it unless keyEvery says otherwise. Empty
// when libavcodec has no such encoder.
QList<QByteArray> encodeH263(const QList<QColor>& colours, QSize size, int keyEvery = 100);
// One grey key frame of fine detail (ramps and a pattern), coded as Sorenson H.263;
// empty without the encoder.
QByteArray encodeH263Detail(QSize size);

// A tone of frequency Hz, seconds long, coded by libavcodec's encoder named codec (mono,
// at rate): its packets, and in config what the encoder gives the decoder besides them
// (AAC's AudioSpecificConfig). Empty when libavcodec has no such encoder.
QList<QByteArray> encodeTone(const char* codec, int rate, double hz, double seconds,
                             QByteArray* config = nullptr);

// An FLV file's parts: the header, then tags (type, time, body) with their back pointers.
QByteArray flvHeader(bool audio, bool video);
QByteArray flvTag(int type, qint64 timeMs, const QByteArray& body);
// The script data tag body "onMetaData" with an ECMA array of numbers.
QByteArray flvMetaData(const QList<std::pair<QByteArray, double>>& members);
// An FLV of H.263 pictures, one every frameMs, after an onMetaData tag.
QByteArray flvOfPictures(const QList<QByteArray>& pictures, int frameMs);

} // namespace reelcase::test
