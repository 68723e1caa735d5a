#include "swf/format/bit_reader.h"

#include <QStringDecoder>

#include <cstring>

namespace reelcase::swf {

BitReader::BitReader(const char* data, qint64 size, qint64 baseOffset)
    : m_data(data)
    , m_size(size < 0 ? 0 : size)
    , m_base(baseOffset) {}

std::uint8_t BitReader::u8() {
    m_bitCount = 0;
    if (m_failed || m_pos >= m_size) {
        m_failed = true;
        return 0;
    }
    return static_cast<std::uint8_t>(m_data[m_pos++]);
}

std::uint16_t BitReader::u16() {
    const std::uint16_t lo = u8();
    const std::uint16_t hi = u8();
    return m_failed ? 0 : static_cast<std::uint16_t>(lo | (hi << 8));
}

std::uint32_t BitReader::u32() {
    const std::uint32_t lo = u16();
    const std::uint32_t hi = u16();
    return m_failed ? 0 : (lo | (hi << 16));
}

float BitReader::f32() {
    const std::uint32_t bits = u32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::uint32_t BitReader::ub(int bits) {
    if (bits <= 0)
        return 0;
    if (bits > 32) {
        m_failed = true;
        return 0;
    }
    std::uint64_t value = 0;
    for (int i = 0; i < bits; ++i) {
        if (m_bitCount == 0) {
            if (m_failed || m_pos >= m_size) {
                m_failed = true;
                return 0;
            }
            m_bits = static_cast<std::uint8_t>(m_data[m_pos++]);
            m_bitCount = 8;
        }
        --m_bitCount;
        value = (value << 1) | ((m_bits >> m_bitCount) & 1u);
    }
    return static_cast<std::uint32_t>(value);
}

std::int32_t BitReader::sb(int bits) {
    if (bits <= 0)
        return 0;
    const std::uint32_t raw = ub(bits);
    if (bits >= 32)
        return static_cast<std::int32_t>(raw);
    const std::uint32_t sign = 1u << (bits - 1);
    return static_cast<std::int32_t>((raw ^ sign)) - static_cast<std::int32_t>(sign);
}

QString BitReader::string(int version) {
    m_bitCount = 0;
    if (m_failed)
        return {};
    const void* nul = std::memchr(m_data + m_pos, 0, static_cast<size_t>(m_size - m_pos));
    if (!nul) {
        m_failed = true;
        return {};
    }
    const qint64 len = static_cast<const char*>(nul) - (m_data + m_pos);
    const char* start = m_data + m_pos;
    m_pos += len + 1;
    if (version < 6)
        return QString::fromLatin1(start, len);
    // A byte-order mark is a character of the string here (fromUtf8 would drop it).
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return utf8(QByteArrayView(start, len));
}

BitReader BitReader::sub(qint64 n) {
    m_bitCount = 0;
    if (m_failed || n < 0 || n > m_size - m_pos) {
        m_failed = true;
        return BitReader(nullptr, 0, offset());
    }
    BitReader r(m_data + m_pos, n, offset());
    m_pos += n;
    return r;
}

void BitReader::skip(qint64 n) {
    m_bitCount = 0;
    if (m_failed || n < 0 || n > m_size - m_pos) {
        m_failed = true;
        return;
    }
    m_pos += n;
}

void BitReader::seek(qint64 pos) {
    m_bitCount = 0;
    if (pos < 0 || pos > m_size) {
        m_failed = true;
        return;
    }
    m_pos = pos;
}

} // namespace reelcase::swf
