#pragma once

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <vector>

namespace reelcase::test {

// Encodes interleaved 16-bit samples with one of libavcodec's encoders (by name, such as
// "libmp3lame", "adpcm_swf", "nellymoser") and returns its packets; empty when the
// encoder is not available here.
QList<QByteArray> encodeAudio(const char* encoder, const std::vector<std::int16_t>& samples,
                              int rate, int channels, int bitRate = 128000);

// A sine tone as interleaved 16-bit samples.
std::vector<std::int16_t> tone(double frequency, int frames, int rate, int channels,
                               int amplitude = 12000);

} // namespace reelcase::test
