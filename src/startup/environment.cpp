#include "startup/environment.h"

#include "platform/browser_cache_locator.h"
#include "platform/settings_store.h"

#include <QDir>
#include <QStandardPaths>

namespace reelcase {

QString windowsFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (folder.isEmpty())
        folder = QDir::homePath() + QStringLiteral("/.local/share");
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString defaultFavoritesFolder(const QString& windowsFolder) {
    return windowsFolder + QStringLiteral("reelcase");
}

SharedValues settleEnvironment(const QProcessEnvironment& environment, SettingsStore& settings) {
    SharedValues values;
    values.WindowsFolder = windowsFolder();
    values.CacheFolder = locateBrowserCache(environment);

    const QString saved = settings.favoritesFolder();
    if (!saved.isEmpty()) {
        values.FavoritesFolder = saved;
    } else {
        values.FavoritesFolder = defaultFavoritesFolder(values.WindowsFolder);
        QDir().mkpath(values.FavoritesFolder);
        settings.setFavoritesFolder(values.FavoritesFolder);
    }
    return values;
}

} // namespace reelcase
