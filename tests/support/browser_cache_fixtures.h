#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>

namespace reelcase::test {

// Caches recorded from real browsers by tests/browsers/record_caches, in
// tests/caches/fixtures: "chromium-simple", "chromium-blockfile" and "firefox-cache2".
// Copies one into destination (created), expanding the files kept gzipped.
bool installCacheFixture(const QString& name, const QString& destination);

// What the recording's server sent, by the file name at the end of the URL.
struct RecordedMovie {
    QByteArray sha256; // of the movie itself, lower-case hex
    qint64 size = 0;
    QString coding;    // Content-Encoding it was sent with
    bool whole = true; // false for the one cut short and the range answer
};
QHash<QString, RecordedMovie> recordedMovies();

// A moment shortly after the recording, when its movies count as just cached.
QDateTime shortlyAfterRecording();

} // namespace reelcase::test
