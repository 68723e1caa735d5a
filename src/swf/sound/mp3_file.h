#pragma once

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

namespace reelcase::swf {

// What a script learns of an MP3 file it loads (Sound.loadSound) before playing it.

// The file's length by its frame headers (every frame, the encoder's info frame too), at
// the first frame's rate; 0 when no frame is found. A leading ID3v2 tag is passed over.
double mp3FileSeconds(const QByteArray& file);

// The text of a leading ID3v2.3/2.4 tag: each text frame (T...) and comment (COMM) by its
// frame id, in file order. A frame id seen again comes again.
std::vector<std::pair<QString, QString>> id3TextFrames(const QByteArray& file);

} // namespace reelcase::swf
