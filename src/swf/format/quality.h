#pragma once

namespace reelcase::swf {

// Flash's drawing qualities: low draws without anti-aliasing.
enum class Quality { Low, Medium, High };

} // namespace reelcase::swf
