#include "audio_encoding.h"

#include "swf/format/movie.h"
#include "swf/sound/sound_character.h"
#include "swf/sound/sound_decoder.h"
#include "swf/sound/sound_mixer.h"
#include "swf/swf_fixtures.h"
#include "swfwriter/writer_sound.h"

#include <QTest>

using namespace reelcase::swf;
using namespace reelcase::test;

namespace {

constexpr int kRate = 12;
constexpr int kFrame = 44100 / kRate; // sample frames per movie frame

using Samples = std::vector<std::int16_t>;

// The first and one past the last sample frame louder than threshold (-1 when silent).
int firstLoud(const Samples& s, int threshold = 200) {
    for (std::size_t i = 0; i < s.size(); ++i)
        if (std::abs(s[i]) > threshold)
            return static_cast<int>(i / 2);
    return -1;
}
int endOfLoud(const Samples& s, int threshold = 200) {
    for (std::size_t i = s.size(); i-- > 0;)
        if (std::abs(s[i]) > threshold)
            return static_cast<int>(i / 2) + 1;
    return -1;
}
int left(const Samples& s, int frame) {
    return s[std::size_t(frame) * 2];
}
int right(const Samples& s, int frame) {
    return s[std::size_t(frame) * 2 + 1];
}

// A mono 44.1 kHz 16-bit sound of constant level.
std::uint16_t defineLevel(write::SwfWriter& w, int frames, int level = 10000) {
    return write::defineSound(w, {}, std::uint32_t(frames),
                              write::pcm16(0, frames, 44100, false, level));
}

// A movie of frames frames whose frame `at` (0-based) starts sound with info.
QByteArray eventMovie(int frames, int at, int soundFrames, const SoundInfo& info = {},
                      int level = 10000) {
    write::SwfWriter w({100, 100}, kRate);
    const auto id = defineLevel(w, soundFrames, level);
    for (int f = 0; f < frames; ++f) {
        if (f == at)
            write::startSound(w, id, info);
        w.showFrame();
    }
    return w.finish();
}

// A stream of uncompressed 44.1 kHz mono blocks on frames [from, to), each a frame long at
// level 1000 * (frame + 1), in a movie of frames frames.
QByteArray streamMovie(int frames, int from, int to) {
    write::SwfWriter w({100, 100}, kRate);
    write::soundStreamHead(w, {}, kFrame);
    for (int f = 0; f < frames; ++f) {
        if (f >= from && f < to)
            write::soundStreamBlock(w, write::pcm16(0, kFrame, 44100, false, 1000 * (f + 1)));
        w.showFrame();
    }
    return w.finish();
}

struct Playing {
    std::shared_ptr<const Movie> movie;
    Player player;
    explicit Playing(const QByteArray& file) {
        movie = load(file);
        player.setMovie(movie);
    }
};

} // namespace

class TestSound : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The frame clock places sounds: frame k's sounds start at (k - 1) / rate.
    void eventAndStreamStartOnTheirFrames() {
        Playing event(eventMovie(10, 4, 2000));
        const Samples a = event.player.renderAudio(10);
        QVERIFY(std::abs(firstLoud(a) - 4 * kFrame) < kFrame);
        QCOMPARE(endOfLoud(a) - firstLoud(a), 2000);

        Playing stream(streamMovie(10, 2, 6));
        const Samples b = stream.player.renderAudio(10);
        QVERIFY(std::abs(firstLoud(b) - 2 * kFrame) < kFrame);
        QVERIFY(std::abs(endOfLoud(b) - 6 * kFrame) < kFrame);
        QCOMPARE(left(b, 3 * kFrame + 100), 4000); // frame 4's block
        QCOMPARE(left(b, 5 * kFrame + 100), 6000);
    }

    void mp3StreamKeepsToTheFrameClock() {
        // A tone from 1 s on in a 44.1 kHz stereo MP3 stream that starts on frame 1.
        const int total = 44100 * 2;
        Samples pcm(std::size_t(total) * 2, 0);
        const Samples t = tone(440, total / 2, 44100, 2);
        std::copy(t.begin(), t.end(), pcm.begin() + total);
        const QList<QByteArray> frames = encodeAudio("libmp3lame", pcm, 44100, 2);
        if (frames.isEmpty())
            QSKIP("no MP3 encoder here");
        write::SwfWriter w({100, 100}, kRate);
        write::soundStreamHead(w, {SoundCodec::Mp3, 3, true, true}, kFrame, 1105);
        // The frames are spread over the movie frames by their time (1152 samples each).
        int next = 0;
        for (int f = 0; f < 24; ++f) {
            QByteArray block;
            while (next < frames.size() && next * 1152 < (f + 1) * kFrame)
                block += frames[next++];
            write::soundStreamBlock(w, write::mp3StreamBlock(kFrame, 0, block));
            w.showFrame();
        }
        Playing p(w.finish());
        const Samples out = p.player.renderAudio(24);
        QVERIFY(std::abs(firstLoud(out, 2000) - 12 * kFrame) < kFrame);
    }

    void loopsInAndOutPoints() {
        SoundInfo loops;
        loops.loops = 3;
        Playing a(eventMovie(4, 0, 1000, loops));
        const Samples sa = a.player.renderAudio(4);
        QCOMPARE(firstLoud(sa), 0);
        QCOMPARE(endOfLoud(sa), 3000);

        SoundInfo cut;
        cut.inPoint = 200;
        cut.outPoint = 700;
        cut.loops = 2;
        Playing b(eventMovie(4, 0, 1000, cut));
        const Samples sb = b.player.renderAudio(4);
        QCOMPARE(endOfLoud(sb), 1000);

        // An out point before the in point plays nothing rather than running wild.
        cut.outPoint = 100;
        Playing c(eventMovie(4, 0, 1000, cut));
        QCOMPARE(firstLoud(c.player.renderAudio(4)), -1);
    }

    void envelopeShapesEachChannel() {
        SoundInfo info;
        info.envelope = {{0, 0, 32768}, {1000, 32768, 0}};
        Playing p(eventMovie(2, 0, 2000, info));
        const Samples s = p.player.renderAudio(2);
        QCOMPARE(left(s, 0), 0);
        QCOMPARE(right(s, 0), 10000);
        QVERIFY(std::abs(left(s, 500) - 5000) < 50);
        QVERIFY(std::abs(right(s, 500) - 5000) < 50);
        QCOMPARE(left(s, 1500), 10000); // past the last point its level holds
        QCOMPARE(right(s, 1500), 0);
    }

    void syncStopAndNoMultiple() {
        write::SwfWriter w({100, 100}, kRate);
        const auto id = defineLevel(w, 44100, 4000);
        SoundInfo once;
        once.syncNoMultiple = true;
        write::startSound(w, id);
        w.showFrame();
        write::startSound(w, id, once); // already playing: not started again
        w.showFrame();
        write::startSound(w, id); // a second instance adds up
        w.showFrame();
        SoundInfo stop;
        stop.syncStop = true;
        write::startSound(w, id, stop);
        w.showFrame(2);
        Playing p(w.finish());
        const Samples s = p.player.renderAudio(4);
        QCOMPARE(left(s, kFrame + 10), 4000);
        QCOMPARE(left(s, 2 * kFrame + 10), 8000);
        QCOMPARE(left(s, 3 * kFrame + 10), 0);
        QCOMPARE(p.player.soundMixer()->voiceCount(), 0);
    }

    void voicesAreCapped() {
        write::SwfWriter w({100, 100}, kRate);
        const auto id = defineLevel(w, 44100, 100);
        for (int i = 0; i < 5000; ++i)
            write::startSound(w, id);
        w.showFrame(2);
        Playing p(w.finish());
        QCOMPARE(p.player.soundMixer()->voiceCount(), 32);
        const Samples s = p.player.renderAudio(1);
        QCOMPARE(left(s, 10), 3200);
    }

    // Stream sound follows the timeline: gotos restart it where they land, stopping
    // silences it, playing again picks up at the next frame, a step plays one block.
    void streamFollowsTheTimeline() {
        Playing p(streamMovie(12, 0, 12));
        p.player.renderAudio(5);
        p.player.gotoFrame(2);
        Samples s = p.player.renderAudio(1);
        QCOMPARE(left(s, 10), 3000);
        QCOMPARE(left(s, kFrame - 10), 3000);

        p.player.stop();
        QCOMPARE(firstLoud(p.player.renderAudio(2)), -1);
        p.player.play();
        const int frame = p.player.currentFrame();
        p.player.renderAudio(1); // the timeline moves on and picks the stream up there
        s = p.player.renderAudio(1);
        QCOMPARE(left(s, 10), 1000 * (frame + 2));

        p.player.rewind();
        QCOMPARE(firstLoud(p.player.renderAudio(1)), -1);
        p.player.stepForward();
        s = p.player.renderAudio(2);
        QCOMPARE(left(s, 10), 2000);
        QCOMPARE(endOfLoud(s), kFrame);
        QCOMPARE(p.player.currentFrame(), 1);
    }

    void loopingRestartsTheStream() {
        Playing p(streamMovie(4, 0, 4));
        const Samples s = p.player.renderAudio(8);
        QCOMPARE(left(s, 4 * kFrame + 10), 1000);
        QCOMPARE(left(s, 7 * kFrame + 10), 4000);
    }

    // A sprite's stream starts with the sprite and ends when it is removed.
    void spriteStreamPlaysWhileTheSpriteIsThere() {
        write::SwfWriter w({100, 100}, kRate);
        write::Timeline clip;
        write::soundStreamHead(clip, {}, kFrame);
        for (int f = 0; f < 10; ++f) {
            write::soundStreamBlock(clip, write::pcm16(0, kFrame, 44100, false, 1500));
            clip.showFrame();
        }
        const auto sprite = w.defineSprite(clip);
        w.showFrame();
        w.place({1, sprite}).showFrame(3);
        w.remove(1).showFrame(2);
        Playing p(w.finish());
        const Samples s = p.player.renderAudio(6);
        QCOMPARE(firstLoud(s), kFrame);
        QCOMPARE(left(s, 3 * kFrame + 10), 1500);
        QVERIFY(std::abs(endOfLoud(s) - 4 * kFrame) < kFrame);
    }

    // On screen the heard sound decides the frame: none is due before its sound is
    // heard, and frames left behind are run without waiting.
    void heardSoundDecidesTheFrame() {
        Playing p(streamMovie(30, 0, 30));
        QVERIFY(p.player.soundLeads());
        QCOMPARE(p.player.advance(), 0);
        Samples buffer(std::size_t(kFrame) * 2 * 20);
        auto mixer = p.player.soundMixer();
        mixer->mix(buffer.data(), kFrame * 3 + kFrame / 2);
        QCOMPARE(p.player.advance(), 3);
        QCOMPARE(p.player.currentFrame(), 3);
        QCOMPARE(p.player.advance(), 0);
        // What the output still holds is not heard yet.
        mixer->setOutputDelay(kFrame * 2);
        mixer->mix(buffer.data(), kFrame * 2);
        QCOMPARE(p.player.advance(), 0);
        mixer->setOutputDelay(0);
        mixer->mix(buffer.data(), kFrame * 12);
        QCOMPARE(p.player.advance(), 8); // catching up, a few frames per call
        p.player.advance();
        QCOMPARE(p.player.currentFrame(), 17);
        // Without a stream, every call is one tick.
        Playing plain(eventMovie(5, 0, 10));
        QVERIFY(!plain.player.soundLeads());
        QCOMPARE(plain.player.advance(), 1);
    }

    void codecsDecodeAtTheirLength() {
        struct Case {
            const char* encoder;
            SoundCodec codec;
            int rateCode;
            int rate;
        };
        const Case cases[] = {{"libmp3lame", SoundCodec::Mp3, 2, 22050},
                              {"adpcm_swf", SoundCodec::Adpcm, 1, 11025},
                              {"nellymoser", SoundCodec::Nellymoser, 2, 22050},
                              // Many frames in one packet: every one of them is heard.
                              {"libspeex", SoundCodec::Speex, 0, 16000}};
        for (const Case& c : cases) {
            const QList<QByteArray> packets =
                encodeAudio(c.encoder, tone(300, 4096, c.rate, 1), c.rate, 1,
                            c.codec == SoundCodec::Speex ? 20000 : 64000);
            if (packets.isEmpty()) {
                qWarning("encoder %s missing", c.encoder);
                continue;
            }
            QByteArray data = c.codec == SoundCodec::Mp3 ? QByteArray(2, '\0') : QByteArray();
            data += c.codec == SoundCodec::Adpcm ? packets.first() : packets.join();
            write::SwfWriter w({100, 100}, kRate);
            const auto id = write::defineSound(w, {c.codec, c.rateCode, true, false}, 4096, data);
            write::startSound(w, id);
            w.showFrame();
            Playing p(w.finish());
            const double seconds = p.player.soundMixer()->duration(id);
            QVERIFY2(std::abs(seconds - 4096.0 / c.rate) < 0.1, c.encoder);
            const Samples s = p.player.renderAudio(6);
            QVERIFY2(endOfLoud(s, 1000) > 0, c.encoder);
        }
        // 8-bit unsigned PCM at 5.5 kHz, resampled: its length in time is kept.
        write::SwfWriter w({100, 100}, kRate);
        const auto id = write::defineSound(w, {SoundCodec::PcmNative, 0, false, false}, 5512,
                                           QByteArray(5512, char(200)));
        w.showFrame();
        Playing p(w.finish());
        QVERIFY(std::abs(p.player.soundMixer()->duration(id) - 1.0) < 0.01);
    }

    // A stream's blocks cut MP3 frames anywhere and end where the movie's bytes end: the
    // decoder must not read past a block, and the pieces make the same sound as the whole.
    void mp3CutMidFrameDecodesLikeTheWhole() {
        const QByteArray mp3 =
            encodeAudio("libmp3lame", tone(440, 8192, 22050, 1), 22050, 1, 64000).join();
        if (mp3.isEmpty())
            QSKIP("libmp3lame missing");
        const SoundFormat format{SoundCodec::Mp3, 2, true, false};
        Samples whole;
        auto one = makeSoundDecoder(format);
        QVERIFY(one && one->decode(mp3.constData(), mp3.size(), whole));
        one->flush(whole);
        QVERIFY(!whole.empty());
        for (const qsizetype step : {1, 37, 100, 150, 190, 230, 260, 300}) {
            Samples pieces;
            auto cut = makeSoundDecoder(format);
            for (qsizetype at = 0; at < mp3.size(); at += step) {
                const qsizetype size = std::min(step, mp3.size() - at);
                // Exactly as large as the piece, so a sanitizer sees any read beyond it.
                const auto block = std::make_unique<char[]>(std::size_t(size));
                std::copy_n(mp3.constData() + at, size, block.get());
                cut->decode(block.get(), size, pieces);
            }
            cut->flush(pieces);
            QCOMPARE(pieces.size(), whole.size());
            QVERIFY(pieces == whole);
        }
    }

    // What the script layer's Sound class calls.
    void scriptsStartStopAndShapeSounds() {
        write::SwfWriter w({100, 100}, kRate);
        const auto id = defineLevel(w, 44100, 8000);
        write::exportAssets(w, {{id, QStringLiteral("Song")}});
        w.showFrame(10);
        Playing p(w.finish());
        SoundMixer& mixer = *p.player.soundMixer();
        QCOMPARE(mixer.exportedSound(QStringLiteral("song")), id);
        QCOMPARE(mixer.duration(id), 1.0);
        const SoundOwner owner = 7;
        QVERIFY(mixer.start({id, owner, 0.9, 2, {}, true}) > 0);
        mixer.setTransform(owner, {100, 0, 0, 0, 50}); // right channel silent, half volume
        Samples s = p.player.renderAudio(1);
        QCOMPARE(left(s, 10), 4000);
        QCOMPARE(right(s, 10), 0);
        QVERIFY(std::abs(mixer.position(owner) - (0.9 + 1.0 / kRate)) < 0.01);
        QVERIFY(mixer.takeFinished().empty());
        p.player.renderAudio(2); // the first loop's 0.1 s are gone, the second plays
        QCOMPARE(mixer.voiceCount(), 1);
        p.player.renderAudio(kRate);
        const auto done = mixer.takeFinished();
        QCOMPARE(done.size(), std::size_t(1));
        QCOMPARE(done.front().owner, owner);

        mixer.start({id, owner});
        mixer.start({id, 9});
        mixer.stop(owner);
        QCOMPARE(mixer.voiceCount(), 1);
    }

    void buttonSoundsPlayOnTheirTransition() {
        write::SwfWriter w({100, 100}, kRate);
        const auto id = defineLevel(w, 1000, 5000);
        ButtonSounds sounds;
        sounds[static_cast<int>(ButtonTransition::OverUpToOverDown)].soundId = id;
        write::defineButtonSound(w, 40, sounds);
        w.showFrame(2);
        Playing p(w.finish());
        p.player.soundMixer()->startButtonSound(40, ButtonTransition::IdleToOverUp);
        QCOMPARE(p.player.soundMixer()->voiceCount(), 0);
        p.player.soundMixer()->startButtonSound(40, ButtonTransition::OverUpToOverDown);
        QCOMPARE(p.player.soundMixer()->voiceCount(), 1);
    }

    // Broken audio plays what it can and the picture goes on.
    void hostileAudioIsContained() {
        write::SwfWriter w({100, 100}, kRate);
        QByteArray noise(20000, '\0');
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919) ^ (i >> 3));
        for (const SoundCodec codec : {SoundCodec::Mp3, SoundCodec::Adpcm, SoundCodec::Nellymoser,
                                       SoundCodec::Speex, SoundCodec::PcmLittle}) {
            for (int rateCode = 0; rateCode < 4; ++rateCode) {
                const auto id =
                    write::defineSound(w, {codec, rateCode, true, true}, 0xffffffff, noise);
                write::startSound(w, id);
                // A few bytes only: cut off in its first frame.
                const auto cut =
                    write::defineSound(w, {codec, rateCode, true, true}, 100000, noise.left(3));
                write::startSound(w, cut);
            }
        }
        w.rawTag(14, QByteArray("\x63\x00\xf7", 3)); // DefineSound of an unknown codec, cut short
        write::startSound(w, 0x63);
        write::soundStreamHead(w, {SoundCodec::Mp3, 3, true, true}, 0xffff, -30000);
        for (int f = 0; f < 6; ++f) {
            // Blocks whose sample counts lie, around MP3 data that is noise.
            write::soundStreamBlock(
                w, write::mp3StreamBlock(0xffff, 0x7fff, noise.mid(f * 100, 3000)));
            w.showFrame();
        }
        Playing p(w.finish());
        QVERIFY(p.movie);
        QVERIFY(p.player.soundMixer()->voiceCount() <= 32);
        const Samples s = p.player.renderAudio(12);
        QCOMPARE(s.size(), std::size_t(12 * kFrame * 2));
        QCOMPARE(p.player.currentFrame(), 0); // six frames, looping: the picture went on
    }
};

QTEST_GUILESS_MAIN(TestSound)
#include "test_sound.moc"
