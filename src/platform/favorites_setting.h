#pragma once

#include <QString>

namespace reelcase {

// The program's one setting: the favorites folder, stored as "fpath" in group "reelkit"
// of the user-scope INI file of organisation and application "reelkit"
// (normally ~/.config/reelkit/reelkit.ini).
class FavoritesSetting {
public:
    // The stored path, or an empty string when none is stored.
    static QString read();
    // Stores the path at once; false when the settings file could not be written.
    static bool write(const QString& path);
};

} // namespace reelcase
