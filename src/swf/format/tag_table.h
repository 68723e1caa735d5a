#pragma once

#include "swf/format/bit_reader.h"

#include <QByteArray>

#include <array>

namespace reelcase::swf {

class Movie;
struct TimelineDef;
struct FrameDef;
struct TagContext;

// Tag codes that the engine itself handles (others register their own).
namespace tag {
enum : int {
    End = 0,
    ShowFrame = 1,
    DefineShape = 2,
    PlaceObject = 4,
    RemoveObject = 5,
    SetBackgroundColor = 9,
    FileAttributes = 69,
    DoAction = 12,
    DefineShape2 = 22,
    PlaceObject2 = 26,
    RemoveObject2 = 28,
    DefineShape3 = 32,
    DefineSprite = 39,
    FrameLabel = 43,
    DefineMorphShape = 46,
    DefineButton = 7,
    DefineButton2 = 34,
    PlaceObject3 = 70,
    DefineShape4 = 83,
    ExportAssets = 56,
    ImportAssets = 57,
    ImportAssets2 = 71,
    DoInitAction = 59,
    DefineMorphShape2 = 84,
    DefineSound = 14,
    StartSound = 15,
    DefineButtonSound = 17,
    SoundStreamHead = 18,
    SoundStreamBlock = 19,
    SoundStreamHead2 = 45,
    StartSound2 = 89,
};
}

using TagHandler = void (*)(TagContext&);

// Maps a tag code to its handler. Definition tags are registered as top-level only: inside
// a DefineSprite they are skipped. Unknown codes are skipped by their length.
class TagTable {
public:
    void add(int code, TagHandler handler, bool topLevelOnly = false);
    TagHandler find(int code, bool inSprite) const;

private:
    struct Entry {
        TagHandler handler = nullptr;
        bool topLevelOnly = false;
    };
    std::array<Entry, 1024> m_entries{};
};

// What lasts for one parse and is not part of the movie it builds.
struct ParseState {
    const TagTable& table;
    int tagBudget = 0;             // tags still allowed in the whole file
    QByteArray jpegTables;         // shared JPEG encoding tables, for DefineBits
    qint64 decodedBitmapBytes = 0; // held against limits::maxBitmapBytesPerMovie
    qint64 decodedSoundBytes = 0;  // held against limits::maxSoundBytesPerMovie
};

// What a handler gets: the tag's own bytes, the parse, and the movie and timeline being
// built.
struct TagContext {
    ParseState& parse;
    Movie& movie;
    TimelineDef& timeline; // root or the sprite being parsed
    FrameDef& frame;       // the frame being collected (ShowFrame closes it)
    BitReader& body;       // exactly the tag's body
    int code = 0;
    qint64 offset = 0; // of the tag header in the body
    bool inSprite = false;
};

// Reads tags until End or the data ends, collecting frames into timeline. Used for the
// root and for DefineSprite bodies.
void parseTags(ParseState& parse, BitReader& r, Movie& movie, TimelineDef& timeline, bool inSprite);

} // namespace reelcase::swf
