#include "platform/settings_store.h"

#include <QSettings>

namespace reelcase {
namespace {

QSettings openStore() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("reelkit"),
                     QStringLiteral("reelkit"));
}

const QString kFavoritesFolderKey = QStringLiteral("reelkit/fpath");

} // namespace

SettingsStore::~SettingsStore() = default;

QString QtSettingsStore::favoritesFolder() const {
    return openStore().value(kFavoritesFolderKey).toString();
}

bool QtSettingsStore::setFavoritesFolder(const QString& path, QString* error) {
    QSettings store = openStore();
    store.setValue(kFavoritesFolderKey, path);
    store.sync();
    if (store.status() == QSettings::NoError)
        return true;
    if (error)
        *error = QStringLiteral("设置文件“%1”无法写入").arg(store.fileName());
    return false;
}

} // namespace reelcase
