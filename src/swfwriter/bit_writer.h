#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace reelcase::swf {

// Appends little-endian bytes and big-endian bit fields (the writer's side of BitReader).
class BitWriter {
public:
    void u8(int v);
    void u16(int v);
    void u32(std::uint32_t v);
    void bytes(const QByteArray& b);
    void string(const QString& s); // UTF-8, NUL-terminated
    void ub(int bits, std::uint32_t v);
    void sb(int bits, std::int32_t v) { ub(bits, static_cast<std::uint32_t>(v)); }
    void flag(bool v) { ub(1, v ? 1 : 0); }
    void align(); // pads the current byte with zero bits
    const QByteArray& data() {
        align();
        return m_data;
    }

    // Bits needed to hold the values as signed / unsigned fields.
    static int signedBits(std::int64_t v);
    static int unsignedBits(std::uint64_t v);

private:
    QByteArray m_data;
    std::uint8_t m_bits = 0;
    int m_bitCount = 0;
};

} // namespace reelcase::swf
