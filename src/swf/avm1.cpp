#include "swf/avm1.h"

#include "swf/bit_reader.h"
#include "swf/movie.h"

namespace reelcase::swf {
namespace {

enum Action : int {
    NextFrame = 0x04,
    PreviousFrame = 0x05,
    Play = 0x06,
    Stop = 0x07,
    GotoFrame = 0x81,
    SetTarget = 0x8B,
    GotoLabel = 0x8C,
};

TimelineInstance* rootOf(TimelineInstance* t) {
    while (t->parent())
        t = t->parent();
    return t;
}

// Resolves a tellTarget path ("", "name", "/a/b", "../x", "_root.a") from the timeline
// that runs the action. Null when nothing matches.
TimelineInstance* resolveTarget(TimelineInstance* self, const QString& path) {
    if (path.isEmpty())
        return self;
    QString p = path;
    p.replace(QLatin1Char('.'), QLatin1Char('/'));
    TimelineInstance* t = self;
    if (p.startsWith(QLatin1Char('/'))) {
        t = rootOf(self);
        p.remove(0, 1);
    }
    for (const QString& part : p.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("..") || part == QLatin1String("_parent"))
            t = t->parent();
        else if (part == QLatin1String("_root") || part == QLatin1String("_level0"))
            t = rootOf(t);
        else {
            auto c = t->child(part);
            t = c.get();
        }
        if (!t)
            return nullptr;
    }
    return t;
}

void run(PlayContext& context, TimelineInstance* self, const QByteArray& code, int& steps) {
    BitReader r(code);
    TimelineInstance* target = self;
    while (r.remaining() > 0 && steps-- > 0) {
        const int action = r.u8();
        if (action == 0)
            break;
        BitReader args;
        if (action >= 0x80)
            args = r.sub(r.u16());
        if (!r.ok())
            break;
        if (!target) {
            if (action == SetTarget)
                target = resolveTarget(self, args.string(context.movie->version));
            continue;
        }
        switch (action) {
        case Stop:
            target->stop();
            break;
        case Play:
            target->play();
            break;
        case NextFrame:
            target->gotoFrame(target->currentFrame() + 1);
            target->stop();
            break;
        case PreviousFrame:
            target->gotoFrame(target->currentFrame() - 1);
            target->stop();
            break;
        case GotoFrame: {
            const int frame = args.u16();
            if (args.ok()) {
                target->gotoFrame(frame);
                target->stop();
            }
            break;
        }
        case GotoLabel: {
            const QString label = args.string(context.movie->version);
            const int frame = target->definition().frameOfLabel(label);
            if (args.ok() && frame >= 0) {
                target->gotoFrame(frame);
                target->stop();
            }
            break;
        }
        case SetTarget:
            target = resolveTarget(self, args.string(context.movie->version));
            break;
        default:
            break;
        }
    }
}

} // namespace

void runPendingActions(PlayContext& context, int maxSteps) {
    int steps = maxSteps;
    while (!context.actions.empty() && steps > 0) {
        PendingAction next = context.actions.front();
        context.actions.pop_front();
        if (auto timeline = next.timeline.lock())
            run(context, timeline.get(), *next.code, steps);
    }
    context.actions.clear();
}

} // namespace reelcase::swf
