// Milliseconds per frame of script-heavy movies against their frame budget (1000 / frame
// rate): a frame script of a million simple operations, and 500 clips moved by their
// onEnterFrame handlers. Usage: bench_script
#include "swf/player/player.h"
#include "swf/script/action_codes.h"
#include "swfwriter/writer.h"

#include <QElapsedTimer>
#include <QGuiApplication>

#include <cstdio>

using namespace reelcase::swf;
using namespace reelcase::swf::avm1;
using write::Actions;

namespace {

constexpr int fps = 24;

// Frame 1: for (r1 = 0; r1 < 1000000; r1++) {} then loops on frame 2 doing the same.
QByteArray loopMovie() {
    Actions a;
    a.push(0.0).storeRegister(1).raw(Pop).mark("loop");
    a.pushRegister(1).raw(Increment).storeRegister(1).raw(Pop);
    a.pushRegister(1).push(1e6).raw(Less2).ifTrue("loop");
    write::SwfWriter w({400, 300}, fps, 7);
    w.actions(a);
    w.showFrame(2);
    return w.finish();
}

// 500 empty clips, each moved by its own onEnterFrame (this._x += 1).
QByteArray clipsMovie() {
    Actions handler;
    handler.push("this").raw(GetVariable).push("_x").push("this").raw(GetVariable).push("_x");
    handler.raw(GetMember).push(1.0).raw(Add2).raw(SetMember);
    const QByteArray body = handler.bytes().chopped(1);
    QByteArray define("\0\0\0", 3); // anonymous, no parameters
    define.append(char(body.size() & 0xFF)).append(char(body.size() >> 8));
    write::SwfWriter w({400, 300}, fps, 7);
    // for (r1 = 0; r1 < 500; r1++) _root.createEmptyMovieClip("c" + r1, r1).onEnterFrame =
    // function () { this._x += 1; }; the handler's bytes follow DefineFunction directly.
    QByteArray script = Actions().push(0.0).storeRegister(1).raw(Pop).bytes().chopped(1);
    const int loopStart = static_cast<int>(script.size());
    script += Actions()
                  .pushRegister(1)
                  .push("c")
                  .pushRegister(1)
                  .raw(Add2)
                  .push(2.0)
                  .push("_root")
                  .raw(GetVariable)
                  .push("createEmptyMovieClip")
                  .raw(CallMethod)
                  .push("onEnterFrame")
                  .raw(DefineFunction, define)
                  .bytes()
                  .chopped(1);
    script += body;
    script += Actions()
                  .raw(SetMember)
                  .pushRegister(1)
                  .raw(Increment)
                  .storeRegister(1)
                  .raw(Pop)
                  .pushRegister(1)
                  .push(500.0)
                  .raw(Less2)
                  .bytes()
                  .chopped(1);
    const int after = static_cast<int>(script.size()) + 5;
    const int offset = loopStart - after;
    script.append(char(If)).append(char(2)).append(char(0));
    script.append(char(offset & 0xFF)).append(char((offset >> 8) & 0xFF));
    script.append(char(0));
    w.rawTag(12, script);
    w.showFrame();
    w.actions(Actions().stop());
    w.showFrame();
    return w.finish();
}

void measure(const char* name, const QByteArray& bytes, int frames) {
    auto movie = parseMovie(bytes);
    if (!movie) {
        std::printf("%s: does not load\n", name);
        return;
    }
    Player player;
    player.setMovie(movie);
    player.tick(); // set-up frame
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < frames; ++i)
        player.tick();
    const double perFrame = timer.nsecsElapsed() / 1e6 / frames;
    const double budget = 1000.0 / fps;
    std::printf("%-28s %8.2f ms per frame, budget %.1f ms: x%.2f of the budget\n", name, perFrame,
                budget, perFrame / budget);
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    measure("1,000,000 loop steps", loopMovie(), 10);
    measure("500 clips by onEnterFrame", clipsMovie(), 100);
    return 0;
}
