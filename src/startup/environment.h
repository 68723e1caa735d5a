#pragma once

#include "platform/shared_values.h"

#include <QProcessEnvironment>

namespace reelcase {

class SettingsStore;

// The per-user data folder (normally ~/.local/share) followed by "/".
QString windowsFolder();

// The default favorites folder: WindowsFolder + "reelcase".
QString defaultFavoritesFolder(const QString& windowsFolder);

// Fills WindowsFolder, CacheFolder and FavoritesFolder. On a first run (no "fpath"
// setting) it creates the default favorites folder (an existing one counts as success)
// and saves the setting; a folder that cannot be created leaves the path set anyway.
SharedValues settleEnvironment(const QProcessEnvironment& environment, SettingsStore& settings);

} // namespace reelcase
