// The player widget's sound: volume and mute kept in the settings file, the stream
// leading the picture with or without a device, and saving a movie's sound track.
#include "capture/flash_player_widget.h"
#include "capture/save_sound.h"

#include "support/temp_environment.h"
#include "swf/sound/sound_mixer.h"
#include "swfwriter/writer_sound.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QThreadPool>
#include <QWidgetAction>

using namespace reelcase;
using namespace reelcase::swf;

namespace {

constexpr int kFrame = 44100 / 12;

QAction* findAction(QMenu& menu, const QString& name) {
    for (QAction* action : menu.actions()) {
        if (action->objectName() == name)
            return action;
        if (action->menu())
            if (QAction* inner = findAction(*action->menu(), name))
                return inner;
    }
    return nullptr;
}

void settle() {
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
}

QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return {};
    return path;
}

// 24 frames at 12 fps with an uncompressed stream on every frame and one event sound.
QByteArray soundMovie(bool mp3Stream) {
    write::SwfWriter w({100, 100}, 12);
    const auto id = write::defineSound(w, {}, 1000, write::pcm16(0, 1000, 44100, false, 5000));
    if (mp3Stream)
        write::soundStreamHead(w, {SoundCodec::Mp3, 3, true, true}, kFrame);
    else
        write::soundStreamHead(w, {}, kFrame);
    write::startSound(w, id);
    for (int f = 0; f < 24; ++f) {
        // MP3 blocks carry made-up frame bytes: saving copies them, nothing decodes them.
        write::soundStreamBlock(
            w, mp3Stream ? write::mp3StreamBlock(kFrame, 0, QByteArray(10, char('a' + f)))
                         : write::pcm16(0, kFrame, 44100, false, 3000));
        w.showFrame();
    }
    return w.finish();
}

std::shared_ptr<const Movie> loadInto(FlashPlayerWidget& widget, const QString& path) {
    QSignalSpy loaded(&widget, &FlashPlayerWidget::movieLoaded);
    widget.setMovie(path);
    if (!loaded.wait(5000))
        return nullptr;
    return widget.loadedMovie();
}

} // namespace

class PlayerSoundTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void volumeAndMuteAreKept() {
        test::TempEnvironment env;
        {
            FlashPlayerWidget widget;
            QCOMPARE(widget.volume(), 100);
            QVERIFY(!widget.isMuted());
            auto menu = widget.createContextMenu({});
            QAction* volume = findAction(*menu, QStringLiteral("volume"));
            QVERIFY(volume && volume->menu());
            QCOMPARE(volume->text(), QStringLiteral("音量"));
            QSlider* slider = nullptr;
            for (QAction* a : volume->menu()->actions())
                if (auto* w = qobject_cast<QWidgetAction*>(a))
                    slider = qobject_cast<QSlider*>(w->defaultWidget());
            QVERIFY(slider);
            slider->setValue(30);
            QCOMPARE(widget.volume(), 30);
            Q_EMIT menu->aboutToHide(); // the menu closes: the value is stored
            findAction(*menu, QStringLiteral("mute"))->trigger();
            QVERIFY(widget.isMuted());
            settle();
        }
        const QSettings store(QSettings::IniFormat, QSettings::UserScope, "reelkit", "reelkit");
        QCOMPARE(store.value("reelkit/volume").toInt(), 30);
        FlashPlayerWidget again;
        QCOMPARE(again.volume(), 30);
        QVERIFY(again.isMuted());
        again.setMuted(false);
        again.setVolume(250); // clamped
        QCOMPARE(again.volume(), 100);
        settle();
    }

    // Mute silences the mix; the clock runs on all the same.
    void muteSilencesButKeepsTheClock() {
        test::TempEnvironment env;
        QTemporaryDir dir;
        FlashPlayerWidget widget;
        widget.setMuted(true);
        QVERIFY(loadInto(widget, writeFile(dir.filePath("s.swf"), soundMovie(false))));
        std::vector<std::int16_t> buffer(2 * 1000);
        const std::int64_t before = widget.player().soundMixer()->framesMixed();
        widget.player().soundMixer()->mix(buffer.data(), 1000);
        QVERIFY(std::all_of(buffer.begin(), buffer.end(), [](std::int16_t v) { return v == 0; }));
        // The output's own clock may pull more meanwhile; muted mixing still counts.
        QVERIFY(widget.player().soundMixer()->framesMixed() >= before + 1000);
        settle(); // the setting is written before the folder goes
    }

    // With a device or without one, the output pulls the mixer in real time, so a movie
    // with a stream moves on.
    void streamMoviePlaysOnTheOutputsClock() {
        test::TempEnvironment env;
        QTemporaryDir dir;
        FlashPlayerWidget widget;
        widget.setMuted(true);
        QVERIFY(loadInto(widget, writeFile(dir.filePath("s.swf"), soundMovie(false))));
        QTRY_VERIFY_WITH_TIMEOUT(widget.player().currentFrame() >= 3, 10000);
        settle();
    }

    void saveSoundWritesStreamAndEventSounds() {
        test::TempEnvironment env;
        QTemporaryDir dir;
        FlashPlayerWidget widget;
        const auto movie = loadInto(widget, writeFile(dir.filePath("m.swf"), soundMovie(true)));
        QVERIFY(movie);
        QSignalSpy asked(&widget, &FlashPlayerWidget::saveSoundRequested);
        auto menu = widget.createContextMenu({});
        QAction* save = findAction(*menu, QStringLiteral("saveSound"));
        QVERIFY(save && save->isEnabled());
        save->trigger();
        QCOMPARE(asked.size(), 1);

        const SoundSaveResult result = saveSoundTrack(*movie, dir.filePath("track.wav"));
        QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
        QCOMPARE(result.written,
                 QStringList({dir.filePath("track.mp3"), dir.filePath("track_sound1.wav")}));
        QFile mp3(dir.filePath("track.mp3"));
        QVERIFY(mp3.open(QIODevice::ReadOnly));
        QByteArray expected;
        for (int f = 0; f < 24; ++f)
            expected += QByteArray(10, char('a' + f));
        QCOMPARE(mp3.readAll(), expected); // the frames as stored, headers dropped
        QFile wav(dir.filePath("track_sound1.wav"));
        QVERIFY(wav.open(QIODevice::ReadOnly));
        const QByteArray bytes = wav.readAll();
        QVERIFY(bytes.startsWith("RIFF"));
        QCOMPARE(bytes.size(), 44 + 1000 * 4);

        // An uncompressed stream becomes a WAV file; a movie without sound gives none.
        FlashPlayerWidget other;
        const auto pcm = loadInto(other, writeFile(dir.filePath("p.swf"), soundMovie(false)));
        QVERIFY(pcm);
        const SoundSaveResult wavResult = saveSoundTrack(*pcm, dir.filePath("pcm"));
        QCOMPARE(wavResult.written.first(), dir.filePath("pcm.wav"));
        QCOMPARE(QFileInfo(dir.filePath("pcm.wav")).size(), 44 + 24 * kFrame * 4);
        write::SwfWriter silent({100, 100});
        silent.showFrame();
        const auto quiet = loadInto(other, writeFile(dir.filePath("q.swf"), silent.finish()));
        QVERIFY(saveSoundTrack(*quiet, dir.filePath("q")).nothingToSave);
    }

    void saveSoundFailsCleanly() {
        test::TempEnvironment env;
        QTemporaryDir dir;
        FlashPlayerWidget widget;
        const auto movie = loadInto(widget, writeFile(dir.filePath("m.swf"), soundMovie(true)));
        QVERIFY(movie);
        const SoundSaveResult result = saveSoundTrack(*movie, dir.filePath("missing/track"));
        QVERIFY(!result.error.isEmpty());
        QVERIFY(result.written.isEmpty());
        QVERIFY(!QDir(dir.filePath("missing")).exists());
    }
};

QTEST_MAIN(PlayerSoundTest)
#include "test_player_sound.moc"
