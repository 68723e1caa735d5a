#pragma once

#include <QUrl>

namespace reelcase {

// The home page ("/01.htm") and the help page ("/03/reelcase/help.htm"). With a web base
// configured at build time they lie there; otherwise they are the pages installed with
// the program (or, when run from the build tree, the ones in the source tree).
QUrl homePageUrl();
QUrl helpPageUrl();

} // namespace reelcase
