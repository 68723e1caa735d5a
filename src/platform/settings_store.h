#pragma once

#include <QSettings>
#include <QString>

namespace reelcase {

// The seam to the per-user settings store, whose one setting is the favorites folder. The
// program gets QtSettingsStore; tests get a fake. Both may be used from any thread.
class SettingsStore {
public:
    virtual ~SettingsStore();

    // The stored favorites folder, or an empty string when none is stored.
    virtual QString favoritesFolder() const = 0;
    // Stores the favorites folder at once. False when it could not be stored, with the
    // reason, in words for the user, in *error when error is not null.
    virtual bool setFavoritesFolder(const QString& path, QString* error = nullptr) = 0;
};

// The favorites folder as "fpath" in group "reelkit" of the user-scope INI file of
// organisation and application "reelkit" (normally ~/.config/reelkit/reelkit.ini).
class QtSettingsStore final : public SettingsStore {
public:
    QString favoritesFolder() const override;
    bool setFavoritesFolder(const QString& path, QString* error = nullptr) override;
};

// The settings file itself, for the few values kept beside the favorites folder.
QSettings openSettingsFile();

} // namespace reelcase
