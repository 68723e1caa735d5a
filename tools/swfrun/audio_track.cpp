#include "audio_track.h"

#include "swf/sound/sound_export.h"

namespace reelcase::swfrun {

namespace {
// WAV sizes are 32-bit: past this the sound is cut (over six hours at 44.1 kHz stereo).
constexpr std::uint64_t kMostDataBytes = 0xffffffffu - 36;
} // namespace

bool AudioTrack::open(const QString& path, QString* error) {
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        m_file.write(swf::wavHeader(0)) != 44) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, m_file.errorString());
        return false;
    }
    return true;
}

bool AudioTrack::append(const std::vector<std::int16_t>& samples) {
    const std::uint64_t room = kMostDataBytes - m_dataBytes;
    const auto bytes = std::min<std::uint64_t>(samples.size() * 2, room & ~std::uint64_t(3));
    if (bytes == 0)
        return true;
    const qint64 written =
        m_file.write(reinterpret_cast<const char*>(samples.data()), static_cast<qint64>(bytes));
    m_dataBytes += static_cast<std::uint64_t>(std::max<qint64>(written, 0));
    return written == static_cast<qint64>(bytes);
}

bool AudioTrack::finish(QString* error) {
    const bool ok = m_file.seek(0) &&
                    m_file.write(swf::wavHeader(static_cast<std::uint32_t>(m_dataBytes))) == 44 &&
                    m_file.flush();
    if (!ok)
        *error = QStringLiteral("cannot write %1: %2").arg(m_file.fileName(), m_file.errorString());
    m_file.close();
    return ok;
}

} // namespace reelcase::swfrun
