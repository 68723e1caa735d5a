#pragma once

#include <QString>
#include <QStringList>

namespace reelcase {

// The names (no folder) of the files in folder that match "*.swf" with letter case
// ignored, dot-files skipped, in name order (letter case ignored). Empty when the folder
// cannot be listed. Blocks on the disk: call it off the UI thread.
QStringList listFavoriteFiles(const QString& folder);

// A favorite's node text: the file name with every ".swf" removed, matched
// case-sensitively ("a.swf.swf" gives "a", "x.SWF" stays "x.SWF").
QString favoriteNodeText(const QString& fileName);

// folder + "/" + fileName.
QString favoritePath(const QString& folder, const QString& fileName);

// Whether a typed name can become the file name + ".swf" inside the favorites folder:
// not empty, no "/" or NUL, not "." or "..", and not longer than the file system allows.
bool isUsableFavoriteName(const QString& name);

// Removes a favorite's file: to the desktop's trash where there is one, else deleted.
// Returns false when the file stays where it is.
bool removeFavoriteFile(const QString& path);

} // namespace reelcase
