#include "capture/save_sound.h"

#include "swf/sound/sound_export.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace reelcase {

FileDialogRequest saveSoundDialogRequest() {
    return {QStringLiteral("保存声音"), QDir::homePath(), {QStringLiteral("声音(*.mp3 *.wav)")}};
}

SoundSaveResult saveSoundTrack(const swf::Movie& movie, const QString& chosen) {
    SoundSaveResult result;
    const std::vector<swf::ExportedSound> sounds = swf::exportSounds(movie);
    if (sounds.empty()) {
        result.nothingToSave = true;
        return result;
    }
    const QFileInfo target(chosen.trimmed());
    QString base = target.fileName();
    const QString lower = base.toLower();
    if (lower.endsWith(QLatin1String(".mp3")) || lower.endsWith(QLatin1String(".wav")))
        base.chop(4);
    const QString folder = target.absolutePath();
    for (const swf::ExportedSound& sound : sounds) {
        const QString name =
            sound.name == QLatin1String("stream") ? base : base + QLatin1Char('_') + sound.name;
        const QString destination =
            folder + QLatin1Char('/') + name + QLatin1Char('.') + sound.suffix;
        // The bytes go to a private temporary file first; the safe copy puts them in place.
        QTemporaryFile staged;
        if (!staged.open() || staged.write(sound.bytes) != sound.bytes.size() || !staged.flush()) {
            if (result.error.isEmpty())
                result.error = staged.errorString();
            continue;
        }
        const CopyResult copy = copyFileSafely(staged.fileName(), destination);
        if (copy.ok)
            result.written << destination;
        else if (result.error.isEmpty())
            result.error = copy.error;
    }
    return result;
}

} // namespace reelcase
