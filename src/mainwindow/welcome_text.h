#pragma once

#include <QString>

namespace reelcase {

// The welcome text of Text2: nineteen lines joined by CR LF, the last one ending in CR LF
// too. It names the real default favorites folder and the home page's address.
QString welcomeText(const QString& defaultFavoritesFolder, const QString& homePageAddress);

} // namespace reelcase
