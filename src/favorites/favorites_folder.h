#pragma once

#include <QString>
#include <QStringList>

namespace reelcase {

// The names (no folder) of the files in folder that match "*.swf" with letter case
// ignored, dot-files and folders skipped, in name order (letter case ignored). Empty when
// the folder cannot be listed. Blocks on the disk: call it off the UI thread.
QStringList listFavoriteFiles(const QString& folder);

// A favorite's node text: the file name with every ".swf" removed, matched
// case-sensitively ("a.swf.swf" gives "a", "x.SWF" stays "x.SWF").
QString favoriteNodeText(const QString& fileName);

// folder + "/" + fileName; a folder that already ends in "/" (the root) gets no second one.
QString favoritePath(const QString& folder, const QString& fileName);

// Whether a typed name can become the file name + ".swf" inside the favorites folder:
// not empty, no "/" or NUL, no leading "." (which covers "." and ".."; such a file would be
// hidden and so never listed), and name + ".swf" within the file system's limit of 255
// bytes of UTF-8. Spaces are ordinary characters: a name of spaces only is usable.
bool isUsableFavoriteName(const QString& name);

// Removes a favorite's file: to the desktop's trash where there is one, else deleted.
// Returns false when the file stays where it is (a folder is never removed).
// Blocks on the disk: call it off the UI thread.
bool removeFavoriteFile(const QString& path);

} // namespace reelcase
