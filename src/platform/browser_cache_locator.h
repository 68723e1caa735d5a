#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace reelcase {

// Finds the browser cache folder: REELCASE_CACHE when it is set and not empty; else the
// "Cache" value of the Explorer Shell Folders key in a Wine prefix's user.reg
// ($WINEPREFIX, else ~/.wine), mapped to a Linux path; else an empty string.
QString locateBrowserCache(const QProcessEnvironment& environment);

// The "Cache" value of [Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]
// in the text of a Wine user.reg file, unescaped (C:\users\...), or empty when absent.
QString shellFoldersCacheValue(const QString& userRegText);

// Maps a Windows path such as C:\users\bob\Cache onto a Wine prefix: drive C is the
// prefix's drive_c, any other drive its dosdevices entry. Empty when no drive letter.
QString mapWindowsPathToPrefix(const QString& windowsPath, const QString& prefix);

} // namespace reelcase
