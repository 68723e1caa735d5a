#pragma once

#include "platform/desktop.h"
#include "platform/safe_file_copy.h"

#include <QStringList>

#include <memory>

namespace reelcase {

namespace swf {
class Movie;
}

// The save dialog's request for 保存声音: title "保存声音", filters for MP3 and WAV,
// starting in the home folder.
FileDialogRequest saveSoundDialogRequest();

struct SoundSaveResult {
    QStringList written; // the files now in place
    QString error;       // the first failure in words, empty when all went well
    bool nothingToSave = false;
};

// Writes the movie's sound track beside chosen: the stream as chosen's name with .mp3 or
// .wav, each event sound as name_sound<id> with its own suffix (a suffix chosen in the
// dialog is replaced). Every file goes through the safe copy, so none is left half
// written. Blocks on the disk: call it off the UI thread.
SoundSaveResult saveSoundTrack(const swf::Movie& movie, const QString& chosen);

} // namespace reelcase
