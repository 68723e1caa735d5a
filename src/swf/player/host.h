#pragma once

#include "swf/script/script_host.h"
#include "swf/text/device_fonts.h"

namespace reelcase::swf {

// Everything the engine needs from the program around it, in one place: scripts' requests
// (trace, URLs, files beside the movie, the time of day) and the installed fonts. The
// program's Qt implementations live outside the engine; tests use fakes.
class Host : public ScriptHost, public DeviceFonts {};

} // namespace reelcase::swf
