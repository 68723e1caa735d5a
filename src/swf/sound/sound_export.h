#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace reelcase::swf {

class Movie;

// One sound of a movie as a file of its own.
struct ExportedSound {
    QString name;   // "stream" for the main timeline's stream, else "sound<id>"
    QString suffix; // "mp3" (the frames as stored, not coded again) or "wav"
    QByteArray bytes;
};

// The movie's sound track: the main timeline's stream first (when it has one), then every
// event sound in id order. MP3 stays MP3; every other format is decoded to 16-bit
// stereo WAV at 44.1 kHz. Sounds that yield nothing are left out.
std::vector<ExportedSound> exportSounds(const Movie& movie);

// A RIFF WAVE file of interleaved stereo 16-bit samples at 44.1 kHz, and its 44-byte
// header alone for dataBytes of samples (for files written as they are made).
QByteArray wavFile(const std::int16_t* samples, std::size_t count);
QByteArray wavHeader(std::uint32_t dataBytes);

} // namespace reelcase::swf
