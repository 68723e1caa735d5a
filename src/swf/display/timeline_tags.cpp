// Handlers of the tags that build timelines: placing and removing objects, frame labels,
// frame actions, the background colour and sprite definitions.

#include "swf/display/timeline_tags.h"
#include "swf/display/sprite.h"
#include "swf/format/limits.h"
#include "swf/format/movie.h"
#include "swf/format/records.h"
#include "swf/format/tag_table.h"

#include <algorithm>

namespace reelcase::swf {
namespace {

// The player looks a character up as it reaches the place tag. On the main timeline
// that is as it reads the file, so one defined later is not there yet: the place shows
// nothing (a move keeps the object it has). A sprite plays once it is placed, when the
// definitions after it may already have been read.
bool placeable(const TagContext& c, std::uint16_t id) {
    if (c.inSprite || c.movie.dictionary.character(id))
        return true;
    return std::any_of(c.movie.imports.begin(), c.movie.imports.end(),
                       [id](const Movie::Import& i) { return i.id == id; });
}

void placeObject(TagContext& c) {
    BitReader& r = c.body;
    PlaceCommand p;
    p.characterId = r.u16();
    p.depth = r.u16();
    p.matrix = readMatrix(r);
    if (r.remaining() > 0)
        p.cxform = readColorTransform(r, false);
    if (r.ok() && placeable(c, *p.characterId)) {
        c.frame.commands.emplace_back(std::move(p));
        ++c.timeline.placeCount;
    }
}

// onClipEvent handlers; a malformed list keeps the handlers read before the fault.
std::shared_ptr<const std::vector<ClipAction>> readClipActions(BitReader& r, int version) {
    auto flagsOf = [&] { return version >= 6 ? r.u32() : static_cast<std::uint32_t>(r.u16()); };
    r.u16(); // reserved
    // The union of all events: an event it leaves out never fires, whatever a handler says.
    const std::uint32_t allEvents = flagsOf();
    auto actions = std::make_shared<std::vector<ClipAction>>();
    while (r.ok() && actions->size() < 256) {
        const std::uint32_t events = flagsOf();
        if (!r.ok() || events == 0)
            break;
        std::uint32_t size = r.u32();
        ClipAction action;
        action.events = events & allEvents;
        if ((events & 0x20000) && size > 0) {
            action.keyCode = r.u8();
            --size;
        }
        if (!r.ok() || size > r.remaining())
            break;
        action.code = QByteArray(r.data() + r.position(), static_cast<qsizetype>(size));
        r.skip(static_cast<int>(size));
        actions->push_back(std::move(action));
    }
    return actions;
}

void placeObject23(TagContext& c) {
    BitReader& r = c.body;
    const bool v3 = c.code == tag::PlaceObject3;
    const int flags = r.u8();
    const int flags3 = v3 ? r.u8() : 0;
    PlaceCommand p;
    p.depth = r.u16();
    p.move = flags & 0x01;
    const bool hasCharacter = flags & 0x02;
    if (v3 && ((flags3 & 0x08) || ((flags3 & 0x10) && hasCharacter)))
        r.string(c.movie.version); // class name: AS3 only
    if (hasCharacter) {
        const std::uint16_t id = r.u16();
        if (placeable(c, id))
            p.characterId = id;
    }
    if (flags & 0x04)
        p.matrix = readMatrix(r);
    if (flags & 0x08)
        p.cxform = readColorTransform(r, true);
    if (flags & 0x10)
        p.ratio = r.u16();
    if (flags & 0x20)
        p.name = r.string(c.movie.version);
    if (flags & 0x40)
        p.clipDepth = r.u16();
    if (!r.ok())
        return;
    if ((flags & 0x80) && !v3)
        p.clipActions = readClipActions(r, c.movie.version);
    if (v3) {
        // Reading stops safely at a bad filter list.
        BitReader rest = r;
        if (flags3 & 0x01) {
            auto filters = std::make_shared<const FilterList>(readFilterList(rest));
            p.filters = filters->empty() ? nullptr : std::move(filters);
        }
        if ((flags3 & 0x02) && rest.ok()) {
            const int mode = rest.u8();
            if (rest.ok())
                p.blendMode = static_cast<BlendMode>(mode >= 1 && mode <= 14 ? mode : 1);
        }
        if ((flags3 & 0x04) && rest.ok()) {
            const int cache = rest.u8();
            if (rest.ok())
                p.cacheAsBitmap = cache != 0;
        }
        if ((flags3 & 0x20) && rest.ok()) {
            const int visible = rest.u8();
            if (rest.ok())
                p.visible = visible != 0;
        }
        if ((flags3 & 0x40) && rest.ok()) {
            const QRgb background = readRgba(rest).rgba();
            if (rest.ok())
                p.opaqueBackground = background;
        }
    }
    c.frame.commands.emplace_back(std::move(p));
    ++c.timeline.placeCount;
}

void removeObject(TagContext& c) {
    RemoveCommand rm;
    if (c.code == tag::RemoveObject)
        c.body.u16(); // character id
    rm.depth = c.body.u16();
    if (c.body.ok())
        c.frame.commands.emplace_back(rm);
}

void doAction(TagContext& c) {
    if (c.frame.commands.size() < static_cast<size_t>(limits::maxActionsPerFrame))
        c.frame.commands.emplace_back(
            ActionCommand{QByteArray(c.body.data(), static_cast<qsizetype>(c.body.size()))});
}

void doInitAction(TagContext& c) {
    const int sprite = c.body.u16();
    if (c.body.ok() && c.frame.commands.size() < static_cast<size_t>(limits::maxActionsPerFrame))
        c.frame.commands.emplace_back(ActionCommand{
            QByteArray(c.body.data() + 2, static_cast<qsizetype>(c.body.size()) - 2), sprite});
}

void exportAssets(TagContext& c) {
    const int count = c.body.u16();
    for (int i = 0; i < count && c.body.ok(); ++i) {
        const std::uint16_t id = c.body.u16();
        const QString name = c.body.string(c.movie.version);
        if (c.body.ok() && !c.movie.exports.contains(name.toLower()))
            c.movie.exports.insert(name.toLower(), id);
    }
}

void importAssets(TagContext& c) {
    const QString url = c.body.string(c.movie.version);
    if (c.code == tag::ImportAssets2)
        c.body.u16(); // reserved
    const int count = c.body.u16();
    for (int i = 0; i < count && c.body.ok() && c.movie.imports.size() < 4096; ++i) {
        Movie::Import import;
        import.url = url;
        import.id = c.body.u16();
        import.name = c.body.string(c.movie.version);
        if (c.body.ok())
            c.movie.imports.push_back(std::move(import));
    }
}

void frameLabel(TagContext& c) {
    const QString label = c.body.string(c.movie.version);
    if (c.body.ok() && !label.isEmpty()) {
        const int frame = static_cast<int>(c.timeline.frames.size());
        if (!c.timeline.labels.contains(TimelineDef::labelKey(label)))
            c.timeline.labels.insert(TimelineDef::labelKey(label), frame);
    }
}

void setBackgroundColor(TagContext& c) {
    const QColor colour = readRgb(c.body);
    if (c.body.ok() && !c.movie.backgroundSet) {
        c.movie.background = colour;
        c.movie.backgroundSet = true;
    }
}

void fileAttributes(TagContext& c) {
    const std::uint8_t flags = c.body.u8();
    if (c.body.ok())
        c.movie.useNetwork = flags & 1;
}

void defineSprite(TagContext& c) {
    const std::uint16_t id = c.body.u16();
    c.body.u16(); // declared frame count; the ShowFrame tags decide
    if (!c.body.ok())
        return;
    TimelineDef timeline;
    timeline.byteLength = std::max(0, static_cast<int>(c.body.size()) - 4);
    parseTags(c.parse, c.body, c.movie, timeline, true);
    c.movie.dictionary.define(id, std::make_shared<Sprite>(std::move(timeline)));
}

} // namespace

void registerTimelineTags(TagTable& t) {
    t.add(tag::PlaceObject, placeObject);
    t.add(tag::PlaceObject2, placeObject23);
    t.add(tag::PlaceObject3, placeObject23);
    t.add(tag::RemoveObject, removeObject);
    t.add(tag::RemoveObject2, removeObject);
    t.add(tag::DoAction, doAction);
    t.add(tag::FrameLabel, frameLabel);
    t.add(tag::DoInitAction, doInitAction);
    t.add(tag::ExportAssets, exportAssets, true);
    t.add(tag::ImportAssets, importAssets, true);
    t.add(tag::ImportAssets2, importAssets, true);
    t.add(tag::SetBackgroundColor, setBackgroundColor);
    t.add(tag::FileAttributes, fileAttributes, true);
    t.add(tag::DefineSprite, defineSprite, true);
}

} // namespace reelcase::swf
