#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtEndian>

#include <optional>

namespace reelcase {

// Bounds-checked reads of fixed-size integers from untrusted bytes: a read past the end
// yields nothing instead of touching memory it must not.
class ByteView {
public:
    explicit ByteView(QByteArrayView bytes)
        : m_bytes(bytes) {}

    qsizetype size() const { return m_bytes.size(); }
    bool has(qint64 offset, qint64 length) const {
        return offset >= 0 && length >= 0 && offset <= m_bytes.size() &&
               length <= m_bytes.size() - offset;
    }
    QByteArrayView mid(qint64 offset, qint64 length) const {
        return has(offset, length) ? m_bytes.sliced(qsizetype(offset), qsizetype(length))
                                   : QByteArrayView();
    }

    std::optional<quint16> be16(qint64 offset) const { return get<quint16, false>(offset); }
    std::optional<quint32> be32(qint64 offset) const { return get<quint32, false>(offset); }
    std::optional<quint32> le32(qint64 offset) const { return get<quint32, true>(offset); }
    std::optional<qint32> le32s(qint64 offset) const { return get<qint32, true>(offset); }
    std::optional<quint64> le64(qint64 offset) const { return get<quint64, true>(offset); }
    std::optional<qint64> le64s(qint64 offset) const { return get<qint64, true>(offset); }

private:
    template <typename T, bool little> std::optional<T> get(qint64 offset) const {
        if (!has(offset, sizeof(T)))
            return std::nullopt;
        const char* at = m_bytes.data() + offset;
        return little ? qFromLittleEndian<T>(at) : qFromBigEndian<T>(at);
    }
    QByteArrayView m_bytes;
};

} // namespace reelcase
