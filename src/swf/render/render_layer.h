#pragma once

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <memory>

namespace reelcase::swf {

// An offscreen ARGB32 premultiplied image standing in for part of a painter's device while a
// group of objects is drawn into it (a mask's content, a blend-mode group), then composited
// back in one piece. Coordinates are the outer painter's with its world transform reset
// (what renderTimeline's matrix maps to); the image has the device's pixel ratio, so it
// holds full device resolution on high-DPI screens.
class RenderLayer {
public:
    enum class State {
        Ready,   // draw through painter()
        Empty,   // the bounds lie outside what the outer painter can show
        TooLarge // over the size cap: the caller draws another way
    };

    // bounds: the area the group can cover, in the outer painter's device coordinates;
    // it is cut to the outer painter's clip. The layer copies the outer render hints.
    // cutToClip false keeps the whole bounds (a filter must see all of its object).
    RenderLayer(QPainter& outer, const QRectF& bounds, bool cutToClip = true);
    ~RenderLayer();
    RenderLayer(const RenderLayer&) = delete;
    RenderLayer& operator=(const RenderLayer&) = delete;

    State state() const { return m_state; }
    // Draws into the layer (only when Ready). Clipped to the layer's area.
    QPainter& painter() { return *m_painter; }
    // Maps the outer painter's device coordinates to the layer's.
    QTransform offset() const { return QTransform::fromTranslate(-m_origin.x(), -m_origin.y()); }
    // The layer's area in the outer painter's device coordinates (whole device pixels).
    QRectF area() const { return QRectF(m_origin, QSizeF(m_image.size()) / m_ratio); }
    // Multiplies the layer by the coverage of path (outer device coordinates), anti-aliased
    // when the layer's painter is.
    void keepInside(const QPainterPath& path);
    // Ends drawing; the picture may then be changed before compositeInto.
    QImage& finish();
    double pixelRatio() const { return m_ratio; }
    // Ends drawing and draws the layer onto outer with mode at opacity (0..1).
    void compositeInto(QPainter& outer, QPainter::CompositionMode mode, double opacity = 1.0);

private:
    State m_state = State::Empty;
    QImage m_image;
    std::unique_ptr<QPainter> m_painter;
    QPointF m_origin; // top-left in outer device coordinates
    double m_ratio = 1.0;
};

} // namespace reelcase::swf
