#pragma once

#include <QSettings>

namespace reelcase {

// The program's settings file: user scope, INI format, organisation and application
// "reelkit" (normally ~/.config/reelkit/reelkit.ini).
inline QSettings openSettingsStore() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("reelkit"),
                     QStringLiteral("reelkit"));
}

} // namespace reelcase
