#include "script_probe.h"

#include "swf/format/container.h"
#include "swf/format/limits.h"
#include "swf/format/tag_table.h"

namespace reelcase::conformance {

namespace {

using swf::tag::DefineButton;
using swf::tag::DefineButton2;
using swf::tag::DefineSprite;
using swf::tag::DoAction;
using swf::tag::DoInitAction;
using swf::tag::PlaceObject2;
using swf::tag::PlaceObject3;

quint32 readLe(const QByteArray& b, qsizetype at, int bytes) {
    quint32 v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | quint8(b[at + i]);
    return v;
}

// DefineButton2: id (2), flags (1), then the offset to the actions, 0 when there are none.
bool buttonHasActions(const QByteArray& b, qsizetype at, qsizetype length) {
    return length >= 5 && readLe(b, at + 3, 2) != 0;
}

// Walks the tags in [at, end); sprites nest one level at a time, up to a small depth.
bool tagsHaveScripts(const QByteArray& b, qsizetype at, qsizetype end, int depth) {
    while (at + 2 <= end) {
        const quint32 header = readLe(b, at, 2);
        at += 2;
        const int code = int(header >> 6);
        qsizetype length = header & 0x3f;
        if (length == 0x3f) {
            if (at + 4 > end)
                return false;
            length = readLe(b, at, 4);
            at += 4;
        }
        if (length > end - at)
            length = end - at;
        switch (code) {
        case DoAction:
        case DoInitAction:
        case DefineButton:
            return true;
        case DefineButton2:
            if (buttonHasActions(b, at, length))
                return true;
            break;
        case PlaceObject2:
        case PlaceObject3:
            if (length >= 1 && (quint8(b[at]) & 0x80))
                return true;
            break;
        case DefineSprite:
            if (depth < 8 && length > 4 && tagsHaveScripts(b, at + 4, at + length, depth + 1))
                return true;
            break;
        default:
            break;
        }
        if (code == swf::tag::End)
            return false;
        at += length;
    }
    return false;
}

} // namespace

bool movieHasScripts(const QByteArray& file) {
    swf::LoadError error;
    const auto container = swf::readContainer(file, &error, swf::limits::maxBodyBytes);
    if (!container || container->body.isEmpty())
        return true;
    const QByteArray& b = container->body;
    // The stage rectangle: 5 bits of field width, then four fields; rate and count follow.
    const int bits = quint8(b[0]) >> 3;
    const qsizetype start = (5 + 4 * bits + 7) / 8 + 4;
    return tagsHaveScripts(b, start, b.size(), 0);
}

} // namespace reelcase::conformance
