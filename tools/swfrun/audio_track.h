#pragma once

#include <QFile>
#include <QString>

#include <cstdint>
#include <vector>

namespace reelcase::swfrun {

// The run's sound written to a WAV file as the frames go by, so that a long run never
// holds its whole sound in memory; finish() fills in the header's sizes.
class AudioTrack {
public:
    // False, with the reason in *error, when the file cannot be created.
    bool open(const QString& path, QString* error);
    bool append(const std::vector<std::int16_t>& samples);
    bool finish(QString* error);

private:
    QFile m_file;
    std::uint64_t m_dataBytes = 0;
};

} // namespace reelcase::swfrun
