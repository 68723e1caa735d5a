#pragma once

#include <cstdint>

// Caps that keep a hostile file from exhausting memory or time. Generous for real
// cartoons; each one is checked where the thing it limits is read or built.
namespace reelcase::swf::limits {

inline constexpr std::int64_t maxBodyBytes = 256ll * 1024 * 1024; // decompressed body
inline constexpr int maxTags = 2'000'000;
inline constexpr int maxFrames = 100'000;
inline constexpr int maxStyles = 65'535;
inline constexpr int maxShapeRecords = 500'000; // edges and style changes per shape
inline constexpr int maxGradientStops = 15;
inline constexpr int maxSpriteNesting = 32; // sprites placed inside sprites, while playing
// Sprite instances alive in one movie, each weighing one plus the objects its timeline
// places: a few thousand nested copies of a busy sprite are allowed, not millions.
inline constexpr int maxDisplayObjects = 200'000;
// Objects drawn in one frame; a hostile file cannot make a frame take minutes.
inline constexpr int maxDrawsPerFrame = 200'000;
inline constexpr int maxActionsPerFrame = 100'000;
// Bitmaps: the authoring tool's own limits per bitmap (8191 a side, 2^24 - 1 pixels), and
// decoded pixels a movie may hold in all.
inline constexpr int maxBitmapSide = 8191;
inline constexpr std::int64_t maxBitmapPixels = 16'777'215;
inline constexpr std::int64_t maxBitmapBytesPerMovie = 1024ll * 1024 * 1024;
// Text: glyph entries per tag and path elements of all its glyphs together (a few glyph
// records must not multiply a complex glyph without end); characters of a field's text
// laid out; HTML nesting followed (closing tags still balance past it).
inline constexpr int maxGlyphsPerText = 100'000;
inline constexpr std::int64_t maxTextPathElements = 1'000'000;
inline constexpr std::int64_t maxEditTextLength = 200'000;
inline constexpr std::int64_t maxHtmlNesting = 256;
// Style sheets: characters of CSS read at once, and styles one sheet holds.
inline constexpr std::int64_t maxCssLength = 1'000'000;
inline constexpr int maxStyleSheetStyles = 10'000;
// Sound: an event sound decodes to at most ten minutes; a movie's decoded event sounds to
// 512 MiB (44.1 kHz stereo, 16 bits); voices sounding at once, as Flash allowed; decoded
// stream audio buffered ahead of the mixer; start requests kept per frame.
inline constexpr int maxSoundSeconds = 600;
inline constexpr std::int64_t maxSoundBytesPerMovie = 512ll * 1024 * 1024;
inline constexpr int maxVoices = 32;
inline constexpr int maxStreamBufferFrames = 44100 * 4;
inline constexpr int maxStartSoundsPerFrame = 256;
// Scripts: values on the stack.
inline constexpr int maxStackDepth = 4096;

} // namespace reelcase::swf::limits
