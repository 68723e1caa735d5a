#pragma once

#include <QString>

namespace reelcase {

// The values that the whole program shares for the life of a run. Start-up fills
// them; the commands read and update them. Paths use "/" and carry no trailing "/"
// (a chosen root folder "/" excepted); WindowsFolder ends in "/".
struct SharedValues {
    QString CurrentFlashPath; // the file chosen last; empty until the first choice, never cleared
    QString FavoritesFolder;  // persisted as the "fpath" setting
    QString CacheFolder;      // the browser cache; may be empty
    QString WindowsFolder;    // the per-user data folder + "/"
};

} // namespace reelcase
