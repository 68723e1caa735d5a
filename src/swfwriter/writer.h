#pragma once

#include "swf/format/color_transform.h"
#include "swf/format/container.h"
#include "swf/format/timeline_def.h"
#include "swf/shapes/shape_records.h"

#include <QByteArray>
#include <QHash>
#include <QPolygonF>
#include <QRectF>
#include <QSizeF>
#include <QStringList>

#include <optional>
#include <vector>

// Builds SWF files in memory: the tests' fixtures, the fuzzing seeds and the demo
// animations. Coordinates given to the writer are stage pixels; it stores twips.
namespace reelcase::swf::write {

// Style helpers (geometry in stage pixels).
FillStyle solid(const QColor& colour);
// A gradient running across box (linear: left to right; radial: centre to the edge).
FillStyle linearGradient(const QRectF& box, std::vector<GradientStop> stops,
                         Gradient::Spread spread = Gradient::Pad,
                         Gradient::Interpolation interpolation = Gradient::Normal);
FillStyle radialGradient(const QRectF& box, std::vector<GradientStop> stops, double focalPoint = 0,
                         Gradient::Spread spread = Gradient::Pad);
// A bitmap fill: the image's pixel (0,0) lands at topLeft, scaled by scale.
FillStyle bitmapFill(std::uint16_t bitmapId, const QPointF& topLeft, double scale = 1,
                     bool repeating = true, bool smoothed = true);
LineStyle line(double widthPx, const QColor& colour);

// One path of a shape: a sequence of moves, lines and quadratic curves with the styles on
// its two sides (fill0 left, fill1 right; 0 = none), indices into the current layer.
struct Path {
    int fill0 = 0, fill1 = 0, line = 0;
    struct Segment {
        enum Kind { Move, Line, Curve } kind = Line;
        QPointF to, control;
    };
    std::vector<Segment> segments;

    Path& moveTo(QPointF p);
    Path& lineTo(QPointF p);
    Path& curveTo(QPointF control, QPointF p);
};

class ShapeBuilder {
public:
    // DefineShape version 1..4 (1 and 2 have no alpha; 4 allows LINESTYLE2 and nonZero).
    explicit ShapeBuilder(int version = 3)
        : m_version(version) {}
    int addFill(FillStyle style); // 1-based index in the current layer
    int addLine(LineStyle style);
    // Starts a new layer: later styles and paths draw above everything before.
    ShapeBuilder& newLayer();
    ShapeBuilder& setNonZero(bool nonZero);

    ShapeBuilder& path(Path p);
    ShapeBuilder& rect(const QRectF& r, int fill, int line = 0);
    ShapeBuilder& polygon(const QPolygonF& points, int fill, int line = 0);
    ShapeBuilder& ellipse(const QRectF& box, int fill, int line = 0);

    int version() const { return m_version; }
    // The DefineShape tag body without the character id.
    QByteArray body() const;
    QRectF boundsTwips() const;

private:
    friend class SwfWriter;
    struct Layer {
        StyleSet styles;
        std::vector<Path> paths;
    };
    int m_version;
    bool m_nonZero = false;
    std::vector<Layer> m_layers{1};
};

// Everything a PlaceObject2 (or PlaceObject3 with a blend mode) can say. matrix maps the
// character to its parent in pixels (its translation is in pixels).
struct Place {
    int depth = 1;
    std::optional<std::uint16_t> character = {};
    bool move = false;
    std::optional<QTransform> matrix = {};
    std::optional<ColorTransform> cxform = {};
    std::optional<std::uint16_t> ratio = {};
    std::optional<QString> name = {};
    std::optional<std::uint16_t> clipDepth = {};
    std::optional<BlendMode> blendMode = {};
};

// Frame actions (DoAction bodies).
class Actions {
public:
    Actions& stop();
    Actions& play();
    Actions& gotoFrame(int frame); // 0-based
    Actions& gotoLabel(const QString& label);
    Actions& nextFrame();
    Actions& previousFrame();
    Actions& setTarget(const QString& target);
    Actions& raw(int code, const QByteArray& args = {});
    // Stack scripts: one ActionPush per value.
    Actions& push(const QString& s);
    Actions& push(const char* s) { return push(QString::fromUtf8(s)); }
    Actions& push(double d);          // a double
    Actions& pushInt(std::int32_t i); // an integer
    Actions& pushFloat(float f);
    Actions& push(bool b);
    Actions& pushNull();
    Actions& pushUndefined();
    Actions& pushRegister(int index);
    Actions& pushConstant(int index); // 8-bit index below 256, else 16-bit
    Actions& constantPool(const QStringList& strings);
    Actions& storeRegister(int index);
    Actions& gotoFrame2(bool play, int sceneBias = 0);
    // Branches to a label placed with mark() (resolved by bytes()), or by a raw offset.
    Actions& jump(const QString& label);
    Actions& ifTrue(const QString& label);
    Actions& jumpBy(int offset);
    Actions& ifTrueBy(int offset);
    Actions& mark(const QString& label);
    QByteArray bytes() const; // with the closing end action

private:
    Actions& branch(int code, const QString& label);
    QByteArray m_code;
    std::vector<std::pair<qsizetype, QString>> m_branches; // offset field, label
    QHash<QString, qsizetype> m_marks;
};

// A timeline: the root's or a sprite's control tags.
class Timeline {
public:
    Timeline& place(const Place& p);
    Timeline& remove(int depth);
    Timeline& label(const QString& name);
    Timeline& actions(const Actions& a);
    Timeline& showFrame(int count = 1);
    Timeline& rawTag(int code, const QByteArray& body);
    int frameCount() const { return m_frames; }
    const QByteArray& tags() const { return m_tags; }

protected:
    QByteArray m_tags;
    int m_frames = 0;
};

class SwfWriter : public Timeline {
public:
    explicit SwfWriter(QSizeF stagePixels = {550, 400}, double frameRate = 12, int version = 10);
    SwfWriter& background(const QColor& colour);
    // Definitions return the new character's id.
    std::uint16_t defineShape(const ShapeBuilder& shape);
    std::uint16_t defineMorphShape(const ShapeBuilder& start, const ShapeBuilder& end);
    std::uint16_t defineSprite(const Timeline& sprite);
    std::uint16_t nextId() const { return m_nextId; }
    // Reserves an id for a definition written with rawTag.
    std::uint16_t takeId() { return m_nextId++; }
    // The file: header, body and End. The frame count is the number of ShowFrames.
    QByteArray finish(Compression compression = Compression::None) const;

private:
    QSizeF m_stage;
    double m_rate;
    int m_version;
    std::uint16_t m_nextId = 1;
};

// A tag header and body as they appear in a file (long form when needed or forced).
QByteArray tagBytes(int code, const QByteArray& body, bool forceLong = false);
// Record encoders shared with other writers.
QByteArray matrixBytes(const QTransform& twips);
QByteArray colorTransformBytes(const ColorTransform& cx, bool withAlpha);
QByteArray rectBytes(const QRectF& twips);

} // namespace reelcase::swf::write
