// Writes small seed files for the fuzzer into the folder given (default fuzz/corpus).
#include "swfwriter/writer.h"
#include "swfwriter/writer_sound.h"
#include "swfwriter/writer_video.h"

#include <QDir>
#include <QFile>

using namespace reelcase::swf;

namespace {

void save(const QString& dir, const QString& name, const QByteArray& bytes) {
    QFile f(dir + QLatin1Char('/') + name);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

QByteArray shapes(Compression c, int version) {
    write::SwfWriter w({80, 60}, 12, 8);
    w.background(QColor(20, 40, 60));
    write::ShapeBuilder s(version);
    const int fill = s.addFill(write::solid(QColor(200, 10, 10, 180)));
    const int grad = s.addFill(
        write::linearGradient({0, 0, 40, 40}, {{0, Qt::red}, {0.5, Qt::green}, {1, Qt::blue}},
                              Gradient::Reflect, Gradient::LinearRgb));
    const int line = s.addLine(write::line(2, Qt::black));
    s.rect({5, 5, 30, 20}, fill, line);
    s.ellipse({30, 20, 30, 30}, grad);
    s.newLayer();
    s.polygon(
        QPolygonF({{0, 0}, {20, 50}, {60, 10}}),
        s.addFill(write::radialGradient({0, 0, 60, 60}, {{0, Qt::white}, {1, Qt::black}}, 0.5)),
        s.addLine(write::line(0, Qt::white)));
    const auto id = w.defineShape(s);
    w.place({.depth = 1, .character = id, .matrix = QTransform().rotate(10)});
    w.showFrame();
    return w.finish(c);
}

QByteArray timeline() {
    write::SwfWriter w({80, 60}, 24, 10);
    write::ShapeBuilder a, b;
    a.rect({0, 0, 20, 20}, a.addFill(write::solid(Qt::red)));
    b.rect({10, 10, 40, 40}, b.addFill(write::solid(Qt::blue)));
    const auto ida = w.defineShape(a);
    const auto morph = w.defineMorphShape(a, b);
    write::Timeline sprite;
    sprite.place({.depth = 1, .character = ida}).showFrame();
    sprite.place({.depth = 1, .move = true, .matrix = QTransform::fromTranslate(5, 5)});
    sprite.actions(write::Actions().gotoFrame(0).play()).showFrame();
    const auto sid = w.defineSprite(sprite);
    w.place({.depth = 1, .character = ida, .clipDepth = 3});
    w.place({.depth = 2, .character = sid, .name = QStringLiteral("s")});
    w.place({.depth = 4, .character = morph, .ratio = 100, .blendMode = BlendMode::Multiply});
    w.label("a");
    w.showFrame();
    w.place({.depth = 4,
             .move = true,
             .cxform = ColorTransform{0.5, 1, 1, 0.5, 10, 0, 0, 0},
             .ratio = 60000});
    w.remove(2);
    w.actions(write::Actions().setTarget("s").stop().setTarget("").gotoLabel("a"));
    w.showFrame();
    return w.finish(Compression::None);
}

// Stack scripts: a preloader, variables by path, a clip method call, a function.
QByteArray scripts(int version) {
    write::SwfWriter w({80, 60}, 12, version);
    write::ShapeBuilder a;
    a.rect({0, 0, 20, 20}, a.addFill(write::solid(Qt::red)));
    const auto ida = w.defineShape(a);
    write::Timeline sprite;
    sprite.place({.depth = 1, .character = ida});
    sprite.actions(write::Actions()
                       .push(0.0)
                       .push("_parent")
                       .raw(0x1C) // GetVariable
                       .push("play")
                       .raw(0x52)   // CallMethod
                       .raw(0x17)); // Pop
    sprite.showFrame(2);
    const auto sid = w.defineSprite(sprite);
    w.place({.depth = 1, .character = sid, .name = QStringLiteral("clip")});
    write::Actions preload;
    preload.constantPool({"_root", "_framesloaded", "_totalframes", "/clip:n", "clip.n"});
    preload.pushConstant(0).raw(0x1C).pushConstant(1).raw(0x4E);
    preload.pushConstant(0).raw(0x1C).pushConstant(2).raw(0x4E);
    preload.raw(0x48).ifTrue("wait");            // Less2
    preload.pushConstant(3).push(1.0).raw(0x1D); // SetVariable
    preload.pushConstant(4).pushConstant(4).raw(0x1C).raw(0x50).raw(0x1D);
    preload.push("clip").pushInt(7).push(false).raw(0x23); // SetProperty _visible
    preload.push(3.0).gotoFrame2(true);
    preload.mark("wait");
    w.actions(preload).showFrame();
    w.actions(write::Actions().push(1.0).gotoFrame2(true)).showFrame();
    w.label("end");
    w.actions(write::Actions()
                  .push(1.0)
                  .push(2.0)
                  .push(2.0)
                  .push("Math")
                  .raw(0x1C)
                  .push("max")
                  .raw(0x52)
                  .storeRegister(1)
                  .raw(0x17)
                  .pushRegister(1)
                  .push("end")
                  .raw(0x47)
                  .raw(0x4B)
                  .raw(0x26) // Add2, ToString, Trace
                  .push("end")
                  .push(1.0)
                  .push("_root")
                  .raw(0x1C)
                  .push("gotoAndStop")
                  .raw(0x52)
                  .raw(0x17));
    w.showFrame();
    return w.finish(Compression::None);
}

// Objects, arrays, enumeration, prototypes, recursion and a string that doubles: the
// object model's paths for the fuzzer to bend.
QByteArray objectScripts(int version) {
    write::SwfWriter w({100, 100}, 12, version);
    write::Actions a;
    a.push("o").pushInt(0).raw(0x43).raw(0x1D);                            // o = {}
    a.push("o").raw(0x1C).push("__proto__").push("o").raw(0x1C).raw(0x4F); // o.__proto__ = o
    a.push("list").push(3.0).push(2.0).push(1.0).pushInt(3).raw(0x42).raw(0x1D);
    a.push("list").raw(0x1C).raw(0x55).mark("each"); // for (k in list)
    a.storeRegister(0).pushNull().raw(0x49).ifTrue("done");
    a.pushRegister(0).raw(0x26).jump("each").mark("done");
    a.push(16.0).pushInt(1).push("list").raw(0x1C).push("sort").raw(0x52).raw(0x17);
    a.push("s").push("ab").raw(0x1D).mark("grow"); // s += s, 40 times
    a.push("s").push("s").raw(0x1C).push("s").raw(0x1C).raw(0x47).raw(0x1D);
    a.push("n").push("n").raw(0x1C).raw(0x50).raw(0x1D);
    a.push("n").raw(0x1C).push(40.0).raw(0x48).ifTrue("grow");
    a.push("x").push(2.0).push("o").raw(0x1C).push("missing").raw(0x4E).raw(0x1D);
    w.actions(a).showFrame();
    w.actions(write::Actions().push(1.0).gotoFrame2(true)).showFrame();
    return w.finish(Compression::None);
}

// Event sounds in every format with loops, envelopes and in/out points, a button's
// sounds, and an MP3 stream with a block per frame.
QByteArray sounds() {
    using write::SoundBits;
    write::SwfWriter w({64, 48}, 12);
    QByteArray pattern;
    for (int i = 0; i < 512; ++i)
        pattern.append(char(i * 37 ^ i >> 2));
    SoundInfo shaped;
    shaped.loops = 3;
    shaped.inPoint = 10;
    shaped.outPoint = 400;
    shaped.envelope = {{0, 0, 32768}, {200, 32768, 0}};
    const std::pair<SoundBits, QByteArray> kinds[] = {
        {{SoundCodec::PcmLittle, 3, true, false}, write::pcm16(440, 500, 44100, false)},
        {{SoundCodec::PcmNative, 0, false, true}, pattern},
        {{SoundCodec::Adpcm, 1, true, false}, pattern},
        {{SoundCodec::Mp3, 3, true, true},
         QByteArray(2, '\0') + write::silentMp3Frame() + write::silentMp3Frame()},
        {{SoundCodec::Nellymoser, 2, true, false}, pattern},
        {{SoundCodec::Nellymoser8k, 0, true, false}, pattern.left(128)},
        {{SoundCodec::Speex, 0, true, false}, pattern.left(60)},
    };
    for (const auto& [bits, data] : kinds) {
        const auto id = write::defineSound(w, bits, 500, data);
        write::startSound(w, id, shaped);
    }
    ButtonSounds buttonSounds;
    buttonSounds[1].soundId = 1;
    write::defineButtonSound(w, 1, buttonSounds);
    write::soundStreamHead(w, {SoundCodec::Mp3, 3, true, true}, 1152, 529);
    for (int frame = 0; frame < 4; ++frame) {
        write::soundStreamBlock(w,
                                write::mp3StreamBlock(1152, frame * 100, write::silentMp3Frame()));
        w.showFrame();
    }
    return w.finish(Compression::None);
}

// Embedded video in every codec: frames that open like Sorenson H.263 and VP6 pictures,
// shown forwards and backwards.
QByteArray video() {
    write::SwfWriter w({64, 48}, 12);
    QByteArray body;
    for (int i = 0; i < 400; ++i)
        body.append(char(i * 53 ^ i >> 3));
    const QByteArray h263 = QByteArray("\x00\x00\x84\x00\x81\x40\x00\xf0", 8) + body;
    const QByteArray vp6 = QByteArray("\x00\x00\x10\x46\x00\x9a\x00\x02\x02", 9) + body;
    for (int codec = 2; codec <= 7; ++codec) {
        const auto id = write::defineVideoStream(w, 3, {32, 24}, codec, codec % 2 == 0);
        for (int f = 0; f < 3; ++f)
            write::videoFrame(w, id, f, codec == 2 ? h263 : vp6);
        w.place({.depth = codec, .character = id, .ratio = std::uint16_t(codec % 3)});
    }
    w.showFrame();
    return w.finish(Compression::None);
}

} // namespace

int main(int argc, char** argv) {
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("fuzz/corpus");
    QDir().mkpath(dir);
    save(dir, "shapes_v1.swf", shapes(Compression::None, 1));
    save(dir, "shapes_v3_zlib.swf", shapes(Compression::Zlib, 3));
    save(dir, "shapes_v4_lzma.swf", shapes(Compression::Lzma, 4));
    save(dir, "timeline.swf", timeline());
    save(dir, "scripts_v4.swf", scripts(4));
    save(dir, "scripts_v7.swf", scripts(7));
    save(dir, "objects_v6.swf", objectScripts(6));
    save(dir, "objects_v7.swf", objectScripts(7));
    save(dir, "sounds.swf", sounds());
    save(dir, "video.swf", video());
    return 0;
}
