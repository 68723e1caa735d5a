#pragma once

#include "swf/script/value.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace reelcase::swf {
class Movie;
class TimelineInstance;
} // namespace reelcase::swf

namespace reelcase::swf::avm1 {

class ClipObject;
class Heap;
class Object;
class Vm;

// What a loaded file was, for getBytesTotal, _url and getSWFVersion.
struct LoadedFile {
    QString url;
    double bytesTotal = 0;
    bool image = false; // a JPEG, PNG or GIF shown in a clip (no SWF version of its own)
};

// loadMovie, loadMovieNum, unloadMovie and MovieClipLoader: scripts queue requests, the
// player carries them out once the frame's timelines have moved on (files beside the
// movie only, through the host). A request names a clip or a level; later requests for
// the same target in one frame win, and an unload cancels a load queued before it.
class MovieLoads {
public:
    // Reads a SWF file (the player layer's parser); null when it is none.
    using Parser = std::function<std::shared_ptr<const Movie>(const QByteArray&)>;
    void setParser(Parser parser) { m_parser = std::move(parser); }

    // A clip target that is a level's root is taken as that level. loader: the
    // MovieClipLoader to tell, or null.
    void load(Vm& vm, ClipObject* target, int level, const QString& url, Object* loader = nullptr);
    void unload(Vm& vm, ClipObject* target, int level, Object* loader = nullptr);

    // A frame begins: what was asked before it is carried out at its end.
    void frameBegins();
    // Carries out the requests due: targets replaced, their new first frames queued,
    // onLoadStart / onLoadProgress / onLoadComplete (or onLoadError) sent.
    void start(Vm& vm);
    // Loads of files that cannot be read fail at once, at the end of the frame's scripts.
    // True when one did.
    bool failEarly(Vm& vm);
    // After the new first frames ran: onLoadInit.
    void finish(Vm& vm);
    bool hasRequests() const { return !m_requests.empty(); }
    bool hasDue() const { return m_due > 0; }
    bool hasInits() const { return !m_inits.empty(); }

    // What a loaded file was; null for the player's own movie.
    const LoadedFile* fileOf(const Movie* movie) const;
    void mark(Heap& heap) const;

private:
    struct Request {
        ClipObject* target = nullptr; // or a level
        int level = -1;
        QString url;
        Object* loader = nullptr;
        bool unload = false;
        bool cancelled = false; // unloaded before it started: onLoadStart only
    };
    struct Init {
        Object* loader = nullptr;
        Object* clip = nullptr;
    };
    void queue(Vm& vm, Request request);
    static Value targetValue(Vm& vm, const Request& r);
    void carryOut(Vm& vm, Request& request);
    std::shared_ptr<const Movie> read(Vm& vm, const QString& url, LoadedFile& file);
    TimelineInstance* place(Vm& vm, Request& request, std::shared_ptr<const Movie> movie);

    Parser m_parser;
    std::vector<Request> m_requests;
    std::size_t m_due = 0; // the first requests are due this frame
    std::vector<Init> m_inits;
    // Files read, by URL: read again, a file gives the same parsed movie. Capped.
    struct File {
        std::shared_ptr<const Movie> movie;
        LoadedFile info;
    };
    QHash<QString, File> m_files;
};

} // namespace reelcase::swf::avm1
