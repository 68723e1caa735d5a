#include "caches/cache_source.h"

#include "caches/chromium_blockfile_cache.h"
#include "caches/chromium_simple_cache.h"
#include "caches/firefox_cache2.h"
#include "caches/folder_listing.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <deque>

namespace reelcase {

namespace {

using Format = CacheSource::Format;

// Entry files probed before a folder of entries alone (no index) is taken for a cache.
constexpr int kMaxProbes = 8;
constexpr size_t kMaxProbeListing = 100000;
// Bounds of the discovery walk, per cache folder root.
constexpr int kMaxDepth = 3;
constexpr int kMaxFoldersPerRoot = 4096;
constexpr size_t kMaxListing = 10000;

// Folder names of browser families (as a whole, or followed by "-" and a channel), and
// the name people know each by.
struct Family {
    const char* folder;
    const char* name;
};
constexpr Family kFamilies[] = {
    {"google-chrome", "Google Chrome"},
    {"chromium", "Chromium"},
    {"microsoft-edge", "Microsoft Edge"},
    {"brave-browser", "Brave"},
    {"vivaldi", "Vivaldi"},
    {"opera", "Opera"},
    {"yandex-browser", "Yandex Browser"},
    {"thorium", "Thorium"},
    {"firefox", "Firefox"},
    {"librewolf", "LibreWolf"},
    {"waterfox", "Waterfox"},
    {"floorp", "Floorp"},
    {"zen", "Zen"},
    {"seamonkey", "SeaMonkey"},
    {"palemoon", "Pale Moon"},
    {"icecat", "IceCat"},
};

QString familyName(const QString& path) {
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (auto part = parts.crbegin(); part != parts.crend(); ++part) {
        const QString lower = part->toLower();
        for (const Family& family : kFamilies) {
            const QLatin1String folder(family.folder);
            if (lower == folder ||
                (lower.startsWith(folder) && lower.at(folder.size()) == QLatin1Char('-')))
                return QString::fromLatin1(family.name);
        }
    }
    return {};
}

QString formatName(Format format) {
    switch (format) {
    case Format::ChromiumSimple:
    case Format::ChromiumBlockfile:
        return QStringLiteral("Chromium");
    case Format::FirefoxCache2:
        return QStringLiteral("Firefox");
    case Format::InternetExplorer:
        break;
    }
    return QStringLiteral("Internet Explorer");
}

// The format of the cache whose entries lie directly in folder.
std::optional<Format> formatOf(const QString& folder) {
    const OpenFolder dir(folder);
    if (!dir.isOpen())
        return std::nullopt;
    if (const auto index = ReadOnlyFile::openAt(dir.fd(), "index")) {
        const QByteArray start = index->read(0, 8);
        if (isBlockfileIndex(start))
            return Format::ChromiumBlockfile;
        if (isSimpleCacheIndex(start))
            return Format::ChromiumSimple;
    }
    if (dir.hasFolder("index-dir"))
        return Format::ChromiumSimple;
    int probes = 0;
    for (const FolderEntry& entry : dir.list(kMaxProbeListing)) {
        if (entry.type != FolderEntry::Type::File || probes >= kMaxProbes)
            continue;
        const bool simple = isSimpleCacheEntryName(entry.name);
        if (!simple && !isCache2EntryName(entry.name))
            continue;
        ++probes;
        auto file = ReadOnlyFile::openAt(dir.fd(), entry.name.constData());
        if (!file)
            continue;
        auto shared = std::make_shared<const ReadOnlyFile>(std::move(*file));
        if (simple ? parseSimpleCacheEntry(shared).has_value()
                   : parseCache2Entry(shared).has_value())
            return simple ? Format::ChromiumSimple : Format::FirefoxCache2;
    }
    return std::nullopt;
}

std::optional<CacheSource> sourceAt(const QString& folder, const QString& browser) {
    const auto format = formatOf(folder);
    if (!format)
        return std::nullopt;
    return CacheSource{*format, folder, browser.isEmpty() ? formatName(*format) : browser};
}

// Subfolders of folder (not symlinks, not dot-folders), in name order.
QStringList subfolders(const QString& folder) {
    QStringList names;
    for (const FolderEntry& entry : OpenFolder(folder).list(kMaxListing))
        if (entry.type == FolderEntry::Type::Folder && !entry.name.startsWith('.'))
            names.append(QFile::decodeName(entry.name));
    names.sort();
    return names;
}

// The caches in the profile folders under root, walked breadth first.
void discoverUnder(const QString& root, QList<CacheSource>& found, const std::atomic_bool* cancel) {
    std::deque<std::pair<QString, int>> queue{{root, 0}};
    int visited = 0;
    while (!queue.empty() && visited < kMaxFoldersPerRoot) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return;
        const auto [folder, depth] = queue.front();
        queue.pop_front();
        ++visited;
        const QStringList children = subfolders(folder);
        const QString browser = familyName(folder.mid(root.size()));
        const QString fallback = folder.mid(root.size() + 1).section(QLatin1Char('/'), 0, 0);
        const QString name = !browser.isEmpty() ? browser : fallback;
        if (children.contains(QStringLiteral("Cache"))) {
            const QString cache = folder + QStringLiteral("/Cache");
            if (auto source = sourceAt(cache + QStringLiteral("/Cache_Data"), name))
                found.append(*source);
            else if (auto direct = sourceAt(cache, name))
                found.append(*direct);
        }
        if (children.contains(QStringLiteral("cache2"))) {
            if (auto source = sourceAt(folder + QStringLiteral("/cache2/entries"), name))
                found.append(*source);
        }
        if (depth < kMaxDepth)
            for (const QString& child : children)
                queue.emplace_back(folder + QLatin1Char('/') + child, depth + 1);
    }
}

} // namespace

std::optional<CacheSource> identifyBrowserCache(const QString& folder) {
    if (folder.isEmpty())
        return std::nullopt;
    const QString browser = familyName(folder);
    for (const char* inner :
         {"", "/Cache_Data", "/Cache/Cache_Data", "/Cache", "/entries", "/cache2/entries"})
        if (auto source = sourceAt(folder + QLatin1String(inner), browser))
            return source;
    return std::nullopt;
}

CacheLocations cacheLocationsFrom(const QProcessEnvironment& environment) {
    CacheLocations locations;
    locations.home = environment.value(QStringLiteral("HOME"));
    if (locations.home.isEmpty())
        locations.home = QDir::homePath();
    const QString xdg = environment.value(QStringLiteral("XDG_CACHE_HOME"));
    // The XDG rules ignore a relative path.
    locations.cacheHome =
        QDir::isAbsolutePath(xdg) ? xdg : locations.home + QStringLiteral("/.cache");
    return locations;
}

QString foundFolderFor(const CacheLocations& locations) {
    return locations.cacheHome + QStringLiteral("/reelcase/found");
}

QList<CacheSource> discoverBrowserCaches(const CacheLocations& locations,
                                         const std::atomic_bool* cancel) {
    QStringList roots{locations.cacheHome};
    const QString flatpaks = locations.home + QStringLiteral("/.var/app");
    for (const QString& app : subfolders(flatpaks))
        roots.append(flatpaks + QLatin1Char('/') + app + QStringLiteral("/cache"));
    const QString snaps = locations.home + QStringLiteral("/snap");
    for (const QString& snap : subfolders(snaps))
        roots.append(snaps + QLatin1Char('/') + snap + QStringLiteral("/common/.cache"));

    QList<CacheSource> found;
    for (const QString& root : roots)
        discoverUnder(root, found, cancel);
    std::sort(found.begin(), found.end(),
              [](const CacheSource& a, const CacheSource& b) { return a.folder < b.folder; });
    QSet<QString> seen;
    QList<CacheSource> unique;
    for (const CacheSource& source : found) {
        const QString canonical = QFileInfo(source.folder).canonicalFilePath();
        if (!seen.contains(canonical)) {
            seen.insert(canonical);
            unique.append(source);
        }
    }
    return unique;
}

} // namespace reelcase
