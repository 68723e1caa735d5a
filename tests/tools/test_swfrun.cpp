#include "tools/tool_fixtures.h"

#include "swf/script/action_codes.h"
#include "swfwriter/writer.h"
#include "swfwriter/writer_sound.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/stat.h>

using namespace reelcase::swf;
using namespace reelcase::test;
using write::Actions;

namespace {

Actions trace(const QString& text) {
    Actions a;
    a.push(text).raw(avm1::Trace);
    return a;
}

// Three frames, each tracing its number.
QByteArray countingMovie() {
    write::SwfWriter w({64, 48}, 12, 8);
    for (int frame = 1; frame <= 3; ++frame)
        w.actions(trace(QStringLiteral("frame %1").arg(frame))).showFrame();
    return w.finish();
}

QStringList lines(const QByteArray& out) {
    QStringList result = QString::fromUtf8(out).split(u'\n');
    if (!result.isEmpty() && result.back().isEmpty())
        result.removeLast();
    return result;
}

// 12 fps: an event sound on frame 3 (level 8000, a tenth of a second) and a stream from
// frame 5 on (level 2000), both uncompressed mono at 44.1 kHz.
QByteArray soundMovie() {
    write::SwfWriter w({64, 48}, 12);
    const auto id = write::defineSound(w, {}, 4410, write::pcm16(0, 4410, 44100, false, 8000));
    write::soundStreamHead(w, {}, 3675);
    for (int frame = 1; frame <= 8; ++frame) {
        if (frame == 3)
            write::startSound(w, id);
        if (frame >= 5)
            write::soundStreamBlock(w, write::pcm16(0, 3675, 44100, false, 2000));
        w.showFrame();
    }
    return w.finish();
}

ToolRun swfrun(const QStringList& args) {
    return runTool(QStringLiteral(SWFRUN_PATH), args);
}

} // namespace

class TestSwfrun : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString file(const QString& name, const QByteArray& content) {
        return writeFile(m_dir.filePath(name), content);
    }

private Q_SLOTS:
    // Frame 1 is the first frame run: its actions trace before any tick, and the root
    // timeline loops.
    void tracesEveryFrameRun_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("default") << QStringList{} << QStringList{"frame 1"};
        QTest::newRow("three") << QStringList{"--frames", "3"}
                               << QStringList{"frame 1", "frame 2", "frame 3"};
        QTest::newRow("looping") << QStringList{"--frames", "5"}
                                 << QStringList{"frame 1", "frame 2", "frame 3", "frame 1",
                                                "frame 2"};
    }
    void tracesEveryFrameRun() {
        QFETCH(QStringList, options);
        QFETCH(QStringList, expected);
        const ToolRun run = swfrun(options << file("count.swf", countingMovie()));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(lines(run.out), expected);
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
    }

    void stopInFrameOneHolds() {
        write::SwfWriter w({64, 48}, 12, 8);
        w.actions(trace("one").stop()).showFrame();
        w.actions(trace("two")).showFrame();
        const ToolRun run = swfrun({"--frames", "4", file("stop.swf", w.finish())});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(lines(run.out), QStringList{"one"});
    }

    // fscommand("quit") ends the run after that frame, as it would close the player.
    void quitEndsTheRun() {
        write::SwfWriter w({64, 48}, 12, 8);
        QByteArray quit("FSCommand:quit\0\0", 16);
        w.actions(trace("one")).showFrame();
        w.actions(trace("two").raw(avm1::GetUrl, quit).push("still two").raw(avm1::Trace));
        w.showFrame();
        w.actions(trace("three")).showFrame();
        const ToolRun run = swfrun({"--frames", "3", file("quit.swf", w.finish())});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(lines(run.out), QStringList({"one", "two", "still two"}));
    }

    void traceIsUtf8WithALinePerCall() {
        write::SwfWriter w({64, 48}, 12, 8);
        w.actions(trace(QStringLiteral("拾影匣 ✓")).push("").raw(avm1::Trace)).showFrame();
        const ToolRun run = swfrun({file("utf8.swf", w.finish())});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QStringLiteral("拾影匣 ✓\n\n").toUtf8());
    }

    // The engine's budget ends a script that loops for ever; later frames still run.
    void endlessScriptIsCut() {
        write::SwfWriter w({64, 48}, 12, 8);
        Actions forever;
        forever.jumpBy(-5);
        w.actions(forever).showFrame();
        w.actions(trace("after")).showFrame();
        const ToolRun run = swfrun({"--frames", "2", file("endless.swf", w.finish())});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(lines(run.out), QStringList{"after"});
    }

    void writesPictures_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("redAt");
        QTest::addColumn<QPoint>("greenAt");
        const QString out = m_dir.filePath("out.png");
        QTest::newRow("last frame") << QStringList{"--frames", "2", "--png", out} << QSize(64, 48)
                                    << QPoint(45, 15) << QPoint(15, 15);
        QTest::newRow("an earlier frame") << QStringList{"--frames", "2", "--png-at", "1:" + out}
                                          << QSize(64, 48) << QPoint(15, 15) << QPoint(45, 15);
        // Twice as wide, same height: the stage is stretched, not letterboxed.
        QTest::newRow("viewport") << QStringList{"--png", out, "--viewport", "128x48"}
                                  << QSize(128, 48) << QPoint(25, 15) << QPoint(75, 15);
    }
    void writesPictures() {
        QFETCH(QStringList, options);
        QFETCH(QSize, size);
        QFETCH(QPoint, redAt);
        QFETCH(QPoint, greenAt);
        const QString out = m_dir.filePath("out.png");
        QFile::remove(out);
        const ToolRun run = swfrun(options << file("square.swf", movingSquareMovie()));
        QCOMPARE(run.exitCode, 0);
        const QImage image(out);
        QCOMPARE(image.size(), size);
        QCOMPARE(QColor(image.pixel(redAt)), QColor(255, 0, 0));
        QCOMPARE(QColor(image.pixel(greenAt)), QColor(0, 128, 0));
    }

    // Frame k's sounds start at (k - 1) / rate in the written sound.
    void writesTheRunsSoundOnTheFrameClock() {
        const QString out = m_dir.filePath("out.wav");
        const ToolRun run =
            swfrun({"--frames", "8", "--audio", out, file("sound.swf", soundMovie())});
        QCOMPARE(run.exitCode, 0);
        QFile wav(out);
        QVERIFY(wav.open(QIODevice::ReadOnly));
        const QByteArray bytes = wav.readAll();
        QVERIFY(bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WAVE");
        QCOMPARE(bytes.size(), 44 + 8 * 3675 * 4);
        const auto left = [&](int frame) {
            return qFromLittleEndian<qint16>(bytes.constData() + 44 + frame * 4);
        };
        int eventStart = -1, streamStart = -1;
        for (int i = 0; i < 8 * 3675; ++i) {
            if (eventStart < 0 && left(i) == 8000)
                eventStart = i;
            if (streamStart < 0 && left(i) == 2000)
                streamStart = i;
        }
        QVERIFY(std::abs(eventStart - 2 * 3675) < 3675);
        QVERIFY(std::abs(streamStart - 4 * 3675) < 3675);
        QCOMPARE(left(2 * 3675 + 4410 - 1), 8000);
        QCOMPARE(left(2 * 3675 + 4410), 0);
    }

    void picturesAtSeveralFrames() {
        const QString a = m_dir.filePath("a.png");
        const QString b = m_dir.filePath("b.png");
        const ToolRun run = swfrun({"--frames", "2", "--png-at", "2:" + b, "--png-at", "1:" + a,
                                    file("square.swf", movingSquareMovie())});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(QColor(QImage(a).pixel(15, 15)), QColor(255, 0, 0));
        QCOMPARE(QColor(QImage(b).pixel(45, 15)), QColor(255, 0, 0));
    }

    // Recorded input is delivered between frames without a word on stderr.
    void recordedInputIsReadAndTheRunGoesOn() {
        const QString input = file("input.json", R"([
            {"type": "MouseMove", "pos": [1, 2]}, {"type": "Wait"},
            {"type": "KeyDown", "key": {"Char": "a"}}, {"type": "Wait"},
            {"type": "TextInput", "codepoint": "b"}])");
        const ToolRun run =
            swfrun({"--frames", "2", "--input", input, file("count.swf", countingMovie())});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(lines(run.out), QStringList({"frame 1", "frame 2"}));
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
    }

    void failsCleanly_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        const QString ok = file("ok.swf", countingMovie());
        const QString fifo = m_dir.filePath("fifo.swf");
        ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
        QTest::newRow("missing movie")
            << QStringList{m_dir.filePath("nope.swf")} << 1 << "cannot read";
        QTest::newRow("not a movie")
            << QStringList{file("text.swf", "hello, world")} << 1 << "signature";
        QTest::newRow("fifo") << QStringList{fifo} << 1 << "not a regular file";
        QTest::newRow("input not json")
            << QStringList{"--input", file("bad.json", "[{"), ok} << 1 << "not JSON";
        QTest::newRow("unknown event")
            << QStringList{"--input", file("odd.json", R"([{"type": "Teleport"}])"), ok} << 1
            << "Teleport";
        QTest::newRow("event without position")
            << QStringList{"--input",
                           file("nopos.json", R"([{"type": "MouseDown", "btn": "Left"}])"), ok}
            << 1 << "pos";
        QTest::newRow("missing input")
            << QStringList{"--input", m_dir.filePath("none.json"), ok} << 1 << "cannot read";
        QTest::newRow("no movie") << QStringList{} << 2 << "expected one movie";
        QTest::newRow("two movies") << QStringList{ok, ok} << 2 << "expected one movie";
        QTest::newRow("zero frames") << QStringList{"--frames", "0", ok} << 2 << "--frames";
        QTest::newRow("bad quality") << QStringList{"--quality", "ultra", ok} << 2 << "--quality";
        QTest::newRow("picture past the run")
            << QStringList{"--png-at", "3:x.png", "--frames", "2", ok} << 2 << "--png-at";
        QTest::newRow("bad viewport") << QStringList{"--viewport", "0x10", ok} << 2 << "--viewport";
        QTest::newRow("bad timeout") << QStringList{"--timeout", "-1", ok} << 2 << "--timeout";
        QTest::newRow("unknown option") << QStringList{"--fast", ok} << 2 << "fast";
        QTest::newRow("unwritable picture")
            << QStringList{"--png", m_dir.filePath("no/such/dir.png"), ok} << 1 << "cannot write";
    }
    void failsCleanly() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        verifyOneLineFailure(swfrun(args), exitCode, says);
    }

    // However long the movie would run, the wall clock ends it.
    void timeoutEndsTheRun() {
        write::SwfWriter w({64, 48}, 12, 8);
        Actions busy;
        busy.pushInt(0).storeRegister(0).raw(avm1::Pop); // r0 = 0
        busy.mark("loop").pushRegister(0).raw(avm1::Increment).storeRegister(0).raw(avm1::Pop);
        busy.pushRegister(0).pushInt(5000).raw(avm1::Less2).ifTrue("loop"); // while r0 < 5000
        w.actions(busy).showFrame();
        w.actions(busy).showFrame();
        const ToolRun run =
            swfrun({"--frames", "1000000", "--timeout", "0.2", file("busy.swf", w.finish())});
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.err.contains("stopped after"), qPrintable(run.err));
    }
};

QTEST_GUILESS_MAIN(TestSwfrun)
#include "test_swfrun.moc"
