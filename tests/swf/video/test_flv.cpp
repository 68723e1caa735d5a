#include "support/fake_swf_host.h"
#include "swf/script/action_codes.h"
#include "swf/script_stage.h"
#include "swf/sound/sound_mixer.h"
#include "swf/swf_fixtures.h"
#include "swf/video/flv_encoding.h"
#include "swf/video/flv_reader.h"
#include "swfwriter/writer_video.h"

#include <QTest>

using namespace reelcase::swf;
using namespace reelcase::swf::avm1;
using namespace reelcase::test;
using write::Actions;

namespace {

constexpr QSize kSize(48, 32);

// The bytes of a script without its closing end action.
QByteArray open(const Actions& a) {
    return a.bytes().chopped(1);
}

// Pushes function (a) { trace(prefix + a.member); }.
QByteArray traceHandler(const char* prefix, const char* member) {
    const QByteArray body = open(Actions()
                                     .push(prefix)
                                     .push("a")
                                     .raw(GetVariable)
                                     .push(member)
                                     .raw(GetMember)
                                     .raw(Add2)
                                     .raw(Trace));
    QByteArray args("\0\1\0a\0", 5); // no name, one parameter
    args.append(char(body.size())).append('\0');
    return open(Actions().raw(DefineFunction, args)) + body;
}

// new NetConnection() connected to null, a stream on it reporting its status and
// metadata, shown in the Video "v" (the stream's size, doubled), playing file.
QByteArray streamMovie(const QString& file) {
    write::SwfWriter w({96, 64}, 12, 7);
    const auto id = write::defineVideoStream(w, 0, kSize, 0);
    QTransform scale;
    scale.scale(2, 2);
    w.place({.depth = 1, .character = id, .matrix = scale, .name = QStringLiteral("v")});
    QByteArray script = open(Actions()
                                 .push("nc")
                                 .push(0.0)
                                 .push("NetConnection")
                                 .raw(NewObject)
                                 .raw(SetVariable)
                                 .pushNull()
                                 .push(1.0)
                                 .push("nc")
                                 .raw(GetVariable)
                                 .push("connect")
                                 .raw(CallMethod)
                                 .raw(Pop)
                                 .push("ns")
                                 .push("nc")
                                 .raw(GetVariable)
                                 .push(1.0)
                                 .push("NetStream")
                                 .raw(NewObject)
                                 .raw(SetVariable)
                                 .push("ns")
                                 .raw(GetVariable)
                                 .push("onStatus"));
    script += traceHandler("", "code");
    script += open(Actions().raw(SetMember).push("ns").raw(GetVariable).push("onMetaData"));
    script += traceHandler("duration ", "duration");
    script += open(Actions()
                       .raw(SetMember)
                       .push("ns")
                       .raw(GetVariable)
                       .push(1.0)
                       .push("v")
                       .raw(GetVariable)
                       .push("attachVideo")
                       .raw(CallMethod)
                       .raw(Pop)
                       .push(file)
                       .push(1.0)
                       .push("ns")
                       .raw(GetVariable)
                       .push("play")
                       .raw(CallMethod)
                       .raw(Pop)
                       .stop());
    w.rawTag(12, script + '\0');
    w.showFrame();
    return w.finish();
}

QRgb centre(const Player& player) {
    return renderImage(player, {96, 64}).pixel(48, 32);
}

// Sign changes of the left channel past a dead band, so noise around zero counts none.
int zeroCrossings(const std::vector<std::int16_t>& stereo, std::size_t from) {
    int crossings = 0;
    int sign = 0;
    for (std::size_t i = from * 2; i < stereo.size(); i += 2) {
        const int now = stereo[i] > 2000 ? 1 : stereo[i] < -2000 ? -1 : sign;
        crossings += sign != 0 && now != sign;
        sign = now;
    }
    return crossings;
}

} // namespace

class TestFlv : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Tags come out in file order with their times (the fourth time byte on top), tags of
    // unknown types are left out, and a file cut short keeps what came before the cut.
    void tagsAndTheirTimes() {
        QByteArray file = flvHeader(true, true);
        file += flvTag(18, 0, flvMetaData({{"duration", 2}}));
        file += flvTag(9, 40,
                       QByteArray("\x12"
                                  "abc",
                                  4));
        file += flvTag(15, 50, "unknown");
        file += flvTag(8, 0x01000010,
                       QByteArray("\x2e"
                                  "mp3",
                                  4));
        const std::optional<FlvFile> read = readFlv(file);
        QVERIFY(read);
        QVERIFY(read->hasAudio && read->hasVideo && !read->truncated);
        QCOMPARE(read->tags.size(), 3u);
        QCOMPARE(read->tags[0].type, FlvTag::Script);
        QCOMPARE(read->tags[1].timeMs, 40);
        QCOMPARE(read->tags[1].body, QByteArray("\x12"
                                                "abc",
                                                4));
        QCOMPARE(read->tags[2].type, FlvTag::Audio);
        QCOMPARE(read->tags[2].timeMs, 0x01000010);

        const auto cut = readFlv(file.chopped(6));
        QVERIFY(cut && cut->truncated);
        QCOMPARE(cut->tags.size(), 2u);

        QVERIFY(!readFlv("FLV"));
        QVERIFY(!readFlv("GIF89a and more bytes"));
        QByteArray badHeader = flvHeader(false, true);
        badHeader[8] = char(0xFF); // the header claims more bytes than the file has
        QVERIFY(!readFlv(badHeader));
        // A tag claiming more than the cap stops reading there, costing nothing.
        QByteArray huge = flvHeader(false, true) + flvTag(9, 0, "x");
        huge[13 + 1] = char(0xFF);
        const auto hugeRead = readFlv(huge);
        QVERIFY(hugeRead && hugeRead->truncated && hugeRead->tags.empty());
    }

    // A video tag's body as the decoders want it: VP6's adjustment byte apart, H.264's
    // configuration apart from its pictures, command frames and empty bodies refused.
    void videoPackets() {
        const auto vp6 = flvVideoPacket(QByteArray("\x14\x53pic", 5));
        QVERIFY(vp6 && vp6->key && vp6->codecId == 4 && vp6->vp6Adjustment == 0x53);
        QCOMPARE(vp6->data, QByteArray("pic"));
        const auto h263 = flvVideoPacket(QByteArray("\x22pic", 4));
        QVERIFY(h263 && !h263->key);
        QCOMPARE(h263->data, QByteArray("pic"));
        const auto config = flvVideoPacket(QByteArray("\x17\x00\x00\x00\x00"
                                                      "avcC",
                                                      9));
        QVERIFY(config && config->config);
        QCOMPARE(config->data, QByteArray("avcC"));
        QVERIFY(!flvVideoPacket(QByteArray("\x17\x02\x00\x00\x00", 5))); // end of sequence
        QVERIFY(!flvVideoPacket(QByteArray("\x52x", 2)));                // a command frame
        QVERIFY(!flvVideoPacket({}));
        QVERIFY(!flvVideoPacket(QByteArray("\x14\x00", 2)));
        const auto audio = flvAudioPacket(QByteArray("\x2e"
                                                     "mp3",
                                                     4));
        QVERIFY(audio && audio->format == 2 && audio->rate == 44100 && !audio->stereo);
    }

    // A stream plays its file by the player's frames: status events in the player's order,
    // the metadata, each picture in the Video object when its time comes, drawn over the
    // object's area; a missing file is reported and plays nothing.
    void streamPlaysInTimeWithTheMovie() {
        const QList<QColor> colours = {Qt::red, Qt::green, Qt::blue};
        const QList<QByteArray> pictures = encodeH263(colours, kSize);
        if (pictures.size() != colours.size())
            QSKIP("libavcodec has no Sorenson H.263 encoder here");
        FakeSwfHost host;
        host.files.insert(QStringLiteral("clip.flv"), flvOfPictures(pictures, 250));
        Player player;
        player.setHost(&host);
        player.setMovie(load(streamMovie(QStringLiteral("clip.flv"))));
        player.tick(); // frame 1's script, then one frame's time
        QCOMPARE(host.traces,
                 QStringList({"NetStream.Play.Start", "NetStream.Buffer.Full", "duration 0.75"}));
        QVERIFY(near(centre(player), Qt::red, 12));
        QVERIFY(near(renderImage(player, {96, 64}).pixel(94, 62), Qt::red, 12));
        QList<QColor> seen;
        for (int tick = 0; tick < 12; ++tick) {
            player.tick();
            const QRgb c = centre(player);
            for (const QColor& colour : colours)
                if (near(c, colour, 12) && (seen.isEmpty() || seen.last() != colour))
                    seen << colour;
            // 83 ms a frame: the second picture is due after three frames, not before.
            if (tick == 0)
                QVERIFY(near(c, Qt::red, 12));
        }
        QCOMPARE(seen, QList<QColor>({Qt::red, Qt::green, Qt::blue}));
        QCOMPARE(host.traces.mid(3), QStringList({"NetStream.Buffer.Flush", "NetStream.Play.Stop",
                                                  "NetStream.Buffer.Empty"}));

        // The file's sound plays while the stream does, through the player's mixer.
        QByteArray withSound = flvOfPictures(pictures, 250);
        const QByteArray pcm = QByteArray(1, char(0x3E)) + QByteArray(44100 / 4 * 2, '\x10');
        for (const int ms : {0, 250, 500})
            withSound += flvTag(8, ms, pcm);
        host.files.insert(QStringLiteral("sound.flv"), withSound);
        Player sounding;
        sounding.setHost(&host);
        sounding.setMovie(load(streamMovie(QStringLiteral("sound.flv"))));
        sounding.tick();
        QCOMPARE(sounding.soundMixer()->voiceCount(), 1);
        for (int tick = 0; tick < 12; ++tick)
            sounding.tick();
        QCOMPARE(sounding.soundMixer()->voiceCount(), 0);

        FakeSwfHost empty;
        Player missing;
        missing.setHost(&empty);
        missing.setMovie(load(streamMovie(QStringLiteral("none.flv"))));
        missing.tick();
        QCOMPARE(empty.traces, QStringList({"NetStream.Play.StreamNotFound"}));
    }

    // Sound coded as ADPCM (each packet with its own header) and AAC (its configuration
    // in a packet of its own) plays through the mixer from every packet, at its pitch.
    void adpcmAndAacSoundPlay() {
        for (const char* encoder : {"adpcm_swf", "aac"}) {
            QByteArray config;
            const QList<QByteArray> packets = encodeTone(encoder, 44100, 441, 1.0, &config);
            if (packets.isEmpty())
                QSKIP("libavcodec lacks an encoder here");
            const bool aac = QByteArray(encoder) == "aac";
            const int samplesPerPacket = aac ? 1024 : 4096;
            QByteArray file = flvHeader(true, false);
            if (aac)
                file += flvTag(8, 0, QByteArray("\xAF\x00", 2) + config);
            for (int i = 0; i < packets.size(); ++i)
                file +=
                    flvTag(8, qint64(i) * samplesPerPacket * 1000 / 44100,
                           (aac ? QByteArray("\xAF\x01", 2) : QByteArray("\x1E", 1)) + packets[i]);
            FakeSwfHost host;
            host.files.insert(QStringLiteral("tone.flv"), file);
            Player player;
            player.setHost(&host);
            player.setMovie(load(streamMovie(QStringLiteral("tone.flv"))));
            player.tick();
            QCOMPARE(player.soundMixer()->voiceCount(), 1);
            std::vector<std::int16_t> heard(2 * 44100 * 9 / 10);
            player.soundMixer()->mix(heard.data(), int(heard.size() / 2));
            // From 0.1 s to 0.9 s: 441 Hz crosses zero 882 times a second.
            const int crossings = zeroCrossings(heard, 4410);
            QVERIFY2(std::abs(crossings - 706) < 20, qPrintable(QString::number(crossings)));
        }
    }

    // pause() holds the stream's time, seek() moves it to the key frame at or before the
    // time asked for and reports it; a seek once the stream stopped at its end refills the
    // buffer and stops again; Buffer.Empty follows Play.Stop a frame later; close() forgets
    // the file.
    void pauseSeekAndTheEnd() {
        const QList<QByteArray> pictures = encodeH263({Qt::red, Qt::green, Qt::blue}, kSize, 1);
        if (pictures.size() != 3)
            QSKIP("libavcodec has no Sorenson H.263 encoder here");
        FakeSwfHost host;
        const QByteArray file = flvOfPictures(pictures, 250);
        host.files.insert(QStringLiteral("clip.flv"), file);
        ScriptStage stage(load(streamMovie(QStringLiteral("clip.flv"))), &host);
        Vm& vm = stage.runtime->vm();
        const Value ns = stage.variable(QStringLiteral("ns"));
        auto number = [&](const char* name) { return vm.toNumber(vm.getMember(ns, name)); };
        host.traces.clear();
        call(vm, ns, "pause", {true});
        for (int i = 0; i < 3; ++i)
            stage.tick();
        QCOMPARE(number("time"), 0.0);
        call(vm, ns, "pause", {});
        stage.tick();
        QCOMPARE(number("time"), 0.083);
        QCOMPARE(number("bytesTotal"), double(file.size()));
        QCOMPARE(number("bufferLength"), 0.5 - 0.083);

        call(vm, ns, "seek", {0.3});
        QCOMPARE(number("time"), 0.25);
        stage.tick();
        QCOMPARE(host.traces, QStringList({"NetStream.Seek.Notify"}));
        for (int i = 0; i < 3; ++i)
            stage.tick();
        QCOMPARE(host.traces.mid(1),
                 QStringList({"NetStream.Buffer.Flush", "NetStream.Play.Stop"}));
        stage.tick();
        QCOMPARE(host.traces.mid(3), QStringList({"NetStream.Buffer.Empty"}));

        host.traces.clear();
        call(vm, ns, "seek", {0.0});
        stage.tick();
        stage.tick();
        QCOMPARE(host.traces, QStringList({"NetStream.Buffer.Full", "NetStream.Seek.Complete",
                                           "NetStream.Play.Stop", "NetStream.Buffer.Empty"}));
        QCOMPARE(number("time"), 0.0);

        call(vm, ns, "close", {});
        QCOMPARE(number("bytesLoaded"), 0.0);
    }

    // Hostile files cost little and never take the player down: noise after a good
    // header, pictures and sound of noise in every format, a cut-off file, many empty tags.
    void hostileFilesAreContained() {
        QByteArray noise(4000, '\0');
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919) ^ (i >> 3));
        QByteArray noisyPictures = flvHeader(true, true);
        for (int codec = 0; codec < 16; ++codec) {
            noisyPictures += flvTag(9, codec * 10, char(0x10 | codec) + noise.left(300 + codec));
            noisyPictures += flvTag(18, codec * 10, noise.left(50 + codec));
        }
        QByteArray manyTags = flvHeader(false, true);
        for (int i = 0; i < kMaxFlvTags / 100; ++i)
            manyTags += flvTag(9, 0, {});
        QVERIFY(readFlv(manyTags)->tags.size() == std::size_t(kMaxFlvTags / 100));
        QList<QByteArray> files = {QByteArray(flvHeader(false, true) + noise), noisyPictures,
                                   noisyPictures.left(noisyPictures.size() / 2), manyTags};
        for (int format = 0; format < 16; ++format) {
            QByteArray noisySound = flvHeader(true, false);
            for (int ms = 0; ms < 400; ms += 40)
                noisySound += flvTag(8, ms, char(format << 4 | 0x0F) + noise.mid(ms, 500));
            files << noisySound;
        }
        for (const QByteArray& file : files) {
            FakeSwfHost host;
            host.files.insert(QStringLiteral("clip.flv"), file);
            Player player;
            player.setHost(&host);
            player.setMovie(load(streamMovie(QStringLiteral("clip.flv"))));
            for (int tick = 0; tick < 5; ++tick) {
                player.tick();
                renderImage(player, {96, 64});
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestFlv)
#include "test_flv.moc"
