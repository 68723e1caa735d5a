#include "platform/favorites_setting.h"

#include <QSettings>

namespace reelcase {
namespace {

QSettings openStore() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("reelkit"),
                     QStringLiteral("reelkit"));
}

const QString kKey = QStringLiteral("reelkit/fpath");

} // namespace

QString FavoritesSetting::read() {
    return openStore().value(kKey).toString();
}

bool FavoritesSetting::write(const QString& path) {
    QSettings store = openStore();
    store.setValue(kKey, path);
    store.sync();
    return store.status() == QSettings::NoError;
}

} // namespace reelcase
