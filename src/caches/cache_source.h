#pragma once

#include <QList>
#include <QProcessEnvironment>
#include <QString>

#include <atomic>
#include <optional>

namespace reelcase {

// A browser cache folder and how to read it.
struct CacheSource {
    enum class Format { InternetExplorer, ChromiumSimple, ChromiumBlockfile, FirefoxCache2 };
    Format format = Format::InternetExplorer;
    QString folder;  // the folder that holds the entries
    QString browser; // for people: "Chromium", "Firefox", "Internet Explorer" …
};

// The Chromium or Firefox cache in folder, told from its files, not its name: an "index"
// with a block-file or simple-cache signature, simple-cache or cache2 entry files. Also
// looked for in the subfolders those browsers use (Cache_Data, Cache/Cache_Data, entries,
// cache2/entries), so a profile's cache folder may be given as well. Empty when neither.
std::optional<CacheSource> identifyBrowserCache(const QString& folder);

// Where this user's caches live: the home folder and the XDG cache folder.
struct CacheLocations {
    QString home;
    QString cacheHome; // XDG_CACHE_HOME when set, else home + "/.cache"
};
CacheLocations cacheLocationsFrom(const QProcessEnvironment& environment);

// The private folder for the movies found in browser caches: cacheHome/reelcase/found.
QString foundFolderFor(const CacheLocations& locations);

// Every Chromium-family and Firefox-family cache of this user, found without any
// configuration: under the cache folder, every Flatpak app's (~/.var/app/*/cache) and
// every Snap's (~/snap/*/common/.cache), a profile folder up to three levels down holding
// Cache/Cache_Data, Cache or cache2. Folders are walked without following symlinks and
// with caps on how many are looked at, so a huge or looping tree costs bounded time.
// Sorted by folder; each folder once.
QList<CacheSource> discoverBrowserCaches(const CacheLocations& locations,
                                         const std::atomic_bool* cancel = nullptr);

} // namespace reelcase
