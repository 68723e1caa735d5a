#pragma once

#include "swf/format/color_transform.h"
#include "swf/format/filters.h"
#include "swf/format/sound_def.h"

#include <QByteArray>
#include <QHash>
#include <QRgb>
#include <QString>
#include <QTransform>

#include <cstdint>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

namespace reelcase::swf {

// PlaceObject blend modes (0 and 1 are both normal).
enum class BlendMode : std::uint8_t {
    Normal = 1,
    Layer,
    Multiply,
    Screen,
    Lighten,
    Darken,
    Difference,
    Add,
    Subtract,
    Invert,
    Alpha,
    Erase,
    Overlay,
    HardLight
};

// An onClipEvent handler placed with an object: the events it answers (PlaceObject2 event
// flags, SWF 6 layout) and its actions.
struct ClipAction {
    std::uint32_t events = 0;
    int keyCode = 0;
    QByteArray code;
};

// PlaceObject, PlaceObject2 and PlaceObject3 as one command; absent fields keep what the
// object at that depth already has (for a move) or take their defaults (for a new one).
struct PlaceCommand {
    std::uint16_t depth = 0;
    bool move = false; // modify the object at depth (PlaceObject2/3 "move" flag)
    std::optional<std::uint16_t> characterId;
    std::optional<QTransform> matrix;
    std::optional<ColorTransform> cxform;
    std::optional<std::uint16_t> ratio;
    std::optional<QString> name;
    std::optional<std::uint16_t> clipDepth;
    std::optional<BlendMode> blendMode;
    std::optional<bool> visible;
    std::shared_ptr<const std::vector<ClipAction>> clipActions;
    std::optional<std::shared_ptr<const FilterList>> filters; // PlaceObject3; null: none
    std::optional<bool> cacheAsBitmap;
    std::optional<QRgb> opaqueBackground;
};

struct RemoveCommand {
    std::uint16_t depth = 0;
};

// A DoAction body: AVM1 bytecode run after the frame's display list is built.
// DoInitAction carries the sprite it initialises; its code runs once per play, before the
// frame actions of the frame it is in.
struct ActionCommand {
    QByteArray code;
    int initSprite = -1;
};

using FrameCommand = std::variant<PlaceCommand, RemoveCommand, ActionCommand, StartSoundCommand>;

struct FrameDef {
    std::vector<FrameCommand> commands;
    QByteArray streamBlock; // SoundStreamBlock body; empty when the frame has none
};

// The frames of the root movie or of a sprite.
struct TimelineDef {
    std::vector<FrameDef> frames;
    QHash<QString, int> labels; // lower-cased label -> 0-based frame
    int placeCount = 0;         // place commands in all frames
    int byteLength = 0;         // a sprite's tags as the file holds them
    std::optional<StreamHead> stream;
    // Its tags end in a ShowFrame and then End. The player keeps loading one that does not
    // and so never loops it: it stays on its last frame.
    bool complete = true;
    int frameCount() const { return static_cast<int>(frames.size()); }
    int frameOfLabel(const QString& label) const { return labels.value(labelKey(label), -1); }
    // Labels match without regard to ASCII case only.
    static QString labelKey(const QString& label) {
        QString key = label;
        for (QChar& c : key)
            if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
                c = QChar(c.unicode() + ('a' - 'A'));
        return key;
    }
};

} // namespace reelcase::swf
