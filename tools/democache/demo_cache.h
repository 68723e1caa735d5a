#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace reelcase::democache {

// The file that marks a folder as made by this generator; only such a folder is ever
// deleted to make a fresh one.
inline constexpr char kMarkerFile[] = ".reelcase-demo-cache";

struct DemoCacheResult {
    QString error;        // empty on success
    QStringList expected; // the files a search at now lists, in no particular order
};

// Makes a fresh demo browser cache at dest in the Internet Explorer layout
// (dest/Content.IE5/<8-character folders>/...): the sample animations, written shortly
// before now, and files that a search must pass over (too small, too old, too deep,
// other extensions, hidden, directly in the content folder, in another top folder).
// dest must be missing, empty, or a demo cache made earlier (which is replaced); any
// other folder is left untouched and reported as an error.
DemoCacheResult generateDemoCache(const QString& dest, const QDateTime& now);

} // namespace reelcase::democache
