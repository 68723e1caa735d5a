#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace reelcase::swf {

// Reads little-endian bytes and big-endian bit fields from a span of memory without ever
// reading past its end. A read past the end sets the failed state, returns zero and keeps
// returning zero; callers check ok() once after a record rather than after every field.
class BitReader {
public:
    BitReader() = default;
    BitReader(const char* data, qint64 size, qint64 baseOffset = 0);
    explicit BitReader(const QByteArray& bytes, qint64 baseOffset = 0)
        : BitReader(bytes.constData(), bytes.size(), baseOffset) {}

    bool ok() const { return !m_failed; }
    void fail() { m_failed = true; }
    qint64 position() const { return m_pos; }        // bytes from the start of the span
    qint64 offset() const { return m_base + m_pos; } // position in the whole body
    qint64 size() const { return m_size; }
    qint64 remaining() const { return m_failed ? 0 : m_size - m_pos; }
    bool atEnd() const { return remaining() <= 0; }
    const char* data() const { return m_data; }

    void align() { m_bitCount = 0; }
    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    std::int16_t s16() { return static_cast<std::int16_t>(u16()); }
    float f32();
    double fixed16_16() { return static_cast<std::int32_t>(u32()) / 65536.0; }
    double fixed8_8() { return s16() / 256.0; }
    std::uint32_t ub(int bits);
    std::int32_t sb(int bits);
    double fb(int bits) { return sb(bits) / 65536.0; }
    bool flag() { return ub(1) != 0; }
    // A NUL-terminated string; without a terminator it fails. Version 6 and later are
    // UTF-8; earlier files are treated as Latin-1.
    QString string(int version = 6);
    // A sub-reader over the next n bytes; advances past them. Fails when n is too big.
    BitReader sub(qint64 n);
    void skip(qint64 n);
    // Moves to a byte position within the span (for tags whose length says where they end).
    void seek(qint64 pos);

private:
    const char* m_data = nullptr;
    qint64 m_size = 0;
    qint64 m_pos = 0;
    qint64 m_base = 0;
    bool m_failed = false;
    std::uint8_t m_bits = 0;
    int m_bitCount = 0;
};

} // namespace reelcase::swf
