#include "swf/shapes/shape_paths.h"

#include <algorithm>
#include <map>
#include <unordered_map>

namespace reelcase::swf {
namespace {

struct Point {
    std::int32_t x = 0, y = 0;
    bool operator==(const Point&) const = default;
    std::uint64_t key() const { return (std::uint64_t(std::uint32_t(x)) << 32) | std::uint32_t(y); }
    QPointF f() const { return QPointF(x, y); }
};

struct Edge {
    Point from, to, control;
    bool curved = false;
    Edge reversed() const { return {to, from, control, curved}; }
};

void addEdge(QPainterPath& path, const Edge& e) {
    if (e.curved)
        path.quadTo(e.control.f(), e.to.f());
    else
        path.lineTo(e.to.f());
}

// Links edges end to start into contours.
QPainterPath linkContours(const std::vector<Edge>& edges, Qt::FillRule rule) {
    QPainterPath path;
    path.setFillRule(rule);
    std::unordered_map<std::uint64_t, std::vector<int>> byStart;
    byStart.reserve(edges.size());
    for (int i = static_cast<int>(edges.size()) - 1; i >= 0; --i)
        byStart[edges[static_cast<size_t>(i)].from.key()].push_back(i);
    std::vector<char> used(edges.size(), 0);
    for (size_t i = 0; i < edges.size(); ++i) {
        if (used[i])
            continue;
        used[i] = 1;
        const Point start = edges[i].from;
        path.moveTo(start.f());
        addEdge(path, edges[i]);
        Point at = edges[i].to;
        while (!(at == start)) {
            auto it = byStart.find(at.key());
            int next = -1;
            if (it != byStart.end()) {
                auto& list = it->second;
                while (!list.empty()) {
                    const int candidate = list.back();
                    list.pop_back();
                    if (!used[static_cast<size_t>(candidate)]) {
                        next = candidate;
                        break;
                    }
                }
            }
            if (next < 0)
                break;
            used[static_cast<size_t>(next)] = 1;
            addEdge(path, edges[static_cast<size_t>(next)]);
            at = edges[static_cast<size_t>(next)].to;
        }
        path.closeSubpath();
    }
    return path;
}

struct LayerBuilder {
    int styleSet = 0;
    std::map<int, std::vector<Edge>> fillEdges;   // by 1-based fill index
    std::map<int, std::vector<Edge>> sharedEdges; // by the fill drawn first
    std::map<int, std::vector<Edge>> lineEdges;   // by 1-based line index, in order

    ShapeLayer finish(const StyleSet& styles, Qt::FillRule rule) const {
        ShapeLayer layer;
        layer.styleSet = styleSet;
        for (const auto& [index, edges] : fillEdges) {
            if (index < 1 || index > static_cast<int>(styles.fills.size()))
                continue;
            FillPath fill;
            fill.style = index - 1;
            fill.path = linkContours(edges, rule);
            if (auto it = sharedEdges.find(index); it != sharedEdges.end()) {
                for (const Edge& e : it->second) {
                    fill.sharedEdges.moveTo(e.from.f());
                    addEdge(fill.sharedEdges, e);
                }
            }
            layer.fills.push_back(std::move(fill));
        }
        for (const auto& [index, edges] : lineEdges) {
            if (index < 1 || index > static_cast<int>(styles.lines.size()))
                continue;
            const LineStyle& style = styles.lines[static_cast<size_t>(index - 1)];
            StrokePath stroke;
            stroke.style = index - 1;
            QPainterPath& p = stroke.path;
            Point subpathStart, at;
            bool open = false;
            auto closeIfRing = [&] {
                if (open && at == subpathStart && !style.noClose)
                    p.closeSubpath();
            };
            for (const Edge& e : edges) {
                if (!open || !(e.from == at)) {
                    closeIfRing();
                    p.moveTo(e.from.f());
                    subpathStart = e.from;
                    open = true;
                }
                addEdge(p, e);
                at = e.to;
            }
            closeIfRing();
            layer.strokes.push_back(std::move(stroke));
        }
        return layer;
    }
};

} // namespace

ShapePaths buildShapePaths(const ShapeData& data, Qt::FillRule rule) {
    ShapePaths out;
    if (data.styleSets.empty())
        return out;
    LayerBuilder layer;
    int fill0 = 0, fill1 = 0, line = 0;
    Point at;
    auto flush = [&] {
        if (!layer.fillEdges.empty() || !layer.lineEdges.empty())
            out.layers.push_back(
                layer.finish(data.styleSets[static_cast<size_t>(layer.styleSet)], rule));
    };
    for (const ShapeRecord& rec : data.records) {
        if (rec.kind == ShapeRecord::StyleChange) {
            if (rec.styleSet >= 0 && rec.styleSet < static_cast<int>(data.styleSets.size())) {
                flush();
                layer = LayerBuilder{};
                layer.styleSet = rec.styleSet;
                fill0 = fill1 = line = 0;
            }
            if (rec.hasMove)
                at = {rec.x, rec.y};
            if (rec.fill0 >= 0)
                fill0 = rec.fill0;
            if (rec.fill1 >= 0)
                fill1 = rec.fill1;
            if (rec.line >= 0)
                line = rec.line;
            continue;
        }
        Edge e;
        e.from = at;
        if (rec.kind == ShapeRecord::Curved) {
            e.curved = true;
            e.control = {at.x + rec.cx, at.y + rec.cy};
            e.to = {e.control.x + rec.x, e.control.y + rec.y};
        } else {
            e.to = {at.x + rec.x, at.y + rec.y};
        }
        at = e.to;
        if (fill1 > 0)
            layer.fillEdges[fill1].push_back(e);
        if (fill0 > 0 && fill0 != fill1)
            layer.fillEdges[fill0].push_back(e.reversed());
        if (fill0 > 0 && fill1 > 0 && fill0 != fill1)
            layer.sharedEdges[std::min(fill0, fill1)].push_back(e);
        if (line > 0)
            layer.lineEdges[line].push_back(e);
    }
    flush();
    return out;
}

} // namespace reelcase::swf
