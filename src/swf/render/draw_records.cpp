#include "swf/render/draw_records.h"

#include "swf/display/timeline_instance.h"
#include "swf/format/limits.h"
#include "swf/render/renderer.h"
#include "swf/text/edit_text.h"
#include "swf/video/video_picture.h"

#include <algorithm>

namespace reelcase::swf {
namespace {

using Entry = std::map<int, DisplayObject>::const_iterator;

// FNV-1a over the parts of a record.
class Hasher {
public:
    template <class T> void add(const T& value) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
        for (std::size_t i = 0; i < sizeof(T); ++i)
            m_hash = (m_hash ^ bytes[i]) * 0x100000001b3ull;
    }
    void add(const QTransform& m) {
        const double values[] = {m.m11(), m.m12(), m.m13(), m.m21(), m.m22(),
                                 m.m23(), m.m31(), m.m32(), m.m33()};
        add(values);
    }
    std::uint64_t value() const { return m_hash; }

private:
    std::uint64_t m_hash = 0xcbf29ce484222325ull;
};

struct Walk {
    const RenderContext& context;
    std::vector<DrawRecord>& out;
    const TimelineInstance* owner = nullptr; // whose display list is walked
};

void collectRange(Entry first, Entry last, const QTransform& matrix, const ColorTransform& cx,
                  int nesting, Walk walk);

// What a mask's outline depends on: its characters, matrices and ratios, whether shown or not.
void addMaskShape(Hasher& h, const DisplayObject& o, const QTransform& matrix, int nesting) {
    h.add(o.character);
    h.add(matrix);
    h.add(o.placement.ratio);
    if (!o.children() || nesting > limits::maxSpriteNesting)
        return;
    for (const auto& [depth, child] : o.children()->displayList())
        if (child.placement.clipDepth == 0)
            addMaskShape(h, child, child.placement.matrix * matrix, nesting + 1);
}

void collectObject(const DisplayObject& o, const QTransform& matrix, const ColorTransform& cx,
                   int nesting, Walk walk) {
    if (!o.character || !o.placement.visible || o.isScriptMask)
        return;
    const Placement& p = o.placement;
    const QTransform m = p.matrix * matrix;
    const ColorTransform ocx = cx * p.cxform;
    const BlendMode mode = p.blendMode;
    const FilterList* filters = filtersOf(o);
    QTransform maskMatrix;
    const DisplayObject* mask =
        walk.owner ? scriptMaskOf(o, *walk.owner, matrix, maskMatrix) : nullptr;
    const bool ownRecord = mode != BlendMode::Normal || filters || mask || p.cacheAsBitmap ||
                           p.scrollRect || p.opaqueBackground;
    if (o.children() && !ownRecord) {
        const auto& list = o.children()->displayList();
        collectRange(list.begin(), list.end(), m, ocx, nesting + 1,
                     Walk{walk.context, walk.out, o.children()});
        return;
    }
    Hasher h;
    h.add(o.character);
    h.add(m);
    h.add(ocx);
    h.add(p.ratio);
    h.add(mode);
    h.add(filters);
    if (const auto* picture = dynamic_cast<const VideoPicture*>(o.character))
        h.add(picture->serial());
    h.add(p.cacheAsBitmap);
    h.add(p.opaqueBackground.value_or(0));
    h.add(p.scrollRect.value_or(QRectF()));
    if (mask)
        addMaskShape(h, *mask, maskMatrix, nesting);
    QRectF bounds = deviceBounds(o, m, walk.context, nesting);
    if (o.children()) {
        std::vector<DrawRecord> inner;
        const auto& list = o.children()->displayList();
        collectRange(list.begin(), list.end(), contentOffset(o) * m, ocx, nesting + 1,
                     Walk{walk.context, inner, o.children()});
        for (const DrawRecord& r : inner) {
            h.add(r.key);
            if (!p.scrollRect) // the window holds all it shows
                bounds |= r.bounds;
        }
    } else if (const auto* text = dynamic_cast<const EditText*>(o.character)) {
        // Laid out here, on the UI thread, before any tile thread draws it.
        text->cachedLayout(walk.context);
    }
    walk.out.push_back({h.value(), bounds});
}

void collectRange(Entry first, Entry last, const QTransform& matrix, const ColorTransform& cx,
                  int nesting, Walk walk) {
    if (nesting > limits::maxSpriteNesting)
        return;
    for (Entry it = first; it != last; ++it) {
        const DisplayObject& o = it->second;
        const int clipDepth = o.placement.clipDepth;
        if (clipDepth == 0) {
            collectObject(o, matrix, cx, nesting, walk);
            continue;
        }
        Entry end = std::next(it);
        while (end != last && end->first <= clipDepth)
            ++end;
        // The masked depths show only inside the mask: one record for the lot.
        std::vector<DrawRecord> inner;
        collectRange(std::next(it), end, matrix, cx, nesting,
                     Walk{walk.context, inner, walk.owner});
        if (!inner.empty() && o.character) {
            const QTransform maskMatrix = o.placement.matrix * matrix;
            Hasher h;
            addMaskShape(h, o, maskMatrix, nesting);
            QRectF content;
            for (const DrawRecord& r : inner) {
                h.add(r.key);
                content |= r.bounds;
            }
            walk.out.push_back(
                {h.value(), content & deviceBounds(o, maskMatrix, walk.context, nesting)});
        }
        it = std::prev(end);
    }
}

long long areaOf(const QRect& r) {
    return static_cast<long long>(r.width()) * r.height();
}

} // namespace

std::vector<DrawRecord> collectDrawRecords(const TimelineInstance& root, const QTransform& matrix,
                                           const RenderContext& context) {
    std::vector<DrawRecord> out;
    const auto& list = root.displayList();
    collectRange(list.begin(), list.end(), matrix, ColorTransform{}, 0, Walk{context, out, &root});
    return out;
}

std::vector<QRectF> changedAreas(const std::vector<DrawRecord>& before,
                                 const std::vector<DrawRecord>& after) {
    std::vector<QRectF> out;
    const std::size_t n = std::max(before.size(), after.size());
    for (std::size_t i = 0; i < n; ++i) {
        const DrawRecord* a = i < before.size() ? &before[i] : nullptr;
        const DrawRecord* b = i < after.size() ? &after[i] : nullptr;
        if (a && b && a->key == b->key && a->bounds == b->bounds)
            continue;
        if (a && !a->bounds.isEmpty())
            out.push_back(a->bounds);
        if (b && !b->bounds.isEmpty())
            out.push_back(b->bounds);
    }
    return out;
}

std::vector<QRect> coveringRects(const std::vector<QRectF>& areas, const QRect& within,
                                 int maxRects) {
    constexpr std::size_t maxMerged = 64; // beyond this, one rectangle around them all
    std::vector<QRect> rects;
    for (const QRectF& a : areas) {
        const QRect r = a.toAlignedRect().adjusted(-1, -1, 1, 1) & within;
        if (!r.isEmpty())
            rects.push_back(r);
    }
    if (rects.size() > maxMerged) {
        QRect all;
        for (const QRect& r : rects)
            all |= r;
        return {all};
    }
    // Merge pairs whose bounding rectangle adds little to the two (overlapping, or side by
    // side), then the cheapest pairs until few enough remain.
    auto mergeBest = [&](bool onlyFree) {
        bool found = false;
        long long bestCost = 0;
        std::size_t bi = 0, bj = 0;
        for (std::size_t i = 0; i < rects.size(); ++i)
            for (std::size_t j = i + 1; j < rects.size(); ++j) {
                const long long cost = areaOf(rects[i] | rects[j]) - areaOf(rects[i]) -
                                       areaOf(rects[j]) + areaOf(rects[i] & rects[j]);
                const bool cheap = cost * 4 <= areaOf(rects[i]) + areaOf(rects[j]);
                if ((!onlyFree || cheap) && (!found || cost < bestCost)) {
                    found = true;
                    bestCost = cost;
                    bi = i;
                    bj = j;
                }
            }
        if (!found)
            return false;
        rects[bi] |= rects[bj];
        rects.erase(rects.begin() + static_cast<std::ptrdiff_t>(bj));
        return true;
    };
    while (rects.size() > 1 && mergeBest(true)) {
    }
    while (static_cast<int>(rects.size()) > std::max(1, maxRects) && mergeBest(false)) {
    }
    return rects;
}

} // namespace reelcase::swf
