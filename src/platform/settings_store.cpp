#include "platform/settings_store.h"

#include <QSettings>

namespace reelcase {
namespace {

const QString kFavoritesFolderKey = QStringLiteral("reelkit/fpath");

} // namespace

QSettings openSettingsFile() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("reelkit"),
                     QStringLiteral("reelkit"));
}

SettingsStore::~SettingsStore() = default;

QString QtSettingsStore::favoritesFolder() const {
    return openSettingsFile().value(kFavoritesFolderKey).toString();
}

bool QtSettingsStore::setFavoritesFolder(const QString& path, QString* error) {
    QSettings store = openSettingsFile();
    store.setValue(kFavoritesFolderKey, path);
    store.sync();
    if (store.status() == QSettings::NoError)
        return true;
    if (error)
        *error = QStringLiteral("设置文件“%1”无法写入").arg(store.fileName());
    return false;
}

} // namespace reelcase
