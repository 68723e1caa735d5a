#pragma once

namespace reelcase::swf {

class BitReader;
class TagTable;
struct SoundInfo;

// DefineSound, StartSound 1-2, SoundStreamHead 1-2, SoundStreamBlock and DefineButtonSound.
void registerSoundTags(TagTable& table);

// A SOUNDINFO record (envelope points capped by the byte at its head).
SoundInfo readSoundInfo(BitReader& r);

} // namespace reelcase::swf
