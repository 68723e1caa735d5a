#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <vector>

namespace reelcase::swf {

// Caps on an FLV file a movie plays: its size, one tag's body and the number of tags.
inline constexpr qsizetype kMaxFlvBytes = 256 * 1024 * 1024;
inline constexpr std::uint32_t kMaxFlvTagBytes = 16 * 1024 * 1024;
inline constexpr int kMaxFlvTags = 1'000'000;

// One tag of an FLV file: audio, video or script data, when it is due.
struct FlvTag {
    enum Type : std::uint8_t { Audio = 8, Video = 9, Script = 18 };
    Type type = Script;
    std::int64_t timeMs = 0;
    QByteArray body;
};

// An FLV file read into its tags, in file order. A file cut short keeps the tags before
// the cut; tags of unknown types are left out.
struct FlvFile {
    bool hasAudio = false;
    bool hasVideo = false;
    std::vector<FlvTag> tags;
    bool truncated = false; // a tag was cut short or broken: reading stopped there
    std::int64_t lastTimeMs() const { return tags.empty() ? 0 : tags.back().timeMs; }
};

// Nothing when the bytes do not start as an FLV file or pass kMaxFlvBytes.
std::optional<FlvFile> readFlv(const QByteArray& bytes);

// A video tag's body split up: the codec, whether it starts a key frame and the coded
// picture as a SWF's VideoFrame holds it (VP6's size adjustment byte apart). H.264's
// configuration record comes as a packet of its own (config set).
struct FlvVideoPacket {
    int codecId = 0;
    bool key = false;
    bool config = false;
    std::uint8_t vp6Adjustment = 0; // pixels cut off the right (high 4 bits) and bottom
    QByteArray data;
};
std::optional<FlvVideoPacket> flvVideoPacket(const QByteArray& body);

// An audio tag's body split up: the format (the SWF sound format numbers), rate, sample
// size and channels as its first byte gives them, and the coded sound.
struct FlvAudioPacket {
    int format = 0;
    int rate = 44100;
    bool sixteenBit = true;
    bool stereo = true;
    bool config = false; // AAC's configuration
    QByteArray data;
};
std::optional<FlvAudioPacket> flvAudioPacket(const QByteArray& body);

} // namespace reelcase::swf
