#include "startup/environment.h"

#include "platform/browser_cache_locator.h"
#include "platform/favorites_setting.h"

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

SharedValues settleEnvironment(const QProcessEnvironment& environment) {
    SharedValues values;
    values.WindowsFolder = windowsFolder();
    values.CacheFolder = locateBrowserCache(environment);

    const QString saved = FavoritesSetting::read();
    if (!saved.isEmpty()) {
        values.FavoritesFolder = saved;
    } else {
        values.FavoritesFolder = defaultFavoritesFolder(values.WindowsFolder);
        QDir().mkpath(values.FavoritesFolder);
        FavoritesSetting::write(values.FavoritesFolder);
    }
    return values;
}

} // namespace reelcase
