#include "platform/favorites_setting.h"

#include "platform/settings_store.h"

namespace reelcase {
namespace {

const QString kKey = QStringLiteral("reelkit/fpath");

} // namespace

QString FavoritesSetting::read() {
    return openSettingsStore().value(kKey).toString();
}

bool FavoritesSetting::write(const QString& path) {
    QSettings store = openSettingsStore();
    store.setValue(kKey, path);
    store.sync();
    return store.status() == QSettings::NoError;
}

} // namespace reelcase
