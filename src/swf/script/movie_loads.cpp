#include "swf/script/movie_loads.h"

#include "swf/bitmaps/bitmap_character.h"
#include "swf/display/timeline_instance.h"
#include "swf/format/limits.h"
#include "swf/format/movie.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/clip_object.h"
#include "swf/script/script_host.h"
#include "swf/script/vm.h"

#include <QImage>

#include <algorithm>

namespace reelcase::swf::avm1 {
namespace {

constexpr int kMostFiles = 64;            // distinct files one play reads
constexpr std::size_t kMostLevels = 1024; // levels at once

bool isSwf(const QByteArray& bytes) {
    return bytes.startsWith("FWS") || bytes.startsWith("CWS") || bytes.startsWith("ZWS");
}

// A file that is no movie shows as one: an image on its first frame, or nothing.
std::shared_ptr<const Movie> pictureMovie(const QByteArray& bytes, int version, bool* image) {
    auto movie = std::make_shared<Movie>();
    movie->version = version;
    movie->frameRate = 12;
    movie->root.frames.resize(1);
    QImage picture;
    if (bytes.size() < 64 << 20)
        picture = QImage::fromData(bytes);
    *image = !picture.isNull() && picture.width() <= 8191 && picture.height() <= 8191;
    if (*image) {
        movie->stage = QRectF(0, 0, picture.width() * 20.0, picture.height() * 20.0);
        movie->dictionary.define(1, std::make_shared<BitmapCharacter>(picture.convertToFormat(
                                        QImage::Format_ARGB32_Premultiplied)));
        PlaceCommand place;
        place.depth = 1;
        place.characterId = 1;
        place.matrix = QTransform();
        movie->root.frames[0].commands.emplace_back(place);
        movie->root.placeCount = 1;
    }
    return movie;
}

Value clipValue(Vm& vm, TimelineInstance* clip) {
    return clip ? Value(vm.clipObject(*clip)) : Value(Undefined{});
}

void tell(Vm& vm, Object* loader, const QString& event, std::vector<Value> args) {
    if (!loader)
        return;
    try {
        builtins::broadcast(vm, loader, event, args);
    } catch (ScriptThrow&) {
    } catch (ScriptAbort&) {
    }
}

} // namespace

// The clip a request names, as scripts see it (undefined for a level not there).
Value MovieLoads::targetValue(Vm& vm, const Request& r) {
    if (r.target)
        return r.target;
    TimelineInstance* level = levelRoot(vm, r.level);
    return level ? Value(vm.clipObject(*level)) : Value(Undefined{});
}

void MovieLoads::queue(Vm& vm, Request request) {
    if (request.target) {
        auto clip = request.target->timeline();
        if (clip && !clip->parent()) {
            for (const auto& [n, root] : vm.context().levels)
                if (root == clip)
                    request.level = n;
            request.target = nullptr;
        }
    }
    if (!request.target && request.level < 0)
        return;
    if (request.unload)
        for (Request& earlier : m_requests)
            if (!earlier.unload && earlier.target == request.target &&
                earlier.level == request.level)
                earlier.cancelled = true;
    if (m_requests.size() < 1024)
        m_requests.push_back(std::move(request));
}

void MovieLoads::load(Vm& vm, ClipObject* target, int level, const QString& url, Object* loader) {
    queue(vm, Request{target, level, url, loader, false, false});
}

void MovieLoads::unload(Vm& vm, ClipObject* target, int level, Object* loader) {
    queue(vm, Request{target, level, QString(), loader, true, false});
}

void MovieLoads::frameBegins() {
    m_due = m_requests.size();
}

void MovieLoads::start(Vm& vm) {
    const auto due = m_requests.begin() + static_cast<std::ptrdiff_t>(m_due);
    std::vector<Request> requests(m_requests.begin(), due);
    m_requests.erase(m_requests.begin(), due);
    m_due = 0;
    // Levels take their new movies from the lowest up, whatever order they were asked in.
    std::vector<std::size_t> slots;
    std::vector<Request> levels;
    for (std::size_t i = 0; i < requests.size(); ++i)
        if (!requests[i].target) {
            slots.push_back(i);
            levels.push_back(requests[i]);
        }
    std::stable_sort(levels.begin(), levels.end(),
                     [](const Request& a, const Request& b) { return a.level < b.level; });
    for (std::size_t i = 0; i < slots.size(); ++i)
        requests[slots[i]] = levels[i];
    for (Request& r : requests)
        carryOut(vm, r);
}

bool MovieLoads::failEarly(Vm& vm) {
    std::vector<Request> failed;
    for (auto it = m_requests.begin(); it != m_requests.end();) {
        LoadedFile file;
        if (!it->unload && !it->cancelled && !read(vm, it->url, file)) {
            failed.push_back(*it);
            if (static_cast<std::size_t>(it - m_requests.begin()) < m_due)
                --m_due;
            it = m_requests.erase(it);
        } else {
            ++it;
        }
    }
    for (const Request& r : failed) {
        tell(vm, r.loader, QStringLiteral("onLoadError"),
             {targetValue(vm, r), QStringLiteral("URLNotFound"), 0.0});
    }
    return !failed.empty();
}

void MovieLoads::finish(Vm& vm) {
    std::vector<Init> inits = std::move(m_inits);
    m_inits.clear();
    for (const Init& i : inits)
        tell(vm, i.loader, QStringLiteral("onLoadInit"), {Value(i.clip)});
}

std::shared_ptr<const Movie> MovieLoads::read(Vm& vm, const QString& url, LoadedFile& file) {
    if (auto it = m_files.constFind(url); it != m_files.constEnd()) {
        file = it->info;
        return it->movie;
    }
    ScriptHost* host = vm.host();
    if (!host || url.isEmpty() || m_files.size() >= kMostFiles)
        return nullptr;
    const std::optional<QByteArray> bytes = host->loadFile(url);
    if (!bytes)
        return nullptr;
    std::shared_ptr<const Movie> movie;
    if (isSwf(*bytes)) {
        movie = m_parser ? m_parser(*bytes) : nullptr;
        if (!movie)
            return nullptr;
    } else {
        movie = pictureMovie(*bytes, vm.version(), &file.image);
    }
    file.url = QStringLiteral("file:///") + url;
    file.bytesTotal = static_cast<double>(bytes->size());
    m_files.insert(url, File{movie, file});
    return movie;
}

// The target's new root: a level's, or the clip's new instance.
TimelineInstance* MovieLoads::place(Vm& vm, Request& r, std::shared_ptr<const Movie> movie) {
    PlayContext& context = vm.context();
    if (!r.target) {
        auto old = context.levels.find(r.level);
        if (!movie) {
            if (old != context.levels.end()) {
                ClipObject* gone = vm.clipObject(*old->second);
                gone->isRoot = false;
                gone->unloaded = true;
                context.levels.erase(old);
            }
            return nullptr;
        }
        // Levels count against the movie's size as clips do, and there are only so many.
        if ((old == context.levels.end() && context.levels.size() >= kMostLevels) ||
            context.liveWeight + 1 + movie->root.placeCount > limits::maxDisplayObjects)
            return nullptr;
        auto root = std::make_shared<TimelineInstance>(movie->root, context, 0, movie.get());
        root->keepMovie(movie);
        if (old != context.levels.end())
            root->takeIdOf(*old->second);
        context.levels[r.level] = root;
        if (r.level == 0) {
            vm.setRoot(root.get());
            vm.adoptVersion(movie->version);
        }
        vm.clipObject(*root)->isRoot = true;
        root->enterFirstFrame();
        return root.get();
    }
    TimelineInstance* parent = nullptr;
    if (!r.target->entry(&parent) || !parent)
        return nullptr;
    DisplayObject* o = parent->loadMovieAt(r.target->lastDepth, std::move(movie));
    return o ? o->sprite.get() : nullptr;
}

void MovieLoads::carryOut(Vm& vm, Request& r) {
    const Value target = targetValue(vm, r);
    if (r.unload) {
        if (r.target) {
            bool image = false;
            place(vm, r, pictureMovie({}, vm.version(), &image));
        } else if (r.level > 0) {
            place(vm, r, nullptr);
        }
        return;
    }
    if (r.cancelled) {
        tell(vm, r.loader, QStringLiteral("onLoadStart"), {target});
        return;
    }
    LoadedFile file;
    std::shared_ptr<const Movie> movie = read(vm, r.url, file);
    if (!movie) {
        tell(vm, r.loader, QStringLiteral("onLoadError"),
             {target, QStringLiteral("URLNotFound"), 0.0});
        return;
    }
    TimelineInstance* clip = place(vm, r, movie);
    if (!clip)
        return;
    const Value now = clipValue(vm, clip);
    tell(vm, r.loader, QStringLiteral("onLoadStart"), {now});
    // Progress is told twice, as the player tells it of a file read at once.
    for (int i = 0; i < 2; ++i)
        tell(vm, r.loader, QStringLiteral("onLoadProgress"),
             {now, file.bytesTotal, file.bytesTotal});
    tell(vm, r.loader, QStringLiteral("onLoadComplete"), {now, 0.0});
    if (r.loader)
        m_inits.push_back(Init{r.loader, objectOf(now)});
}

const LoadedFile* MovieLoads::fileOf(const Movie* movie) const {
    if (!movie)
        return nullptr;
    for (auto it = m_files.constBegin(); it != m_files.constEnd(); ++it)
        if (it->movie.get() == movie)
            return &it->info;
    return nullptr;
}

void MovieLoads::mark(Heap& heap) const {
    for (const Request& r : m_requests) {
        heap.mark(r.target);
        heap.mark(r.loader);
    }
    for (const Init& i : m_inits) {
        heap.mark(i.loader);
        heap.mark(i.clip);
    }
}

} // namespace reelcase::swf::avm1
