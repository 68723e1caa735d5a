#include "platform/sound_setting.h"

#include "platform/settings_store.h"

#include <algorithm>

namespace reelcase {
namespace {

const QString kVolume = QStringLiteral("reelkit/volume");
const QString kMute = QStringLiteral("reelkit/mute");

} // namespace

SoundSetting SoundSetting::read() {
    const QSettings store = openSettingsFile();
    SoundSetting s;
    bool ok = false;
    const int volume = store.value(kVolume).toInt(&ok);
    if (ok)
        s.volume = std::clamp(volume, 0, 100);
    s.muted = store.value(kMute, false).toBool();
    return s;
}

bool SoundSetting::write(const SoundSetting& setting) {
    QSettings store = openSettingsFile();
    store.setValue(kVolume, std::clamp(setting.volume, 0, 100));
    store.setValue(kMute, setting.muted);
    store.sync();
    return store.status() == QSettings::NoError;
}

} // namespace reelcase
