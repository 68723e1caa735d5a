#include "swf/player/player.h"
#include "swf/script/action_codes.h"
#include "swf/script/script_host.h"
#include "swf/script_stage.h"
#include "swf/sound/mp3_file.h"
#include "swf/sound/sound_mixer.h"
#include "swf/swf_fixtures.h"
#include "swfwriter/writer_sound.h"

#include <QTest>

using namespace reelcase::swf;
using namespace reelcase::swf::avm1;
using namespace reelcase::test;
using write::Actions;

namespace {

constexpr int kToneFrames = 4410; // 100 ms at the mixer's rate

// A movie exporting a constant-level tone as "tone", with a clip "mc" on the stage and
// script on its first frame.
QByteArray toneMovie(const Actions& script = {}, int frames = 4) {
    write::SwfWriter w({100, 100}, 10, 8);
    const auto id =
        write::defineSound(w, {}, kToneFrames, write::pcm16(0, kToneFrames, 44100, false, 10000));
    write::exportAssets(w, {{id, QStringLiteral("tone")}});
    write::Timeline empty;
    empty.showFrame();
    w.place({.depth = 1, .character = w.defineSprite(empty), .name = QStringLiteral("mc")});
    w.actions(script).showFrame();
    for (int f = 1; f < frames; ++f)
        w.showFrame();
    return w.finish();
}

// object.method(args...) with its result dropped.
Actions& call(Actions& a, const char* object, const char* method,
              const std::vector<double>& args = {}, const char* text = nullptr) {
    if (text)
        a.push(text);
    for (auto it = args.rbegin(); it != args.rend(); ++it)
        a.push(*it);
    a.pushInt(static_cast<int>(args.size()) + (text ? 1 : 0));
    a.push(object).raw(GetVariable).push(method).raw(CallMethod).raw(Pop);
    return a;
}

// s = new Sound(); s.attachSound("tone"); s.start();
Actions startTone() {
    Actions a;
    a.push("s").pushInt(0).push("Sound").raw(NewObject).raw(SetVariable);
    call(a, "s", "attachSound", {}, "tone");
    return call(a, "s", "start");
}

bool loud(const std::vector<std::int16_t>& s, std::size_t from, std::size_t to) {
    for (std::size_t i = from * 2; i < std::min(to * 2, s.size()); ++i)
        if (std::abs(s[i]) > 1000)
            return true;
    return false;
}

// A script stage whose Sound objects reach a mixer the test mixes by hand.
struct SoundStage {
    explicit SoundStage(const QByteArray& file, ScriptHost* host = nullptr)
        : stage(load(file), host) {
        mixer.setMovie(stage.movie);
        stage.context.sound = &mixer;
    }
    Vm& vm() { return stage.runtime->vm(); }
    Value newSound(std::vector<Value> args = {}) {
        return vm().construct(vm().getMember(Value(vm().global), "Sound"), args);
    }
    Value call(const Value& sound, const char* method, std::vector<Value> args = {}) {
        return vm().callMethod(sound, QString::fromLatin1(method), args);
    }
    double number(const Value& v) { return vm().toNumber(v); }
    void mixFrames(int frames) {
        std::vector<std::int16_t> out(std::size_t(frames) * 2);
        mixer.mix(out.data(), frames);
    }
    // Counts onSoundComplete / onLoad calls in the object's "calls" property.
    void countCalls(const Value& sound, const char* handler) {
        Object* o = objectOf(sound);
        o->put(QString::fromLatin1(handler),
               vm().newNative([](Vm& vm, const Value& self, Args args) {
                   const double n = vm.toNumber(vm.getMember(self, "calls"));
                   vm.setMember(self, "calls", std::isnan(n) ? 1.0 : n + 1);
                   vm.setMember(self, "lastArgument", args.empty() ? Value(Undefined{}) : args[0]);
                   return Value(Undefined{});
               }));
    }

    SoundMixer mixer;
    ScriptStage stage;
};

struct FileHost : ScriptHost {
    std::optional<QByteArray> loadFile(const QString& path) override {
        return files.contains(path) ? std::optional(files.value(path)) : std::nullopt;
    }
    QHash<QString, QByteArray> files;
};

QByteArray id3Frame(const char* id, const QByteArray& body) {
    const auto n = static_cast<std::uint32_t>(body.size());
    QByteArray f(id);
    for (int shift : {24, 16, 8, 0})
        f.append(char(n >> shift & 0xFF));
    return f + QByteArray(2, '\0') + body;
}

// An ID3v2.3 tag of frames, then count silent MP3 frames.
QByteArray mp3File(const QByteArray& frames, int count) {
    const auto n = static_cast<int>(frames.size());
    QByteArray tag("ID3\x03\x00\x00", 6);
    for (int shift : {21, 14, 7, 0})
        tag.append(char(n >> shift & 0x7F));
    return tag + frames + write::silentMp3Frame().repeated(count);
}

} // namespace

class TestSoundObject : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Volume, pan and the channel matrix belong to the target clip, found by its path on
    // every call; values read back as the script set them.
    void settingsBelongToTheTarget() {
        SoundStage s(toneMovie());
        const Value mc = s.vm().getMember(Value(s.vm().clipObject(*s.stage.root)), "mc");
        const Value a = s.newSound({mc}), b = s.newSound({mc}), global = s.newSound();
        s.call(a, "setVolume", {40.0});
        QCOMPARE(s.number(s.call(b, "getVolume")), 40.0);
        QCOMPARE(s.number(s.call(global, "getVolume")), 100.0);
        s.call(global, "setVolume", {std::nan("")});
        QCOMPARE(s.number(s.call(global, "getVolume")), -2147483648.0);
        s.call(global, "setVolume", {});
        QCOMPARE(s.number(s.call(global, "getVolume")), 0.0);

        s.call(a, "setPan", {-30.0});
        QCOMPARE(s.number(s.call(b, "getPan")), -30.0);
        const SoundTransform t = s.mixer.transform(s.stage.root->objectAt(1)->id);
        QCOMPARE(t.rr, 70.0);
        QCOMPARE(t.volume, 40.0);
        // Only the object's own fields count; the others stay.
        Object* base = s.vm().newObject();
        base->put("ll", 5.0);
        Object* given = s.vm().newObject();
        given->proto = base;
        given->put("lr", 3e9);
        s.call(a, "setTransform", {Value(given)});
        Object* read = objectOf(s.call(b, "getTransform"));
        QCOMPARE(s.number(s.vm().getMember(Value(read), "ll")), 100.0);
        QCOMPARE(s.number(s.vm().getMember(Value(read), "lr")), 3e9 - 4294967296.0);

        // A target no longer found by its path answers nothing and changes nothing.
        s.vm().setMember(mc, "_name", QStringLiteral("renamed"));
        QVERIFY(isVoid(s.call(a, "getVolume")));
        s.call(a, "setVolume", {5.0});
        s.vm().setMember(mc, "_name", QStringLiteral("mc"));
        QCOMPARE(s.number(s.call(a, "getVolume")), 40.0);
    }

    // A clip's Sound object shapes what its own timeline and the clips inside it start,
    // events and streams alike, on top of the movie's; another clip's changes nothing.
    void clipVolumeShapesTimelineSounds() {
        write::SwfWriter w({100, 100}, 10, 8);
        const auto id = write::defineSound(w, {}, kToneFrames,
                                           write::pcm16(0, kToneFrames, 44100, false, 10000));
        write::Timeline inner;
        inner.showFrame();
        write::startSound(inner, id);
        write::soundStreamHead(inner, {}, 4410);
        write::soundStreamBlock(inner, write::pcm16(0, 4410, 44100, false, 2000));
        inner.showFrame();
        write::Timeline middle;
        middle.place({.depth = 1, .character = w.defineSprite(inner), .name = "inner"});
        middle.showFrame();
        write::Timeline empty;
        empty.showFrame();
        w.place({.depth = 1, .character = w.defineSprite(middle), .name = "mc"});
        w.place({.depth = 2, .character = w.defineSprite(empty), .name = "other"});
        w.showFrame(4);
        SoundStage s(w.finish());
        const Value root(s.vm().clipObject(*s.stage.root));
        s.call(s.newSound({s.vm().getMember(root, "other")}), "setVolume", {0.0});
        s.call(s.newSound({s.vm().getMember(root, "mc")}), "setVolume", {50.0});
        s.call(s.newSound(), "setVolume", {50.0});
        s.stage.tick(); // inner reaches its second frame: the event sound and the stream
        QCOMPARE(s.mixer.voiceCount(), 1);
        std::vector<std::int16_t> out(200);
        s.mixer.mix(out.data(), 100);
        QCOMPARE(out[100], std::int16_t((10000 + 2000) / 4));
    }

    // A started sound plays on its owner's voice; position and duration are whole
    // milliseconds; its end is told once, stopping tells nothing.
    void playingPositionAndEnd() {
        SoundStage s(toneMovie());
        const Value sound = s.newSound();
        QVERIFY(isVoid(s.call(sound, "getDuration")));
        s.call(sound, "attachSound", {QStringLiteral("missing")});
        QVERIFY(isVoid(s.vm().getMember(sound, "duration")));
        s.call(sound, "attachSound", {QStringLiteral("TONE")});
        QCOMPARE(s.number(s.vm().getMember(sound, "duration")), 100.0);
        s.countCalls(sound, "onSoundComplete");
        s.call(sound, "start", {0.02});
        QCOMPARE(s.mixer.voiceCount(), 1);
        QCOMPARE(s.number(s.call(sound, "getPosition")), 20.0);
        s.mixFrames(kToneFrames / 2);
        QCOMPARE(s.number(s.vm().getMember(sound, "position")), 70.0);
        s.stage.tick();
        QVERIFY(isVoid(s.vm().getMember(sound, "calls")));
        s.mixFrames(kToneFrames);
        s.stage.tick();
        s.stage.tick();
        QCOMPARE(s.number(s.vm().getMember(sound, "calls")), 1.0);
        QCOMPARE(s.number(s.call(sound, "getPosition")), 100.0);

        s.call(sound, "start", {0.0, 3.0});
        s.mixFrames(100);
        s.call(sound, "stop", {QStringLiteral("tone")});
        QCOMPARE(s.mixer.voiceCount(), 0);
        QCOMPARE(s.number(s.call(sound, "getPosition")), 2.0);
        s.call(sound, "start");
        s.vm().callMethod(Value(s.vm().global), "stopAllSounds", {});
        QCOMPARE(s.mixer.voiceCount(), 0);
        s.mixFrames(kToneFrames);
        s.stage.tick();
        QCOMPARE(s.number(s.vm().getMember(sound, "calls")), 1.0);
    }

    // loadSound reads the file through the host; the object hears of it after the script
    // (its tag, then onLoad), a streaming one plays at once, a missing file loads false.
    void loadingAnMp3File() {
        FileHost host;
        QByteArray frames = id3Frame("TIT2", QByteArray("\x00Song", 5));
        frames += id3Frame("COMM", QByteArray("\x00"
                                              "eng"
                                              "\x00"
                                              "one",
                                              8));
        frames += id3Frame("COMM", QByteArray("\x00"
                                              "eng"
                                              "\x00"
                                              "two",
                                              8));
        host.files.insert("song.mp3", mp3File(frames, 40));
        SoundStage s(toneMovie(), &host);
        const Value sound = s.newSound();
        s.countCalls(sound, "onLoad");
        s.call(sound, "loadSound", {QStringLiteral("song.mp3"), true});
        QCOMPARE(s.number(s.call(sound, "getDuration")), 0.0);
        QVERIFY(isVoid(s.vm().getMember(sound, "calls")));
        s.stage.runtime->runPending();
        QCOMPARE(s.number(s.vm().getMember(sound, "calls")), 1.0);
        QVERIFY(s.vm().toBoolean(s.vm().getMember(sound, "lastArgument")));
        QCOMPARE(s.number(s.call(sound, "getDuration")), 1045.0); // 40 frames of 1152
        QCOMPARE(s.mixer.voiceCount(), 1);
        const Value id3 = s.vm().getMember(sound, "id3");
        QCOMPARE(s.vm().toString(s.vm().getMember(id3, "songname")), QStringLiteral("Song"));
        QCOMPARE(s.vm().toString(s.vm().getMember(id3, "COMM")), QStringLiteral("one,two"));
        QCOMPARE(s.vm().toString(s.vm().getMember(id3, "comment")), QStringLiteral("two"));

        const Value missing = s.newSound();
        s.countCalls(missing, "onLoad");
        s.call(missing, "loadSound", {QStringLiteral("absent.mp3"), true});
        s.stage.runtime->runPending();
        QCOMPARE(s.number(s.vm().getMember(missing, "calls")), 1.0);
        QVERIFY(!s.vm().toBoolean(s.vm().getMember(missing, "lastArgument")));
        QCOMPARE(s.mixer.voiceCount(), 1);
    }

    // MP3 files as scripts load them: length by frame headers past a tag; hostile tags
    // end the reading without harm.
    void mp3FileFacts() {
        QCOMPARE(mp3FileSeconds(mp3File({}, 10)), 10 * 1152 / 44100.0);
        QCOMPARE(mp3FileSeconds(QByteArray("junk") + write::silentMp3Frame()), 1152 / 44100.0);
        QCOMPARE(mp3FileSeconds(QByteArray(100, '\xFF')), 0.0);
        QByteArray wide("\x01\xFF\xFE", 3);
        for (char c : QByteArray("Hi"))
            wide.append(c).append('\0');
        const auto frames = id3TextFrames(mp3File(id3Frame("TPE1", wide), 1));
        QCOMPARE(frames.size(), std::size_t(1));
        QCOMPARE(frames[0].second, QStringLiteral("Hi"));
        QByteArray liar = mp3File(id3Frame("TALB", QByteArray("\x00x", 2)), 0);
        liar[14] = char(0x7F); // the frame claims more than the tag holds
        QVERIFY(id3TextFrames(liar).empty());
        QVERIFY(id3TextFrames(liar.left(12)).empty());
    }

    // Through the player: the attached sound is in the rendered audio; a volume of 0 and
    // stop() silence it.
    void scriptsAreHeard() {
        Player plain;
        plain.setMovie(load(toneMovie(startTone())));
        const auto heard = plain.renderAudio(2);
        QVERIFY(loud(heard, 0, 100)); // a script of frame 1 is heard with it

        Actions quiet = startTone();
        quiet.push(0.0).pushInt(1).push("s").raw(GetVariable).push("setVolume").raw(CallMethod);
        Player muted;
        muted.setMovie(load(toneMovie(quiet)));
        QVERIFY(!loud(muted.renderAudio(2), 0, kToneFrames));

        write::SwfWriter w({100, 100}, 10, 8);
        const auto id = write::defineSound(w, {}, 44100, write::pcm16(0, 44100, 44100, false));
        write::exportAssets(w, {{id, QStringLiteral("tone")}});
        w.actions(startTone()).showFrame();
        Actions stop;
        call(stop, "s", "stop");
        w.actions(stop).showFrame();
        w.showFrame();
        Player stopped;
        stopped.setMovie(load(w.finish()));
        const auto s = stopped.renderAudio(3);
        QVERIFY(loud(s, 0, 4410));
        QVERIFY(!loud(s, 4410, 3 * 4410));
    }
};

QTEST_GUILESS_MAIN(TestSoundObject)
#include "test_sound_object.moc"
