#include "swfwriter/bit_writer.h"

namespace reelcase::swf {

void BitWriter::u8(int v) {
    align();
    m_data.append(static_cast<char>(v & 0xff));
}

void BitWriter::u16(int v) {
    u8(v);
    u8(v >> 8);
}

void BitWriter::u32(std::uint32_t v) {
    u16(static_cast<int>(v & 0xffff));
    u16(static_cast<int>(v >> 16));
}

void BitWriter::bytes(const QByteArray& b) {
    align();
    m_data.append(b);
}

void BitWriter::string(const QString& s) {
    bytes(s.toUtf8());
    u8(0);
}

void BitWriter::ub(int bits, std::uint32_t v) {
    for (int i = bits - 1; i >= 0; --i) {
        m_bits = static_cast<std::uint8_t>((m_bits << 1) | ((v >> i) & 1u));
        if (++m_bitCount == 8) {
            m_data.append(static_cast<char>(m_bits));
            m_bits = 0;
            m_bitCount = 0;
        }
    }
}

void BitWriter::align() {
    if (m_bitCount > 0)
        ub(8 - m_bitCount, 0);
}

int BitWriter::signedBits(std::int64_t v) {
    if (v < 0)
        v = ~v;
    return unsignedBits(static_cast<std::uint64_t>(v)) + 1;
}

int BitWriter::unsignedBits(std::uint64_t v) {
    int n = 0;
    while (v) {
        ++n;
        v >>= 1;
    }
    return n;
}

} // namespace reelcase::swf
