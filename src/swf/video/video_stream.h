#pragma once

#include "swf/format/character.h"
#include "swf/video/video_decoder.h"

#include <QByteArray>

#include <vector>

namespace reelcase::swf {

// DefineVideoStream and the VideoFrame tags that fill it: a video embedded in the movie.
// A placement's ratio names the frame shown. Frames are decoded when drawn, in order from
// the last key frame, by a decoder kept in the player's draw cache.
class VideoStream : public Character {
public:
    // deblocking: the tag's level (VideoDecoderSetup::deblocking).
    VideoStream(int frameCount, int width, int height, int codecId, bool smoothing,
                int deblocking = 0);

    QRectF bounds() const override;
    void draw(const DrawArgs& args) const override;
    QPainterPath outline(int ratio) const override;

    // While the movie is read: the coded data of one frame (later copies of a frame
    // number are ignored, as is anything past the declared count).
    void addFrame(int frame, QByteArray data);
    const QByteArray* frame(int n) const;
    // Where decoding must start to show frame n: the nearest key frame at or before it.
    int keyFrameAtOrBefore(int n) const;
    int frameCount() const { return static_cast<int>(m_frames.size()); }
    int codecId() const { return m_codecId; }
    QSize size() const { return {m_width, m_height}; }
    bool smoothing() const { return m_smoothing; }
    int deblocking() const { return m_deblocking; }

private:
    struct Coded {
        QByteArray data;
        bool key = false;
    };
    std::vector<Coded> m_frames;
    int m_width;
    int m_height;
    int m_codecId;
    bool m_smoothing;
    int m_deblocking;
};

// Whether coded data starts a key frame (decodable on its own) for the codec.
bool isKeyFrame(int codecId, const QByteArray& data);

} // namespace reelcase::swf
