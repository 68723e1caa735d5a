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
inline constexpr int maxMorphCacheEntries = 64; // ratios kept per morph shape

} // namespace reelcase::swf::limits
