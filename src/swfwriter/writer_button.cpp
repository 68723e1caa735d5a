#include "swfwriter/writer_button.h"

#include "swf/format/tag_table.h"
#include "swfwriter/bit_writer.h"

namespace reelcase::swf::write {
namespace {

QTransform toTwips(const QTransform& m) {
    return QTransform(m.m11(), m.m12(), m.m21(), m.m22(), m.dx() * 20, m.dy() * 20);
}

void writeRecords(BitWriter& w, const std::vector<ButtonRecord>& records, bool v2) {
    for (const ButtonRecord& r : records) {
        w.u8(r.states & 0x0f);
        w.u16(r.character);
        w.u16(r.depth);
        w.bytes(matrixBytes(toTwips(r.matrix)));
        if (v2)
            w.bytes(colorTransformBytes(r.cxform.value_or(ColorTransform{}), true));
    }
    w.u8(0);
}

} // namespace

std::uint16_t defineButton(SwfWriter& sw, const std::vector<ButtonRecord>& records,
                           const Actions& onRelease) {
    const std::uint16_t id = sw.takeId();
    BitWriter w;
    w.u16(id);
    writeRecords(w, records, false);
    w.bytes(onRelease.bytes());
    sw.rawTag(tag::DefineButton, w.data());
    return id;
}

std::uint16_t defineButton2(SwfWriter& sw, const std::vector<ButtonRecord>& records,
                            const std::vector<ButtonCondition>& conditions, bool trackAsMenu) {
    const std::uint16_t id = sw.takeId();
    BitWriter records2;
    writeRecords(records2, records, true);
    BitWriter w;
    w.u16(id);
    w.u8(trackAsMenu ? 1 : 0);
    // The offset counts from the offset field itself to the first condition action.
    w.u16(conditions.empty() ? 0 : static_cast<int>(records2.data().size()) + 2);
    w.bytes(records2.data());
    for (size_t i = 0; i < conditions.size(); ++i) {
        const ButtonCondition& c = conditions[i];
        const QByteArray code = c.actions.bytes();
        const bool last = i + 1 == conditions.size();
        w.u16(last ? 0 : static_cast<int>(code.size()) + 4);
        w.u8(c.transitions & 0xff);
        w.u8(((c.keyPress & 0x7f) << 1) | ((c.transitions >> 8) & 1));
        w.bytes(code);
    }
    sw.rawTag(tag::DefineButton2, w.data());
    return id;
}

} // namespace reelcase::swf::write
